// The program's resources as the system finds them in Tessmo.exe (named by TESSMO_EXE,
// else this test program, built from the same script): the dialog, the icon and the
// version are there, and the manifest asks for version 6 of the common controls, without
// which the list and buttons are drawn in the old style.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

namespace tessmo::win32::testing {
namespace {

std::wstring ModulePath() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t* exe = _wgetenv(L"TESSMO_EXE");  // a Unix path: Wine shows the root as drive Z
    std::wstring path = exe != nullptr ? L"Z:" + std::wstring(exe) : self;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

TEST(Resources, AreThereAndTheManifestAsksForCommonControls6) {
    const std::unique_ptr<HINSTANCE__, decltype(&FreeLibrary)> module(
        LoadLibraryExW(ModulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), &FreeLibrary);
    ASSERT_NE(module, nullptr);
    const auto find = [&module](LPCWSTR type, int id) {
        return FindResourceExW(module.get(), type, MAKEINTRESOURCEW(id),
                               MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    };
    EXPECT_NE(find(RT_DIALOG, 102), nullptr);
    EXPECT_NE(find(RT_GROUP_ICON, 128), nullptr);
    EXPECT_NE(find(RT_VERSION, 1), nullptr);
    HRSRC manifest = find(RT_MANIFEST, 1);
    ASSERT_NE(manifest, nullptr);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module.get(), manifest)));
    const std::string text(bytes, SizeofResource(module.get(), manifest));
    EXPECT_NE(text.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
}

}  // namespace
}  // namespace tessmo::win32::testing
