// The portable profile source on the file system: Windows-form paths, the file length
// as the tool learns it, paths that name no readable file, and the parse cache, which
// must never serve a file as it was before a rewrite.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/Text.h"
#include "config/PortableProfileSource.h"
#include "support/TempFolder.h"

namespace tessmo {
namespace {

namespace fs = std::filesystem;
using configtest::TempFolder;
using namespace std::string_literals;

std::u16string ReadK(ProfileSource& profile, const std::u16string& path) {
    char16_t buffer[64];
    return std::u16string(buffer, profile.GetString(u"s", u"k", u"<none>", buffer, 64, path));
}

// Sets a file's modification time to this nanosecond of one fixed second.
void SetModified(const fs::path& file, long nanoseconds) {
    const struct timespec times[2] = {{1'700'000'000, nanoseconds}, {1'700'000'000, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

TEST(PortableProfileSourceTest, WhatIsNoReadableFileReadsAsMissing) {
    const TempFolder dir;
    ASSERT_EQ(::mkfifo(dir.File("pipe.ini").c_str(), 0600), 0);
    const std::u16string locked = dir.Write("locked.ini", "[s]\nk=v\n");
    fs::permissions(dir.File("locked.ini"), fs::perms::none);
    const std::u16string huge = dir.Write("huge.ini", "[s]\nk=v\n");
    fs::resize_file(dir.File("huge.ini"), (std::uint64_t{1} << 32) + 10);  // sparse: costs no disk
    PortableProfileSource profile;
    for (const std::u16string& path :
         {dir.Path("missing.ini"), dir.Path(""), dir.Path("pipe.ini"), u"a\0b"s, locked, huge}) {
        SCOPED_TRACE(ToUtf8(path));
        if (path == locked && ::geteuid() == 0) continue;  // permissions do not bind the superuser
        // Too big to read, not to measure; wrapped to 32 bits its length would size a small buffer.
        EXPECT_EQ(profile.FileLength(path), path == huge ? std::optional(0xFFFFFFFFu) : std::nullopt);
        EXPECT_EQ(ReadK(profile, path), u"<none>");
        EXPECT_EQ(profile.GetInt(u"s", u"k", 5, path), 5u);
        char16_t buffer[4] = {u'#', u'#', u'#', u'#'};
        EXPECT_EQ(profile.GetSectionNames(buffer, 2, path), 0u);
        EXPECT_EQ(profile.GetSection(u"s", buffer + 2, 2, path), 0u);
        EXPECT_EQ(std::u16string(buffer, 4), u"\0\0\0\0"s) << "two empty lists";
    }
}

// Keyed on the file's stamp, the parse cache must still see each change and must not
// remember a failed read. The path is in Windows form, relative, through a folder named
// beyond ASCII.
TEST(PortableProfileSourceTest, NoFileIsServedAsItWasBefore) {
    const TempFolder dir;
    fs::create_directory(dir.File("d\u00E9fs"));
    const fs::path saved = fs::current_path();
    fs::current_path(dir.Dir());
    const std::u16string path = u".\\d\u00E9fs\\t.ini";
    const std::string file = "d\u00E9fs/t.ini", other = "d\u00E9fs/new.ini";
    PortableProfileSource profile;
    EXPECT_EQ(ReadK(profile, path), u"<none>");
    dir.Write(file, "[s]\nk=1\n");
    SetModified(file, 100);
    EXPECT_EQ(ReadK(profile, path), u"1");
    EXPECT_EQ(profile.FileLength(path), 8u);
    dir.Write(file, "[s]\nk=2\n");  // the same size, within the same second
    SetModified(file, 200);
    EXPECT_EQ(ReadK(profile, path), u"2");
    dir.Write(other, "[s]\nk=3\n");  // replaced by a file of the same size and time
    SetModified(other, 200);
    fs::rename(other, file);
    EXPECT_EQ(ReadK(profile, path), u"3");
    fs::remove(file);
    EXPECT_EQ(ReadK(profile, path), u"<none>");
    fs::current_path(saved);
}

}  // namespace
}  // namespace tessmo
