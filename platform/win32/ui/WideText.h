#pragma once
// The core's UTF-16 text and the platform's wide strings are the same code units on
// Windows (wchar_t is 16 bits there); these only change the pointer type.
#include <string>

namespace tessmo::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide characters are UTF-16 code units");

inline const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// A buffer the system fills with wide characters.
inline wchar_t* Wide(char16_t* buffer) {
    return reinterpret_cast<wchar_t*>(buffer);
}

inline std::u16string FromWide(const wchar_t* text, std::size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

inline std::u16string FromWide(const std::wstring& text) {
    return FromWide(text.data(), text.size());
}

}  // namespace tessmo::win32
