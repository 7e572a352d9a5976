#include "PosixProfileFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "UniqueFd.h"
#include "common/Text.h"

namespace tessmo::posix {
namespace {

// Bytes read per call while loading a file.
constexpr std::size_t kReadChunk = 64 * 1024;

// A path with a NUL inside would name a different file once it reaches the C API.
std::optional<std::string> NativePath(const std::u16string& path) {
    if (path.find(u'\0') != std::u16string::npos) return std::nullopt;
    return PosixPathFromWindows(path);
}

// Non-blocking, so that a path naming a FIFO fails the regular-file check at once
// instead of waiting for a writer.
int OpenForReading(const std::u16string& path) {
    const auto native = NativePath(path);
    if (!native) return -1;
    int fd = -1;
    do {
        fd = ::open(native->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

std::optional<FileStamp> StampOf(const struct stat& info) {
    if (!S_ISREG(info.st_mode)) return std::nullopt;
    constexpr std::int64_t kNsPerSecond = 1'000'000'000;
    FileStamp stamp;
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * kNsPerSecond +
                       static_cast<std::int64_t>(info.st_mtim.tv_nsec);
    stamp.changedNs = static_cast<std::int64_t>(info.st_ctim.tv_sec) * kNsPerSecond +
                      static_cast<std::int64_t>(info.st_ctim.tv_nsec);
    stamp.device = static_cast<std::uint64_t>(info.st_dev);
    stamp.inode = static_cast<std::uint64_t>(info.st_ino);
    return stamp;
}

std::optional<FileStamp> StampOf(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return std::nullopt;
    return StampOf(info);
}

}  // namespace

std::string PosixPathFromWindows(std::u16string_view path) {
    std::string native = ToUtf8(path);
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    return native;
}

std::optional<std::uint64_t> PosixProfileFiles::OpenedLength(const std::u16string& path) {
    const UniqueFd file(OpenForReading(path));
    if (!file.IsOpen()) return std::nullopt;
    const auto stamp = StampOf(file.get());
    if (!stamp) return std::nullopt;
    return stamp->size;
}

std::optional<FileStamp> PosixProfileFiles::Stamp(const std::u16string& path) {
    const auto native = NativePath(path);
    if (!native) return std::nullopt;
    struct stat info {};
    if (::stat(native->c_str(), &info) != 0) return std::nullopt;
    return StampOf(info);
}

std::optional<FileContents> PosixProfileFiles::ReadAll(const std::u16string& path, std::uint64_t maxBytes) {
    const UniqueFd file(OpenForReading(path));
    if (!file.IsOpen()) return std::nullopt;
    const auto stamp = StampOf(file.get());
    if (!stamp || stamp->size > maxBytes) return std::nullopt;
    FileContents contents{*stamp, {}};
    contents.bytes.reserve(static_cast<std::size_t>(stamp->size));
    char chunk[kReadChunk];
    for (;;) {
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;
        const auto count = static_cast<std::size_t>(got);
        // The file grew while it was read: bounded all the same.
        if (contents.bytes.size() + count > maxBytes) return std::nullopt;
        contents.bytes.append(chunk, count);
    }
    return contents;
}

}  // namespace tessmo::posix

namespace tessmo {

ProfileFiles& HostProfileFiles() {
    static posix::PosixProfileFiles files;
    return files;
}

}  // namespace tessmo
