#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "config/ProfileSource.h"

namespace tessmo {

inline constexpr char16_t kSettingsFile[] = u".\\Tessmo.ini";
inline constexpr char16_t kSettingsSection[] = u"Private";

// The text fields hold 32 wide characters with the terminator: longer values are cut to 31.
inline constexpr std::size_t kSettingsFieldChars = 32;

struct AppSettings {
    std::u16string Col_Name = u"Parameter Name";
    std::u16string Col_Value = u"Parameter Value";
    std::uint16_t App_Font_Size = 16;
    std::u16string Custom_String;
    std::u16string Custom_Font_Name = u"Times New Roman";
    std::uint16_t Custom_Font_Size = 22;
    std::int32_t Custom_Font_Bold = 1;
};

// The list font's fixed properties.
inline constexpr char16_t kListFontFace[] = u"Arial";
inline constexpr int kListFontWeight = 400;

using SetWindowTitleFn = std::function<void(const std::u16string& title)>;

// Reads section "Private" of `path` over `settings`. 1 = read; 0 = cannot be opened
// or no scratch buffer: nothing changes and the title is not touched.
int LoadSettings(ProfileSource& profile, const std::u16string& path, AppSettings& settings,
                 const SetWindowTitleFn& setWindowTitle);

}  // namespace tessmo
