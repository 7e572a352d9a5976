// The catalogue and settings loaders end to end on arbitrary bytes, through the portable
// profile source as the tool uses it. The first input byte may make the file report a
// shorter length than its bytes (a file rewritten between the length check and the read),
// so the loaders' buffers are also exercised too small. Whatever the bytes: both loads
// succeed, a load leaves every item unset and clean, no section is lost while the
// buffers are whole, a reload gives the same list, and settings fields stay within 31.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "catalog/MemoryProfileFiles.h"
#include "config/Catalogue.h"
#include "config/IniDocument.h"
#include "config/PortableProfileSource.h"
#include "config/Settings.h"

namespace {

using namespace tessmo;

void Require(bool condition) {
    if (!condition) std::abort();
}

bool SameDefinitions(const ParamList& a, const ParamList& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].MainStr != b[i].MainStr || a[i].ParaStr != b[i].ParaStr || a[i].ParaIdx != b[i].ParaIdx ||
            a[i].SubStrs != b[i].SubStrs) {
            return false;
        }
    }
    return true;
}

// Characters the section-name list needs: each listed name with its NUL, then one more.
std::size_t NameListChars(const IniDocument& document, std::size_t& listed) {
    std::size_t chars = 1;
    listed = 0;
    for (const IniSection& section : document.Sections()) {
        if (section.name.empty()) continue;
        chars += section.name.size() + 1;
        ++listed;
    }
    return chars;
}

void CheckDefinitions(ProfileSource& profile, std::string_view bytes, bool exactLength) {
    ParamList list(1);
    list[0].CurIdx = 3;
    Require(LoadParamList(profile, u"Vorlund.ini", list) == 1);
    for (const ParamItem& item : list) {
        Require(item.CurIdx == kNoOption && item.Dirty == 0);
        for (const std::u16string& option : item.SubStrs) Require(option.find(u'"') == std::u16string::npos);
    }
    std::size_t listed = 0;
    const std::size_t needed = NameListChars(IniDocument::Parse(bytes), listed);
    // A buffer of the file's length holds every name unless the names are nearly all the file.
    if (exactLength && needed <= bytes.size()) Require(list.size() == listed);

    ParamList again;
    Require(LoadParamList(profile, u"Vorlund.ini", again) == 1);
    Require(SameDefinitions(list, again));
    Require(LoadParamList(profile, u"missing.ini", again) == 0 && SameDefinitions(list, again));
}

void CheckSettings(ProfileSource& profile) {
    AppSettings settings;
    int titles = 0;
    Require(LoadSettings(profile, u"Tessmo.ini", settings, [&](const std::u16string&) { ++titles; }) == 1);
    Require(titles == 1);
    for (const std::u16string* field :
         {&settings.Col_Name, &settings.Col_Value, &settings.Custom_String, &settings.Custom_Font_Name}) {
        Require(field->size() < kSettingsFieldChars);
        Require(field->empty() || field->back() < 0xD800 || field->back() > 0xDBFF);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    // 0-127: the true length; 128-255: a fraction of it.
    const bool exactLength = data[0] < 128;
    const std::uint64_t length = exactLength ? bytes.size() : bytes.size() * (data[0] - 128u) / 128u;

    catalog::MemoryProfileFiles files;
    files.Put(u"Vorlund.ini", bytes, length);
    files.Put(u"Tessmo.ini", bytes, length);
    PortableProfileSource profile(files);
    CheckDefinitions(profile, bytes, exactLength);
    CheckSettings(profile);
    return 0;
}
