#include "config/Catalogue.h"

#include "config/OptionLine.h"
#include "config/ScratchText.h"

namespace tessmo {
namespace {

std::u16string ReadText(ProfileSource& profile, const std::u16string& path, const std::u16string& section,
                        const std::u16string& key, ScratchText& buffer) {
    if (buffer.Capacity() == 0) return {};
    return buffer.Text(profile.GetString(section, key, u"", buffer.Data(), buffer.Capacity(), path));
}

}  // namespace

int LoadParamList(ProfileSource& profile, const std::u16string& path, ParamList& list) {
    const auto size = profile.FileLength(path);
    if (!size) return 0;
    ScratchText names(*size);
    if (!names.Valid()) return 0;

    // Built aside and swapped in at the end, so nothing can leave the list half-loaded.
    ParamList loaded;
    if (names.Capacity() > 0) {  // a file of length 0 has no sections
        const std::uint32_t count = profile.GetSectionNames(names.Data(), names.Capacity(), path);
        names.ForEachListText(count, [&](std::u16string_view name) {
            // A section whose buffer cannot be had is skipped; the rest still load.
            LoadParamSection(profile, path, std::u16string(name), loaded);
        });
    }
    list.swap(loaded);
    return 1;
}

bool LoadParamSection(ProfileSource& profile, const std::u16string& path, const std::u16string& section,
                      ParamList& list) {
    if (path.empty() || section.empty()) return false;
    ParamItem item;  // no options, CurIdx unset, not Dirty

    const auto size = profile.FileLength(path);
    if (!size) return false;
    ScratchText buffer(*size);
    if (!buffer.Valid()) return false;

    // Each read gets the whole buffer: sized by the file, it holds any value the file has.
    item.MainStr = ReadText(profile, path, section, u"MainStr", buffer);
    item.ParaStr = ReadText(profile, path, section, u"ParaStr", buffer);
    // A missing ParaIdx reads as -1 and so becomes 0xFFFF.
    item.ParaIdx = static_cast<std::uint16_t>(profile.GetInt(section, u"ParaIdx", -1, path));

    if (buffer.Capacity() > 0) {
        const std::uint32_t count = profile.GetSection(section, buffer.Data(), buffer.Capacity(), path);
        buffer.ForEachListText(count, [&](std::u16string_view line) {
            if (auto option = OptionText(line)) item.SubStrs.push_back(std::move(*option));
        });
    }

    list.push_back(std::move(item));
    return true;
}

}  // namespace tessmo
