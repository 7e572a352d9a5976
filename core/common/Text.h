#pragma once
// Text in the core is UTF-16 (std::u16string), as on Windows; the trace and the
// command-line companion speak UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace tessmo {

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);
enum class Utf8Mode {
    Strict,   // the first ill-formed sequence fails the whole text (nullopt)
    Replace,  // each ill-formed sequence becomes one U+FFFD
};
// Shortest forms only; no surrogates; nothing above U+10FFFF.
std::optional<std::u16string> DecodeUtf8(std::string_view text, Utf8Mode mode);
// DecodeUtf8 replacing.
std::u16string FromUtf8(std::string_view text);

// ASCII-only case folding, as the camera match and the profile lookups need it.
char16_t AsciiLower(char16_t c);
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace tessmo
