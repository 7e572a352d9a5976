#pragma once
// A private folder under the system's temporary folder for tests that read real files,
// removed with everything in it. Standard C++ only, so every platform's tests use it.
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

namespace tessmo::configtest {

class TempFolder {
public:
    // create_directory makes the folder only if nobody has it yet, so it is ours alone.
    TempFolder() {
        std::random_device random;
        for (int attempt = 0; path_.empty(); ++attempt) {
            if (attempt == 100) throw std::runtime_error("no private temporary folder");
            const auto candidate =
                std::filesystem::temp_directory_path() / ("tessmo_" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) path_ = candidate;
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    const std::filesystem::path& Dir() const { return path_; }
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
