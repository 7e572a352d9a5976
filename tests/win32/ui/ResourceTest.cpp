// The program's resources as the system reads them: the dialog template word by word,
// the icon group, the manifest and the version block. They are read from Tessmo.exe
// when its path is given (--tessmo-exe=...), else from this test program, which is
// built from the same resource script.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../../res/resource.h"

namespace tessmo::win32::testing {

// Set by main from --tessmo-exe.
extern std::wstring g_tessmoExe;

namespace {

// The module whose resources are examined, loaded as data only.
class ResourceModule {
public:
    ResourceModule() {
        path_ = g_tessmoExe;
        if (path_.empty()) {
            wchar_t self[MAX_PATH] = {};
            GetModuleFileNameW(nullptr, self, MAX_PATH);
            path_ = self;
        }
        module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    ~ResourceModule() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;
    HMODULE Get() const { return module_; }
    const std::wstring& Path() const { return path_; }

    std::vector<unsigned char> Bytes(LPCWSTR type, LPCWSTR name,
                                     WORD language = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)) const {
        HRSRC found = FindResourceExW(module_, type, name, language);
        if (found == nullptr) return {};
        HGLOBAL loaded = LoadResource(module_, found);
        const auto* data = static_cast<const unsigned char*>(LockResource(loaded));
        return std::vector<unsigned char>(data, data + SizeofResource(module_, found));
    }

private:
    std::wstring path_;
    HMODULE module_ = nullptr;
};

// Reads a DLGTEMPLATEEX and its items in order.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}
    WORD Word() {
        WORD value = 0;
        Read(&value, 2);
        return value;
    }
    DWORD Dword() {
        DWORD value = 0;
        Read(&value, 4);
        return value;
    }
    BYTE Byte() {
        BYTE value = 0;
        Read(&value, 1);
        return value;
    }
    // A sz_Or_Ord field: text, or "#<n>" for an ordinal.
    std::wstring TextOrOrdinal() {
        const WORD first = Word();
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        std::wstring text;
        for (WORD c = first; c != 0; c = Word()) text.push_back(static_cast<wchar_t>(c));
        return text;
    }
    void AlignDword() { at_ = (at_ + 3) & ~std::size_t{3}; }
    bool AtEnd() const { return at_ >= bytes_.size(); }
    bool Overran() const { return overran_; }

private:
    void Read(void* out, std::size_t size) {
        if (at_ + size > bytes_.size()) {
            overran_ = true;
            return;
        }
        std::memcpy(out, bytes_.data() + at_, size);
        at_ += size;
    }
    const std::vector<unsigned char>& bytes_;
    std::size_t at_ = 0;
    bool overran_ = false;
};

struct ItemTemplate {
    DWORD helpId, exStyle, style;
    short x, y, cx, cy;
    DWORD id;
    std::wstring windowClass, title;
    WORD extraCount;
};

TEST(Resources, MainDialogTemplateIsExactlyTheLayout) {
    ResourceModule module;
    ASSERT_NE(module.Get(), nullptr) << "cannot load " << std::string(module.Path().begin(), module.Path().end());
    const auto bytes = module.Bytes(MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(IDD_MAIN_DIALOG));
    ASSERT_FALSE(bytes.empty()) << "no English (US) dialog 102";
    TemplateReader in(bytes);
    EXPECT_EQ(in.Word(), 1);       // dlgVer
    EXPECT_EQ(in.Word(), 0xFFFF);  // signature: extended
    EXPECT_EQ(in.Dword(), 0u);     // helpID
    EXPECT_EQ(in.Dword(), 0x00040000u);
    EXPECT_EQ(in.Dword(), 0x90C800C0u);
    const WORD items = in.Word();
    EXPECT_EQ(items, 4);
    EXPECT_EQ(in.Word(), 0);
    EXPECT_EQ(in.Word(), 0);
    EXPECT_EQ(in.Word(), 255);
    EXPECT_EQ(in.Word(), 316);
    EXPECT_EQ(in.TextOrOrdinal(), L"");  // no menu
    EXPECT_EQ(in.TextOrOrdinal(), L"");  // the default dialog class
    EXPECT_EQ(in.TextOrOrdinal(), L"");  // empty caption
    EXPECT_EQ(in.Word(), 8);             // point size
    EXPECT_EQ(in.Word(), 0);             // weight
    EXPECT_EQ(in.Byte(), 0);             // italic
    EXPECT_EQ(in.Byte(), 1);             // DEFAULT_CHARSET
    EXPECT_EQ(in.TextOrOrdinal(), L"MS Sans Serif");

    const ItemTemplate expected[] = {
        {0, 0, 0x50800105, 14, 12, 227, 258, IDC_PARAM_LIST, L"SysListView32", L"List1", 0},
        {0, 0, 0x50010000, 90, 281, 62, 22, IDC_SYNC, L"#128", L"&Sync", 0},
        {0, 0, 0x50010000, 170, 281, 62, 22, IDC_EXIT, L"#128", L"&Exit", 0},
        {0, 0, 0x50020001, 12, 285, 65, 24, IDC_CUSTOM_TEXT, L"#130", L"", 0},
    };
    for (const ItemTemplate& want : expected) {
        SCOPED_TRACE(want.id);
        in.AlignDword();
        ItemTemplate got{};
        got.helpId = in.Dword();
        got.exStyle = in.Dword();
        got.style = in.Dword();
        got.x = static_cast<short>(in.Word());
        got.y = static_cast<short>(in.Word());
        got.cx = static_cast<short>(in.Word());
        got.cy = static_cast<short>(in.Word());
        got.id = in.Dword();
        got.windowClass = in.TextOrOrdinal();
        got.title = in.TextOrOrdinal();
        got.extraCount = in.Word();
        EXPECT_EQ(got.helpId, want.helpId);
        EXPECT_EQ(got.exStyle, want.exStyle);
        EXPECT_EQ(got.style, want.style);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.windowClass, want.windowClass);
        EXPECT_EQ(got.title, want.title);
        EXPECT_EQ(got.extraCount, want.extraCount);
    }
    EXPECT_TRUE(in.AtEnd());
    EXPECT_FALSE(in.Overran());
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

TEST(Resources, IconHasA32And16PixelImageOf16Colours) {
    ResourceModule module;
    ASSERT_NE(module.Get(), nullptr);
    const auto group = module.Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_APP_ICON));
    ASSERT_GE(group.size(), 6u);
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, 2);
    ASSERT_EQ(count, 2);
    ASSERT_EQ(group.size(), 6u + count * sizeof(GroupIconEntry));
    const int sizes[] = {32, 16};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(sizes[i]);
        GroupIconEntry entry{};
        std::memcpy(&entry, group.data() + 6 + static_cast<std::size_t>(i) * sizeof entry, sizeof entry);
        EXPECT_EQ(entry.width, sizes[i]);
        EXPECT_EQ(entry.height, sizes[i]);
        EXPECT_EQ(entry.colorCount, 16);
        EXPECT_EQ(entry.bitCount, 4);
        const auto image = module.Bytes(RT_ICON, MAKEINTRESOURCEW(entry.id));
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(image.size(), entry.bytesInRes);
        BITMAPINFOHEADER header{};
        std::memcpy(&header, image.data(), sizeof header);
        EXPECT_EQ(header.biWidth, sizes[i]);
        EXPECT_EQ(header.biHeight, 2 * sizes[i]);  // colour bits and mask
        EXPECT_EQ(header.biBitCount, 4);
    }
    // And the system makes an icon of it.
    EXPECT_NE(LoadImageW(module.Get(), MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON, 16, 16, 0), nullptr);
}

TEST(Resources, ManifestAsksForCommonControls6) {
    ResourceModule module;
    ASSERT_NE(module.Get(), nullptr);
    const auto bytes = module.Bytes(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));
    ASSERT_FALSE(bytes.empty());
    const std::string manifest(bytes.begin(), bytes.end());
    for (const char* needle :
         {"name=\"Tessmo\" version=\"1.0.0.0\" processorArchitecture=\"x86\" type=\"win32\"",
          "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
          "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\""}) {
        EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
    }
}

TEST(Resources, VersionIs1_0_1_9ForAWindowsApplication) {
    ResourceModule module;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(module.Path().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(module.Path().c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00010009u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00010009u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 0x04B0);
    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\FileVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, L"1, 0, 1, 9");
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, L"1, 0, 1, 9");
}

}  // namespace
}  // namespace tessmo::win32::testing
