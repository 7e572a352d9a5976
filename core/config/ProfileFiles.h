#pragma once
// The one seam between the portable INI reader and the file system: learn a file's
// length the way the tool opens it, stamp it for the parse cache, read it whole.
// Paths arrive as the tool spells them, in Windows form (".\\Vorlund.ini"); each host
// turns them into its own. Tests replace the seam to fake missing files and failing
// stat or read calls.
#include <cstdint>
#include <optional>
#include <string>

namespace tessmo {

// What identifies one version of a file. A rewrite shows in at least one field even
// within the same second (nanosecond times, a new inode after a replace-by-rename), so
// a parse is reused only while every field is unchanged.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;  // inode change time; 0 where the host has none
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

struct FileContents {
    FileStamp stamp;  // of the very file the bytes were read from
    std::string bytes;
};

class ProfileFiles {
public:
    virtual ~ProfileFiles() = default;

    // Opens the file for reading (shared for reading and writing; it must exist) and
    // gives its length in bytes. nullopt when it cannot be opened or is not a regular
    // file (a directory, a device, a pipe).
    virtual std::optional<std::uint64_t> OpenedLength(const std::u16string& path) = 0;

    // The stamp of a regular file; nullopt when there is none.
    virtual std::optional<FileStamp> Stamp(const std::u16string& path) = 0;

    // The whole file and the stamp of what was read. nullopt when it cannot be read,
    // is not a regular file, or holds more than `maxBytes` bytes.
    virtual std::optional<FileContents> ReadAll(const std::u16string& path, std::uint64_t maxBytes) = 0;
};

// The host's file system. Not defined by the core: each platform library defines it
// (tessmo::posix with POSIX calls, tessmo::win32 with the Win32 file API), so a program
// gets its host's files by linking its platform.
ProfileFiles& HostProfileFiles();

}  // namespace tessmo
