#pragma once
// The profile reads the catalogue and the settings need, shaped like the Windows
// profile functions so that the Windows build hands them straight to
// GetPrivateProfile*W and the portable reader can be compared with those.
//
// Buffers belong to the caller. Each read fills at most `capacity` characters
// the way the Windows function does and returns what that function returns:
//  - GetString: the value, cut to capacity - 1 characters, NUL-terminated; returns
//    the number of characters copied (without the NUL). capacity 0 writes nothing, returns 0.
//  - GetSectionNames / GetSection: NUL-terminated texts one after another, ended by an
//    empty text (a second NUL). When they do not fit, the list is cut, still ends with two
//    NULs, and the result is capacity - 2. Otherwise the result counts every character
//    written except the final NUL. capacity < 2 writes nothing usable and returns 0.
//    (A list that needs the very last character of the buffer counts as cut.)
#include <cstdint>
#include <optional>
#include <string>

namespace tessmo {

class ProfileSource {
public:
    virtual ~ProfileSource() = default;

    // The file's length in bytes, learnt by opening it for reading (shared for reading
    // and writing; it must exist). nullopt when it cannot be opened.
    virtual std::optional<std::uint32_t> FileLength(const std::u16string& path) = 0;

    virtual std::uint32_t GetSectionNames(char16_t* buffer, std::uint32_t capacity,
                                          const std::u16string& path) = 0;
    virtual std::uint32_t GetSection(const std::u16string& section, char16_t* buffer, std::uint32_t capacity,
                                     const std::u16string& path) = 0;
    virtual std::uint32_t GetString(const std::u16string& section, const std::u16string& key,
                                    const std::u16string& defaultValue, char16_t* buffer,
                                    std::uint32_t capacity, const std::u16string& path) = 0;
    virtual std::uint32_t GetInt(const std::u16string& section, const std::u16string& key,
                                 std::int32_t defaultValue, const std::u16string& path) = 0;
};

}  // namespace tessmo
