#pragma once
// The profile source over the system's own profile functions: what the catalogue and
// the settings read is exactly what GetPrivateProfile*W give, buffers passed straight through.
#include "config/ProfileSource.h"

namespace tessmo::win32 {

class Win32ProfileSource final : public ProfileSource {
public:
    std::optional<std::uint32_t> FileLength(const std::u16string& path) override;
    std::uint32_t GetSectionNames(char16_t* buffer, std::uint32_t capacity,
                                  const std::u16string& path) override;
    std::uint32_t GetSection(const std::u16string& section, char16_t* buffer, std::uint32_t capacity,
                             const std::u16string& path) override;
    std::uint32_t GetString(const std::u16string& section, const std::u16string& key,
                            const std::u16string& defaultValue, char16_t* buffer, std::uint32_t capacity,
                            const std::u16string& path) override;
    std::uint32_t GetInt(const std::u16string& section, const std::u16string& key, std::int32_t defaultValue,
                         const std::u16string& path) override;
};

}  // namespace tessmo::win32
