#include "config/ProfileInt.h"

namespace tessmo {
namespace {

unsigned DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return static_cast<unsigned>(c - u'0');
    if (c >= u'a' && c <= u'z') return static_cast<unsigned>(c - u'a') + 10;
    if (c >= u'A' && c <= u'Z') return static_cast<unsigned>(c - u'A') + 10;
    return 36;
}

constexpr std::uint64_t kBeyond32Bits = std::uint64_t{1} << 32;

}  // namespace

ProfileIntReading ReadProfileInt(std::u16string_view text) {
    ProfileIntReading reading;
    std::size_t i = 0;
    while (i < text.size() && text[i] <= u' ') ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        reading.negative = text[i] == u'-';
        ++i;
    }
    if (i + 1 < text.size() && text[i] == u'0') {
        switch (text[i + 1]) {
            case u'x':
                reading.base = 16, i += 2;
                break;
            case u'o':
                reading.base = 8, i += 2;
                break;
            case u'b':
                reading.base = 2, i += 2;
                break;
            default:
                break;
        }
    }
    std::uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const unsigned digit = DigitValue(text[i]);
        if (digit >= reading.base) break;
        value = value * reading.base + digit;
        reading.hasDigits = true;
        if (!reading.beyond32Bits) {
            reading.magnitude = reading.magnitude * reading.base + digit;
            if (reading.magnitude >= kBeyond32Bits) {
                reading.beyond32Bits = true;
                reading.magnitude = kBeyond32Bits;
            }
        }
    }
    reading.end = i;
    reading.value = reading.negative ? 0u - value : value;
    return reading;
}

}  // namespace tessmo
