#pragma once
// The one owner of a file handle that the profile code opens, and the one way it opens
// INI files.
#include <windows.h>

#include <string>

#include "ui/WideText.h"

namespace tessmo::win32 {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (IsOpen()) CloseHandle(handle_);
    }
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// Shared for reading and writing only, as the system's profile functions open an INI
// file: the length probe and the portable reader then fail exactly where
// GetPrivateProfile*W fail (a file another program holds open for deletion or
// renaming reads as missing everywhere), so the two profile sources never disagree.
inline FileHandle OpenShared(const std::u16string& path, DWORD access) {
    return FileHandle(CreateFileW(Wide(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace tessmo::win32
