// The portable profile source on the file system: Windows-form paths, the file length
// as the tool learns it, reads of files that are missing or not files at all, and the
// parse cache, which must never serve a file as it was before a rewrite.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>

#include "common/Text.h"
#include "config/PortableProfileSource.h"

namespace tessmo {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

struct CaseName {
    template <class Info>
    std::string operator()(const Info& info) const {
        return info.param.name;
    }
};

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "tessmo_ini_XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, ignored);
        fs::remove_all(path_, ignored);
    }

    fs::path Write(const std::string& name, const std::string& bytes) const {
        const fs::path file = path_ / name;
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
        return file;
    }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

std::u16string WidePath(const fs::path& path) { return FromUtf8(path.string()); }

std::u16string ReadString(ProfileSource& profile, const std::u16string& path,
                          const std::u16string& section, const std::u16string& key) {
    char16_t buffer[256];
    const std::uint32_t count = profile.GetString(section, key, u"<none>", buffer, 256, path);
    return std::u16string(buffer, count);
}

// Sets a file's modification time to exactly this second and nanosecond.
void SetModified(const fs::path& file, std::time_t seconds, long nanoseconds) {
    const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

class CurrentDirectory {
public:
    explicit CurrentDirectory(const fs::path& directory) : saved_(fs::current_path()) {
        fs::current_path(directory);
    }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;
    ~CurrentDirectory() { fs::current_path(saved_); }

private:
    fs::path saved_;
};

// --- Paths and file length ------------------------------------------------------------

TEST(IniProfileSourceFileTest, WindowsFormRelativePathReachesTheFile) {
    const TempDir dir;
    fs::create_directory(dir.Path() / "defs");
    dir.Write("defs/Vorlund.ini", "[s]\nk=found\n");
    const CurrentDirectory cwd(dir.Path());
    PortableProfileSource profile;

    EXPECT_EQ(ReadString(profile, u".\\defs\\Vorlund.ini", u"s", u"k"), u"found");
    EXPECT_EQ(profile.FileLength(u".\\defs\\Vorlund.ini"), 12u);
}

TEST(IniProfileSourceFileTest, PosixPathFromWindowsTurnsEveryBackslash) {
    EXPECT_EQ(PosixPathFromWindows(u".\\a\\b.ini"), "./a/b.ini");
    EXPECT_EQ(PosixPathFromWindows(u"d\u00E9f.ini"), "d\xC3\xA9" "f.ini");
}

TEST(IniProfileSourceFileTest, FileLengthIsTheByteSize) {
    const TempDir dir;
    PortableProfileSource profile;
    EXPECT_EQ(profile.FileLength(WidePath(dir.Write("a.ini", std::string(1234, 'x')))), 1234u);
    EXPECT_EQ(profile.FileLength(WidePath(dir.Write("empty.ini", ""))), 0u);
}

TEST(IniProfileSourceFileTest, FileLengthIsNoneForWhatCannotBeOpenedAsAFile) {
    const TempDir dir;
    PortableProfileSource profile;
    EXPECT_EQ(profile.FileLength(WidePath(dir.Path() / "missing.ini")), std::nullopt);
    EXPECT_EQ(profile.FileLength(WidePath(dir.Path())), std::nullopt) << "a directory";
    const fs::path fifo = dir.Path() / "pipe.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(profile.FileLength(WidePath(fifo)), std::nullopt) << "a pipe, without waiting";
    EXPECT_EQ(profile.FileLength(u"a\0b"s), std::nullopt) << "a path with a NUL";
}

TEST(IniProfileSourceFileTest, UnreadableFileHasNoLengthAndReadsAsMissing) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    const TempDir dir;
    const fs::path file = dir.Write("locked.ini", "[s]\nk=v\n");
    fs::permissions(file, fs::perms::none);
    PortableProfileSource profile;
    EXPECT_EQ(profile.FileLength(WidePath(file)), std::nullopt);
    EXPECT_EQ(ReadString(profile, WidePath(file), u"s", u"k"), u"<none>");
}

TEST(IniProfileSourceFileTest, MissingFileOrDirectoryGivesDefaultsAndEmptyLists) {
    const TempDir dir;
    PortableProfileSource profile;
    for (const fs::path& path : {dir.Path() / "missing.ini", dir.Path()}) {
        SCOPED_TRACE(path.string());
        EXPECT_EQ(ReadString(profile, WidePath(path), u"s", u"k"), u"<none>");
        EXPECT_EQ(profile.GetInt(u"s", u"k", 5, WidePath(path)), 5u);
        char16_t buffer[4] = {u'#', u'#', u'#', u'#'};
        EXPECT_EQ(profile.GetSectionNames(buffer, 4, WidePath(path)), 0u);
        EXPECT_EQ(buffer[0], u'\0');
        EXPECT_EQ(profile.GetSection(u"s", buffer, 4, WidePath(path)), 0u);
        EXPECT_EQ(buffer[0], u'\0');
    }
}

TEST(IniProfileSourceFileTest, FileBeyondTheReadLimitReadsAsMissing) {
    const TempDir dir;
    const fs::path file = dir.Write("huge.ini", "[s]\nk=v\n");
    fs::resize_file(file, kMaxProfileFileBytes + 1);  // sparse: costs no disk
    PortableProfileSource profile;
    EXPECT_EQ(profile.FileLength(WidePath(file)), kMaxProfileFileBytes + 1);
    EXPECT_EQ(ReadString(profile, WidePath(file), u"s", u"k"), u"<none>");
}

// --- The parse cache on real files ----------------------------------------------------

TEST(IniProfileSourceCacheTest, RewriteWithinTheSameSecondIsReadFresh) {
    const TempDir dir;
    const fs::path file = dir.Write("t.ini", "[s]\nk=1\n");
    const std::u16string path = WidePath(file);
    PortableProfileSource profile;
    ASSERT_EQ(ReadString(profile, path, u"s", u"k"), u"1");

    // A different size, written at once.
    dir.Write("t.ini", "[s]\nk=22\n");
    EXPECT_EQ(ReadString(profile, path, u"s", u"k"), u"22");
}

TEST(IniProfileSourceCacheTest, SameSizeRewriteInTheSameSecondIsToldApartByNanoseconds) {
    const TempDir dir;
    const fs::path file = dir.Write("t.ini", "[s]\nk=1\n");
    const std::u16string path = WidePath(file);
    SetModified(file, 1'700'000'000, 100);
    PortableProfileSource profile;
    ASSERT_EQ(ReadString(profile, path, u"s", u"k"), u"1");

    dir.Write("t.ini", "[s]\nk=2\n");
    SetModified(file, 1'700'000'000, 200);
    EXPECT_EQ(ReadString(profile, path, u"s", u"k"), u"2");
}

TEST(IniProfileSourceCacheTest, ReplaceByRenameWithSameSizeAndTimeIsReadFresh) {
    const TempDir dir;
    const fs::path file = dir.Write("t.ini", "[s]\nk=1\n");
    SetModified(file, 1'700'000'000, 0);
    const std::u16string path = WidePath(file);
    PortableProfileSource profile;
    ASSERT_EQ(ReadString(profile, path, u"s", u"k"), u"1");

    const fs::path replacement = dir.Write("new.ini", "[s]\nk=2\n");
    SetModified(replacement, 1'700'000'000, 0);
    fs::rename(replacement, file);
    EXPECT_EQ(ReadString(profile, path, u"s", u"k"), u"2");
}

TEST(IniProfileSourceCacheTest, DeletedFileIsNotServedFromTheCache) {
    const TempDir dir;
    const fs::path file = dir.Write("t.ini", "[s]\nk=1\n");
    PortableProfileSource profile;
    ASSERT_EQ(ReadString(profile, WidePath(file), u"s", u"k"), u"1");
    fs::remove(file);
    EXPECT_EQ(ReadString(profile, WidePath(file), u"s", u"k"), u"<none>");
}

// --- The parse cache through a fake file system ---------------------------------------

class FakeFiles final : public ProfileFiles {
public:
    struct File {
        FileStamp stamp;
        std::string bytes;
        bool readFails = false;
    };

    std::optional<std::uint64_t> OpenedLength(const std::u16string& path) override {
        const auto found = files.find(path);
        if (found == files.end()) return std::nullopt;
        return found->second.stamp.size;
    }
    std::optional<FileStamp> Stamp(const std::u16string& path) override {
        const auto found = files.find(path);
        if (found == files.end()) return std::nullopt;
        return found->second.stamp;
    }
    std::optional<FileContents> ReadAll(const std::u16string& path, std::uint64_t maxBytes) override {
        ++reads;
        lastMaxBytes = maxBytes;
        const auto found = files.find(path);
        if (found == files.end() || found->second.readFails) return std::nullopt;
        return FileContents{found->second.stamp, found->second.bytes};
    }

    void Put(const std::u16string& path, const std::string& bytes, FileStamp stamp = {}) {
        stamp.size = bytes.size();
        files[path] = File{stamp, bytes};
    }

    std::map<std::u16string, File> files;
    int reads = 0;
    std::uint64_t lastMaxBytes = 0;
};

TEST(IniProfileSourceFakeTest, UnchangedFileIsParsedOnceForAllReads) {
    FakeFiles files;
    files.Put(u"a.ini", "[s]\nk=1\nn=7\n");
    PortableProfileSource profile(files);
    char16_t buffer[64];
    for (int i = 0; i < 100; ++i) {
        profile.GetSectionNames(buffer, 64, u"a.ini");
        profile.GetSection(u"s", buffer, 64, u"a.ini");
        EXPECT_EQ(ReadString(profile, u"a.ini", u"s", u"k"), u"1");
        EXPECT_EQ(profile.GetInt(u"s", u"n", 0, u"a.ini"), 7u);
    }
    EXPECT_EQ(files.reads, 1);
    EXPECT_EQ(files.lastMaxBytes, kMaxProfileFileBytes);
}

TEST(IniProfileSourceFakeTest, EachFileKeepsItsOwnParse) {
    FakeFiles files;
    files.Put(u"a.ini", "[s]\nk=a\n");
    files.Put(u"b.ini", "[s]\nk=b\n");
    PortableProfileSource profile(files);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(ReadString(profile, u"a.ini", u"s", u"k"), u"a");
        EXPECT_EQ(ReadString(profile, u"b.ini", u"s", u"k"), u"b");
    }
    EXPECT_EQ(files.reads, 2);
}

struct StampChangeCase {
    const char* name;
    void (*change)(FileStamp&);
};

// Printed as its name, so test listings stay short and readable.
void PrintTo(const StampChangeCase& c, std::ostream* os) { *os << c.name; }

class IniProfileSourceStampTest : public ::testing::TestWithParam<StampChangeCase> {};

// The same size and text but any one field of the stamp changed: the file is read again
// (here the fake serves new text under the changed stamp).
TEST_P(IniProfileSourceStampTest, AnyChangedFieldMeansAFreshRead) {
    FakeFiles files;
    FileStamp stamp{0, 1'700'000'000'000'000'100, 1'700'000'000'000'000'100, 5, 42};
    files.Put(u"a.ini", "[s]\nk=1\n", stamp);
    PortableProfileSource profile(files);
    ASSERT_EQ(ReadString(profile, u"a.ini", u"s", u"k"), u"1");

    GetParam().change(stamp);
    files.Put(u"a.ini", "[s]\nk=2\n", stamp);
    EXPECT_EQ(ReadString(profile, u"a.ini", u"s", u"k"), u"2");
    EXPECT_EQ(files.reads, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, IniProfileSourceStampTest,
    ::testing::Values(
        StampChangeCase{"ModifiedNanoseconds", [](FileStamp& s) { s.modifiedNs += 1; }},
        StampChangeCase{"ChangedNanoseconds", [](FileStamp& s) { s.changedNs += 1; }},
        StampChangeCase{"Inode", [](FileStamp& s) { s.inode += 1; }},
        StampChangeCase{"Device", [](FileStamp& s) { s.device += 1; }}),
    CaseName{});

TEST(IniProfileSourceFakeTest, SizeChangeMeansAFreshRead) {
    FakeFiles files;
    files.Put(u"a.ini", "[s]\nk=1\n");
    PortableProfileSource profile(files);
    ASSERT_EQ(ReadString(profile, u"a.ini", u"s", u"k"), u"1");
    files.Put(u"a.ini", "[s]\nk=10\n");
    EXPECT_EQ(ReadString(profile, u"a.ini", u"s", u"k"), u"10");
}

TEST(IniProfileSourceFakeTest, FailedReadGivesDefaultsAndIsRetriedNextTime) {
    FakeFiles files;
    files.Put(u"a.ini", "[s]\nk=1\n");
    files.files[u"a.ini"].readFails = true;
    PortableProfileSource profile(files);
    EXPECT_EQ(ReadString(profile, u"a.ini", u"s", u"k"), u"<none>");
    EXPECT_EQ(profile.GetInt(u"s", u"k", -1, u"a.ini"), 0xFFFFFFFFu);

    files.files[u"a.ini"].readFails = false;
    EXPECT_EQ(ReadString(profile, u"a.ini", u"s", u"k"), u"1");
}

TEST(IniProfileSourceFakeTest, VanishedFileIsNotServedFromTheCache) {
    FakeFiles files;
    files.Put(u"a.ini", "[s]\nk=1\n");
    PortableProfileSource profile(files);
    ASSERT_EQ(ReadString(profile, u"a.ini", u"s", u"k"), u"1");
    files.files.clear();
    EXPECT_EQ(ReadString(profile, u"a.ini", u"s", u"k"), u"<none>");
    EXPECT_EQ(profile.FileLength(u"a.ini"), std::nullopt);
}

TEST(IniProfileSourceFakeTest, LengthBeyond4GiBIsTheLargestLength) {
    FakeFiles files;
    files.Put(u"big.ini", "");
    files.files[u"big.ini"].stamp.size = (std::uint64_t{1} << 32) + 10;
    PortableProfileSource profile(files);
    EXPECT_EQ(profile.FileLength(u"big.ini"), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace tessmo
