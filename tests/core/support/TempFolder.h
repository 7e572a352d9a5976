#pragma once
// A private folder under the system's temporary folder for tests that read real files,
// removed with everything in it.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "common/Text.h"

namespace tessmo::configtest {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessmo_XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    std::filesystem::path File(const std::string& name) const { return path_ / name; }
    // As the profile reads take it.
    std::u16string Path(const std::string& name) const { return FromUtf8(File(name).string()); }

    // Writes or rewrites a file.
    std::u16string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(File(name), std::ios::binary | std::ios::trunc) << bytes;
        return Path(name);
    }

private:
    std::filesystem::path path_;
};

}  // namespace tessmo::configtest
