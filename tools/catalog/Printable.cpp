#include "catalog/Printable.h"

#include <cstdio>

#include "common/Text.h"

namespace tessmo::catalog {
namespace {

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool IsBidiControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

void AppendByteEscape(std::string& out, unsigned value) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", value);
    out += escaped;
}

void AppendEscape(std::string& out, char16_t c) {
    if (IsControl(c)) return AppendByteEscape(out, c);
    char escaped[16];
    std::snprintf(escaped, sizeof escaped, "\\u{%04X}", static_cast<unsigned>(c));
    out += escaped;
}

}  // namespace

std::string Printable(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t plainFrom = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (!IsControl(c) && !IsBidiControl(c)) continue;
        out += ToUtf8(text.substr(plainFrom, i - plainFrom));
        AppendEscape(out, c);
        plainFrom = i + 1;
    }
    out += ToUtf8(text.substr(plainFrom));
    return out;
}

std::string PrintablePath(std::string_view bytes) {
    if (const auto text = DecodeUtf8(bytes, Utf8Mode::Strict)) return Printable(*text);
    std::string out;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if (value >= 0x80 || IsControl(value)) {
            AppendByteEscape(out, value);
        } else {
            out.push_back(byte);
        }
    }
    return out;
}

}  // namespace tessmo::catalog
