// The program's resources as the system reads them: the dialog template word by word,
// the icon group, the manifest and the version block. They are read from Tessmo.exe
// when the environment names it (TESSMO_EXE), else from this test program, which is
// built from the same resource script.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

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

// The bytes of one English (US) resource of the module, loaded as data only.
std::vector<unsigned char> Resource(LPCWSTR type, int id) {
    const std::unique_ptr<HINSTANCE__, decltype(&FreeLibrary)> module(
        LoadLibraryExW(ModulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), &FreeLibrary);
    HRSRC found = module ? FindResourceExW(module.get(), type, MAKEINTRESOURCEW(id),
                                           MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US))
                         : nullptr;
    if (found == nullptr) return {};
    const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module.get(), found)));
    return {data, data + SizeofResource(module.get(), found)};
}

// Reads fields of a resource in order, as comma-separated text: 'b' a BYTE, 'w' a WORD, 'd' a
// DWORD, 'x' a DWORD in hex, 's' a sz_Or_Ord ("#<n>" for an ordinal), 'a' aligns to a
// DWORD. Reading past the end leaves `at` beyond the size.
struct TemplateReader {
    const std::vector<unsigned char>& bytes;
    std::size_t at = 0;
    unsigned Read(std::size_t size) {
        unsigned value = 0;
        if (at + size <= bytes.size()) std::memcpy(&value, bytes.data() + at, size);
        at += size;
        return value;
    }
    std::wstring Fields(const char* format) {
        std::wostringstream out;
        for (const char* f = format; *f != '\0'; ++f) {
            if (*f == 'a') { at = (at + 3) & ~std::size_t{3}; continue; }
            if (out.tellp() > 0) out << L',';
            if (*f == 'b') out << Read(1);
            if (*f == 'w') out << Read(2);
            if (*f == 'd') out << Read(4);
            if (*f == 'x') out << std::hex << Read(4) << std::dec;
            if (*f != 's') continue;
            if (unsigned c = Read(2); c == 0xFFFF) {
                out << L'#' << Read(2);
            } else {
                for (; c != 0; c = Read(2)) out << static_cast<wchar_t>(c);
            }
        }
        return out.str();
    }
};

TEST(Resources, MainDialogTemplateIsExactlyTheLayout) {
    const auto bytes = Resource(MAKEINTRESOURCEW(5), 102);
    ASSERT_FALSE(bytes.empty()) << "no English (US) dialog 102";
    TemplateReader in{bytes};
    // Version 1, extended; no help id; exstyle, style; 4 items at 0,0 255x316; no menu,
    // the default class, no caption; 8 point, weight 0, not italic, DEFAULT_CHARSET.
    EXPECT_EQ(in.Fields("wwdxxwwwwwssswwws"),
              L"1,65535,0,40000,90c800c0,4,0,0,255,316,,,,8,0,256,MS Sans Serif");
    // Per item: help id, exstyle, style, x, y, cx, cy, id, class, title, extra bytes.
    for (const wchar_t* item : {L"0,0,50800105,14,12,227,258,1000,SysListView32,List1,0",
                                L"0,0,50010000,90,281,62,22,1001,#128,&Sync,0",
                                L"0,0,50010000,170,281,62,22,1002,#128,&Exit,0",
                                L"0,0,50020001,12,285,65,24,1003,#130,,0"}) {
        EXPECT_EQ(in.Fields("axxxwwwwdssw"), item);
    }
    EXPECT_EQ(in.at, bytes.size());
}

TEST(Resources, IconHasA32And16PixelImageOf16Colours) {
    const auto group = Resource(RT_GROUP_ICON, 128);
    TemplateReader in{group};
    EXPECT_EQ(in.Fields("www"), L"0,1,2");  // reserved, type icon, two images
    for (int size : {32, 16}) {
        const std::wstring side = std::to_wstring(size);
        // Width, height, colours, reserved, planes, bits per pixel; then the image's size and id.
        EXPECT_EQ(in.Fields("bbbbww"), side + L"," + side + L",16,0,1,4");
        const unsigned bytes = in.Read(4), id = in.Read(2);
        const auto image = Resource(RT_ICON, static_cast<int>(id));
        EXPECT_EQ(image.size(), bytes);
        // The image's header: its size, width, height of colour bits and mask, planes, bits.
        TemplateReader header{image};
        EXPECT_EQ(header.Fields("dddww"), L"40," + side + L"," + std::to_wstring(2 * size) + L",1,4");
    }
    EXPECT_EQ(in.at, group.size());
}

TEST(Resources, ManifestAsksForCommonControls6) {
    const auto bytes = Resource(MAKEINTRESOURCEW(24), 1);
    const std::string manifest(bytes.begin(), bytes.end());
    for (const char* needle : {"name=\"Tessmo\" version=\"1.0.0.0\" processorArchitecture=\"x86\"",
                               "type=\"win32\"",
                               "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                               "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\""}) {
        EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
    }
}

TEST(Resources, VersionIs1_0_1_9ForAWindowsApplication) {
    const std::wstring path = ModulePath();
    std::vector<unsigned char> block(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    const auto query = [&block](const wchar_t* name) {
        void* value = nullptr;
        UINT length = 0;
        return VerQueryValueW(block.data(), name, &value, &length) ? value : nullptr;
    };
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query(L"\\"));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ((std::vector<DWORD>{fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                                  fixed->dwProductVersionLS, fixed->dwFileOS, fixed->dwFileType}),
              (std::vector<DWORD>{0x00010000, 0x00010009, 0x00010000, 0x00010009, VOS__WINDOWS32, VFT_APP}));
    const auto* translation = static_cast<const DWORD*>(query(L"\\VarFileInfo\\Translation"));
    ASSERT_NE(translation, nullptr);
    EXPECT_EQ(*translation, 0x04B00409u);  // English (US), Unicode
    for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) {
        const auto* text = query((std::wstring(L"\\StringFileInfo\\040904B0\\") + name).c_str());
        EXPECT_STREQ(static_cast<const wchar_t*>(text), L"1, 0, 1, 9") << name;
    }
}

}  // namespace
}  // namespace tessmo::win32::testing
