#include "profile/Win32ProfileFiles.h"

#include "profile/FileHandle.h"

namespace tessmo::win32 {
namespace {

// Bytes read per call while loading a file.
constexpr DWORD kReadChunk = 64 * 1024;

std::uint64_t Join(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

std::optional<FileStamp> StampOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return std::nullopt;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    FileStamp stamp;
    stamp.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
    // In the host's 100 ns units: the stamp only has to change when the file does.
    stamp.modifiedNs = static_cast<std::int64_t>(
        Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
    stamp.device = info.dwVolumeSerialNumber;
    stamp.inode = Join(info.nFileIndexHigh, info.nFileIndexLow);
    return stamp;
}

}  // namespace

std::optional<std::uint64_t> Win32ProfileFiles::OpenedLength(const std::u16string& path) {
    const FileHandle file = OpenShared(path, GENERIC_READ);
    if (!file.IsOpen()) return std::nullopt;
    const auto stamp = StampOf(file.Get());
    if (!stamp) return std::nullopt;
    return stamp->size;
}

std::optional<FileStamp> Win32ProfileFiles::Stamp(const std::u16string& path) {
    const FileHandle file = OpenShared(path, FILE_READ_ATTRIBUTES);
    if (!file.IsOpen()) return std::nullopt;
    return StampOf(file.Get());
}

std::optional<FileContents> Win32ProfileFiles::ReadAll(const std::u16string& path, std::uint64_t maxBytes) {
    const FileHandle file = OpenShared(path, GENERIC_READ);
    if (!file.IsOpen()) return std::nullopt;
    const auto stamp = StampOf(file.Get());
    if (!stamp || stamp->size > maxBytes) return std::nullopt;
    FileContents contents{*stamp, {}};
    contents.bytes.reserve(static_cast<std::size_t>(stamp->size));
    std::string chunk(kReadChunk, '\0');
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), chunk.data(), kReadChunk, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        // The file grew while it was read: bounded all the same.
        if (contents.bytes.size() + got > maxBytes) return std::nullopt;
        contents.bytes.append(chunk.data(), got);
    }
    return contents;
}

}  // namespace tessmo::win32

namespace tessmo {

ProfileFiles& HostProfileFiles() {
    static win32::Win32ProfileFiles files;
    return files;
}

}  // namespace tessmo
