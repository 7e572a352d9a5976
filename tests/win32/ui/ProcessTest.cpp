// The program's ends as separate processes: the Exit button ends the process with
// status 0 and a complete trace, and a stdout the runtime could not use is reopened
// on the process's standard output handle.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "UiSupport.h"

namespace tessmo::win32::testing {
namespace {

struct ChildRun {
    DWORD exitCode = 0xFFFFFFFF;
    bool finished = false;
};

// Runs this test program again with `arguments`, in `folder`, its stdout going to `output`.
ChildRun RunChild(const std::wstring& arguments, const std::filesystem::path& folder,
                  const std::filesystem::path& output) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + arguments;

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(output.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ChildRun run;
    if (out == INVALID_HANDLE_VALUE) return run;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       folder.wstring().c_str(), &startup, &process)) {
        run.finished = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
        if (!run.finished) TerminateProcess(process.hProcess, 99);
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    return run;
}

std::vector<std::string> FileLines(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Process, ExitEndsTheProcessWithStatus0AndACompleteTrace) {
    WorkingFolder folder;
    folder.Write("Tessmo.ini", kSettingsNoBanner);
    folder.Write("Vorlund.ini", kDefinitions);
    const auto output = folder.Path() / "trace.txt";
    const ChildRun run = RunChild(L"--child=exit", folder.Path(), output);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    const auto lines = FileLines(output);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "Init Instance");
    EXPECT_EQ(lines[1], "Get Cap Device.");
    EXPECT_EQ(lines.back(), "Dialog Init Done");  // nothing after it: Exit writes nothing
    // The runtime's text mode writes each line end as CR LF.
    EXPECT_NE(FileText(output).find("Init Instance\r\n"), std::string::npos);
}

TEST(Process, StdoutWithoutAHandleIsReopenedOnTheStandardOutput) {
    WorkingFolder folder;
    const auto redirected = folder.Path() / "redirected.txt";
    const auto reopened = folder.Path() / "reopened.txt";
    const ChildRun run =
        RunChild(L"--child=stdout \"" + reopened.wstring() + L"\"", folder.Path(), redirected);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u) << FileText(redirected);
    EXPECT_EQ(FileText(reopened), "reopened\r\n");
}

}  // namespace
}  // namespace tessmo::win32::testing
