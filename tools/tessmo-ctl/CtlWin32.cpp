// What tessmo-ctl needs of Windows: the same DirectShow stack and profile functions as
// Tessmo.exe, the local clock as the window reads it, and UTF-8 arguments and output
// whatever the console's code page.
#include <windows.h>

#include <shellapi.h>

#include "Ctl.h"
#include "capture/DirectShowCaptureStack.h"
#include "common/Text.h"
#include "profile/Win32ProfileSource.h"

namespace tessmo::ctl {
namespace {

struct LocalFreeDeleter {
    void operator()(LPWSTR* block) const { ::LocalFree(block); }
};

std::u16string Utf16(const wchar_t* text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

}  // namespace

// argv holds the arguments in the ANSI code page, which cannot carry every name; the
// wide command line can.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    ::SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalFreeDeleter> wide(::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (!wide) return {argv, argv + argc};
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(ToUtf8(Utf16(wide.get()[i])));
    return arguments;
}

std::unique_ptr<CaptureStack> OpenPlatformCamera(std::string&) {
    return std::make_unique<win32::DirectShowCaptureStack>();
}

std::unique_ptr<ProfileSource> OpenProfileSource() {
    return std::make_unique<win32::Win32ProfileSource>();
}

// The profile functions look for a path that is not a full one in the Windows folder
// unless it starts with a dot and a backslash: every relative path is made so, as the
// user meant it relative to the current folder.
std::u16string ProfilePath(const std::string& utf8Path) {
    const bool full = utf8Path.starts_with('\\') || utf8Path.starts_with('/') ||
                      (utf8Path.size() > 1 && utf8Path[1] == ':');
    return FromUtf8(full ? utf8Path : ".\\" + utf8Path);
}

LocalTime ReadLocalClock() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace tessmo::ctl
