#pragma once
// A private folder under the system's temporary folder for tests that read real files,
// removed with everything in it.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace tessmo::configtest {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessmo_XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no private temporary folder");
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
    std::u16string Path(const std::string& name) const { return File(name).u16string(); }

    // Writes or rewrites a file.
    std::u16string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(File(name), std::ios::binary | std::ios::trunc) << bytes;
        return Path(name);
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(File(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

private:
    std::filesystem::path path_;
};

}  // namespace tessmo::configtest
