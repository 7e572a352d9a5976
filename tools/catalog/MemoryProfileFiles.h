#pragma once
// Profile files served from memory: the catalogue checker reads each file once, by the
// exact path it was given, and hands the bytes to the loaders under a name of its own;
// the fuzz targets feed arbitrary bytes the same way.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "config/ProfileFiles.h"

namespace tessmo::catalog {

class MemoryProfileFiles final : public ProfileFiles {
public:
    // `reportedLength` lets a caller report a length other than the bytes' own, as a file
    // that changes between the length check and the read would.
    void Put(const std::u16string& name, std::string bytes,
             std::optional<std::uint64_t> reportedLength = std::nullopt) {
        File& file = files_[name];
        file.length = reportedLength.value_or(bytes.size());
        file.bytes = std::move(bytes);
        file.stamp.size = file.bytes.size();
        file.stamp.inode = ++version_;
    }

    std::optional<std::uint64_t> OpenedLength(const std::u16string& path) override {
        const File* file = Find(path);
        return file ? std::optional(file->length) : std::nullopt;
    }

    std::optional<FileStamp> Stamp(const std::u16string& path) override {
        const File* file = Find(path);
        return file ? std::optional(file->stamp) : std::nullopt;
    }

    std::optional<FileContents> ReadAll(const std::u16string& path, std::uint64_t maxBytes) override {
        const File* file = Find(path);
        if (!file || file->bytes.size() > maxBytes) return std::nullopt;
        return FileContents{file->stamp, file->bytes};
    }

private:
    struct File {
        std::string bytes;
        std::uint64_t length = 0;
        FileStamp stamp;
    };

    const File* Find(const std::u16string& path) const {
        const auto found = files_.find(path);
        return found == files_.end() ? nullptr : &found->second;
    }

    std::map<std::u16string, File> files_;
    std::uint64_t version_ = 0;  // a new stamp per Put, so a cached parse is never stale
};

}  // namespace tessmo::catalog
