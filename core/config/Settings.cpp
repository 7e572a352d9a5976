#include "config/Settings.h"

#include "config/ScratchText.h"

namespace tessmo {
namespace {

// The text fields hold kSettingsFieldChars characters with their terminator, so a
// longer value keeps its first 31. A cut that would split a surrogate pair drops the
// lone high half rather than leave half a character in a title.
std::u16string FieldText(std::u16string text) {
    constexpr std::size_t kLimit = kSettingsFieldChars - 1;
    if (text.size() > kLimit) {
        text.resize(kLimit);
        if (text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
    }
    return text;
}

// The reads of one settings file through one scratch buffer. A buffer without room
// (a file of length 0) reads every key as absent, without asking the source.
class SettingsReader {
public:
    SettingsReader(ProfileSource& profile, const std::u16string& path, ScratchText& buffer)
        : profile_(profile), path_(path), buffer_(buffer) {}

    std::u16string Text(const char16_t* key) {
        if (buffer_.Capacity() == 0) return {};
        return buffer_.Text(
            profile_.GetString(kSettingsSection, key, u"", buffer_.Data(), buffer_.Capacity(), path_));
    }

    std::uint32_t Int(const char16_t* key, std::int32_t defaultValue) {
        if (buffer_.Capacity() == 0) return static_cast<std::uint32_t>(defaultValue);
        return profile_.GetInt(kSettingsSection, key, defaultValue, path_);
    }

private:
    ProfileSource& profile_;
    const std::u16string& path_;
    ScratchText& buffer_;
};

// A size of 0 leaves the field as it was; any other value keeps its low 16 bits, so
// a negative one becomes a large height and 65536 becomes 0.
void ApplyFontSize(std::uint32_t value, std::uint16_t& field) {
    if (value != 0) field = static_cast<std::uint16_t>(value);
}

}  // namespace

int LoadSettings(ProfileSource& profile, const std::u16string& path, AppSettings& settings,
                 const SetWindowTitleFn& setWindowTitle) {
    const auto size = profile.FileLength(path);
    if (!size) return 0;
    ScratchText buffer(*size);
    if (!buffer.Valid()) return 0;
    SettingsReader read(profile, path, buffer);

    // The title goes straight to the window; it has no length limit of its own.
    const std::u16string title = read.Text(u"Title");
    if (setWindowTitle) setWindowTitle(title);
    settings.Col_Name = FieldText(read.Text(u"Col_Name"));
    settings.Col_Value = FieldText(read.Text(u"Col_Value"));
    ApplyFontSize(read.Int(u"App_Font_Size", 0), settings.App_Font_Size);
    settings.Custom_String = FieldText(read.Text(u"Custom_String"));
    settings.Custom_Font_Name = FieldText(read.Text(u"Custom_Font_Name"));
    ApplyFontSize(read.Int(u"Custom_Font_Size", 0), settings.Custom_Font_Size);
    settings.Custom_Font_Bold = static_cast<std::int32_t>(read.Int(u"Custom_Font_Bold", 1));
    return 1;
}

}  // namespace tessmo
