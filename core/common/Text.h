#pragma once
// Text in the core is UTF-16 (std::u16string), as on Windows; the trace and the
// command-line companion speak UTF-8.
#include <string>
#include <string_view>

namespace tessmo {

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);
// Ill-formed sequences become U+FFFD.
std::u16string FromUtf8(std::string_view text);

// ASCII-only case folding, as the camera match and the profile lookups need it.
char16_t AsciiLower(char16_t c);
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace tessmo
