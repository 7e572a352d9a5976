#pragma once
// The portable INI reader's file access on Windows (for comparing it with the system's
// profile functions, and for tools that read INI files the portable way).
#include "config/ProfileFiles.h"

namespace tessmo::win32 {

class Win32ProfileFiles final : public ProfileFiles {
public:
    std::optional<std::uint64_t> OpenedLength(const std::u16string& path) override;
    std::optional<FileStamp> Stamp(const std::u16string& path) override;
    std::optional<FileContents> ReadAll(const std::u16string& path, std::uint64_t maxBytes) override;
};

}  // namespace tessmo::win32
