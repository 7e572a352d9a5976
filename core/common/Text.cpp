#include "common/Text.h"

namespace tessmo {
namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

constexpr char32_t kReplacement = 0xFFFD;

struct Utf8Step {
    char32_t codePoint = 0;
    std::size_t length = 1;  // bytes taken: a whole sequence, or what an ill-formed one consumed
    bool wellFormed = false;
};

// The sequence at `i`. Well-formed means shortest form, no surrogate, nothing above
// U+10FFFF. An ill-formed one takes its lead byte and the continuation bytes that
// fitted, so one broken character becomes one replacement.
Utf8Step NextUtf8(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) return {lead, 1, true};
    std::size_t extra = 0;
    char32_t cp = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1Fu, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0Fu, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07u, smallest = 0x10000;
    } else {
        return {};
    }
    std::size_t length = 1;
    for (; length <= extra && i + length < text.size(); ++length) {
        const auto next = static_cast<unsigned char>(text[i + length]);
        if ((next & 0xC0) != 0x80) break;
        cp = (cp << 6) | (next & 0x3Fu);
    }
    const bool wellFormed =
        length == extra + 1 && cp >= smallest && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    return {cp, length, wellFormed};
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::optional<std::u16string> DecodeUtf8(std::string_view text, Utf8Mode mode) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const Utf8Step step = NextUtf8(text, i);
        if (!step.wellFormed && mode == Utf8Mode::Strict) return std::nullopt;
        AppendUtf16(out, step.wellFormed ? step.codePoint : kReplacement);
        i += step.length;
    }
    return out;
}

std::u16string FromUtf8(std::string_view text) {
    return *DecodeUtf8(text, Utf8Mode::Replace);
}

char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

}  // namespace tessmo
