#pragma once
// How the profile functions read an integer value, with what the reading found, so
// that a checker can tell an author when a value does not read the way it looks.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tessmo {

struct ProfileIntReading {
    std::uint32_t value = 0;  // what GetPrivateProfileIntW gives: the number modulo 2^32
    unsigned base = 10;       // 16, 8 or 2 when a "0x", "0o" or "0b" prefix chose it
    bool negative = false;
    bool hasDigits = false;       // false: the text does not start with a number and reads as 0
    bool beyond32Bits = false;    // the digits' magnitude did not fit 32 bits and wrapped
    std::uint64_t magnitude = 0;  // the digits' value without the sign, saturated at 2^32
    std::size_t end = 0;          // where reading stopped; text from here on is ignored
};

// The system converts the value as RtlUnicodeStringToInteger does with base 0: leading
// characters up to and including the space are skipped, one sign, then a "0x", "0o" or
// "0b" prefix picks base 16, 8 or 2 (decimal otherwise), and the digits run to the first
// character that is not one. Text that starts otherwise gives 0, and the result wraps
// modulo 2^32 ("4294967297" is 1, "-1" is 0xFFFFFFFF).
ProfileIntReading ReadProfileInt(std::u16string_view text);

}  // namespace tessmo
