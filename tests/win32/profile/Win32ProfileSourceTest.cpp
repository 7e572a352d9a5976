// The Win32 profile source's own part: learning a file's length the way the loaders
// need it, with other programs holding the file open, and the relative paths the tool
// uses.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>

#include "config/Catalogue.h"
#include "config/PortableProfileSource.h"
#include "profile/Win32ProfileSource.h"

namespace tessmo::win32 {
namespace {

std::u16string Utf16(const std::filesystem::path& path) {
    const std::wstring wide = path.wstring();
    return std::u16string(wide.begin(), wide.end());
}

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH + 1];
        const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
        path_ = std::filesystem::path(std::wstring(temp, n)) /
                (L"tessmo-profile-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::create_directories(path_);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::filesystem::path Write(const std::string& name, const std::string& bytes) const {
        const auto file = path_ / name;
        std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// How another program holds the file while its length is asked for.
enum class Holder { Nobody, WriterSharingReads, ReaderSharingNothing, WriterSharingNothing };

struct LengthCase {
    const char* name;
    std::optional<std::string> contents;  // nullopt: no such file
    bool directory = false;
    Holder holder = Holder::Nobody;
    std::optional<std::uint32_t> length;
};

const LengthCase kLengthCases[] = {
    {"MissingFile", std::nullopt, false, Holder::Nobody, std::nullopt},
    {"EmptyFile", "", false, Holder::Nobody, 0},
    {"OrdinaryFile", std::string(1234, 'x'), false, Holder::Nobody, 1234},
    {"Directory", std::nullopt, true, Holder::Nobody, std::nullopt},
    // An editor saving the file lets others read it: the length is still learnt.
    {"OpenForWritingByAnother", "[S]\r\nk=v\r\n", false, Holder::WriterSharingReads, 10},
    {"LockedAgainstEveryone", "[S]\r\nk=v\r\n", false, Holder::ReaderSharingNothing, std::nullopt},
    {"LockedByWriter", "[S]\r\nk=v\r\n", false, Holder::WriterSharingNothing, std::nullopt},
};

void PrintTo(const LengthCase& c, std::ostream* os) { *os << c.name; }

class FileLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(FileLength, IsLearntOnlyFromAFileThatCanBeOpenedForReading) {
    const LengthCase& c = GetParam();
    ScratchFolder folder;
    std::filesystem::path path = folder.Path() / "Vorlund.ini";
    if (c.contents) path = folder.Write("Vorlund.ini", *c.contents);
    if (c.directory) std::filesystem::create_directory(path);

    DWORD access = 0;
    DWORD share = 0;
    switch (c.holder) {
        case Holder::WriterSharingReads:
            access = GENERIC_WRITE;
            share = FILE_SHARE_READ;
            break;
        case Holder::ReaderSharingNothing:
            access = GENERIC_READ;
            break;
        case Holder::WriterSharingNothing:
            access = GENERIC_WRITE;
            break;
        case Holder::Nobody:
            break;
    }
    const Handle held(c.holder == Holder::Nobody
                          ? INVALID_HANDLE_VALUE
                          : CreateFileW(path.wstring().c_str(), access, share, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_EQ(held.IsOpen(), c.holder != Holder::Nobody);

    Win32ProfileSource system;
    EXPECT_EQ(system.FileLength(Utf16(path)), c.length);
    // The portable source opens the file the same way.
    PortableProfileSource portable;
    EXPECT_EQ(portable.FileLength(Utf16(path)), c.length);
}

INSTANTIATE_TEST_SUITE_P(Win32ProfileSource, FileLength, ::testing::ValuesIn(kLengthCases),
                         [](const auto& row) { return std::string(row.param.name); });

class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& path) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;
    ~WorkingDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }

private:
    std::filesystem::path previous_;
};

// The tool names its files ".\Vorlund.ini": with a folder part the profile functions
// read the working directory's file, not one in the Windows folder.
TEST(Win32ProfileSource, ReadsTheDefinitionFileOfTheWorkingDirectory) {
    ScratchFolder folder;
    folder.Write("Vorlund.ini",
                 "[Brightness]\r\nMainStr=Brightness\r\nParaIdx=3\r\nSubStr0=Low\r\nSubStr1=\"High\"\r\n");
    const WorkingDirectory inFolder(folder.Path());

    Win32ProfileSource system;
    ParamList list;
    ASSERT_EQ(LoadParamList(system, kDefinitionFile, list), 1);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].MainStr, u"Brightness");
    EXPECT_EQ(list[0].ParaIdx, 3);
    EXPECT_EQ(list[0].SubStrs, (std::vector<std::u16string>{u"Low", u"High"}));
}

}  // namespace
}  // namespace tessmo::win32
