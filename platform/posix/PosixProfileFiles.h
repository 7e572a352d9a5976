#pragma once
// The INI reader's file access on a POSIX host: open, fstat, read.
#include <string>
#include <string_view>

#include "config/ProfileFiles.h"

namespace tessmo::posix {

// ".\\dir\\file.ini" -> "./dir/file.ini" in UTF-8: the path a POSIX host opens.
std::string PosixPathFromWindows(std::u16string_view path);

class PosixProfileFiles final : public ProfileFiles {
public:
    std::optional<std::uint64_t> OpenedLength(const std::u16string& path) override;
    std::optional<FileStamp> Stamp(const std::u16string& path) override;
    std::optional<FileContents> ReadAll(const std::u16string& path, std::uint64_t maxBytes) override;
};

}  // namespace tessmo::posix
