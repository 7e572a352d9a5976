#pragma once
// A small strict checker for the fuzz targets: is a text exactly one JSON value (RFC 8259)
// in well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF)? Written
// here rather than taken from a JSON library because those accept more than the standard
// (lone surrogate escapes, raw control characters, invalid UTF-8) by design.
#include <cstddef>
#include <string_view>

namespace tessmo::fuzz {

// The length of the well-formed UTF-8 sequence at `text[i]`, 0 when there is none.
inline std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF;  // the second byte's range, which rules out overlongs and surrogates
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead == 0xE0)
        length = 3, low = 0xA0;
    else if (lead == 0xED)
        length = 3, high = 0x9F;
    else if (lead >= 0xE1 && lead <= 0xEF)
        length = 3;
    else if (lead == 0xF0)
        length = 4, low = 0x90;
    else if (lead == 0xF4)
        length = 4, high = 0x8F;
    else if (lead >= 0xF1 && lead <= 0xF3)
        length = 4;
    else
        return 0;
    if (text.size() - i < length || byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    }
    return length;
}

inline bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

class StrictJson {
public:
    static bool IsOneValue(std::string_view text) {
        StrictJson parser(text);
        return IsUtf8(text) && parser.Value(0) && (parser.SkipSpace(), parser.at_ == text.size());
    }

private:
    explicit StrictJson(std::string_view text) : text_(text) {}

    static constexpr int kMaxDepth = 64;

    bool More() const { return at_ < text_.size(); }
    char Peek() const { return More() ? text_[at_] : '\0'; }
    bool Eat(char c) { return Peek() == c && (++at_, true); }
    void SkipSpace() {
        while (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r') ++at_;
    }
    bool Literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }

    bool Value(int depth) {
        SkipSpace();
        if (depth > kMaxDepth) return false;
        switch (Peek()) {
            case '{':
                return Members(depth);
            case '[':
                return Elements(depth);
            case '"':
                return String();
            case 't':
                return Literal("true");
            case 'f':
                return Literal("false");
            case 'n':
                return Literal("null");
            default:
                return Number();
        }
    }

    bool Members(int depth) {
        ++at_;
        SkipSpace();
        if (Eat('}')) return true;
        do {
            SkipSpace();
            if (!String()) return false;
            SkipSpace();
            if (!Eat(':') || !Value(depth + 1)) return false;
            SkipSpace();
        } while (Eat(','));
        return Eat('}');
    }

    bool Elements(int depth) {
        ++at_;
        SkipSpace();
        if (Eat(']')) return true;
        do {
            if (!Value(depth + 1)) return false;
            SkipSpace();
        } while (Eat(','));
        return Eat(']');
    }

    bool Digits() {
        const std::size_t start = at_;
        while (Peek() >= '0' && Peek() <= '9') ++at_;
        return at_ > start;
    }

    bool Number() {
        Eat('-');
        if (!Eat('0') && !(Peek() >= '1' && Peek() <= '9' && Digits())) return false;
        if (Eat('.') && !Digits()) return false;
        if (Eat('e') || Eat('E')) {
            if (!Eat('+')) Eat('-');
            if (!Digits()) return false;
        }
        return true;
    }

    bool Hex4(unsigned& value) {
        value = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = Peek();
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return false;
            value = value * 16 + static_cast<unsigned>(digit);
            ++at_;
        }
        return true;
    }

    // \uD800-\uDBFF must be followed by \uDC00-\uDFFF; a lone low half is an error too.
    bool UnicodeEscape() {
        unsigned unit = 0;
        if (!Hex4(unit)) return false;
        if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
        if (unit < 0xD800 || unit > 0xDBFF) return true;
        unsigned low = 0;
        return Literal("\\u") && Hex4(low) && low >= 0xDC00 && low <= 0xDFFF;
    }

    bool String() {
        if (!Eat('"')) return false;
        while (More()) {
            const auto c = static_cast<unsigned char>(text_[at_++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c != '\\') continue;
            const char escaped = Peek();
            ++at_;
            if (escaped == 'u') {
                if (!UnicodeEscape()) return false;
            } else if (std::string_view("\"\\/bfnrt").find(escaped) == std::string_view::npos) {
                return false;
            }
        }
        return false;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace tessmo::fuzz
