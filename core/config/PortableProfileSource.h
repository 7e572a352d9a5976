#pragma once
// The profile source where the system's profile functions are not available: the
// portable INI reader over the file system, with the Windows reading and buffer rules.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "config/IniDocument.h"
#include "config/ProfileFiles.h"
#include "config/ProfileSource.h"

namespace tessmo {

// Larger files are not read at all (every read then gives what a missing file gives):
// a definition file is a few kilobytes, and the bound keeps a stray huge file from
// costing gigabytes of memory.
inline constexpr std::uint64_t kMaxProfileFileBytes = 64u * 1024 * 1024;

class PortableProfileSource final : public ProfileSource {
public:
    PortableProfileSource();
    explicit PortableProfileSource(ProfileFiles& files);

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

private:
    struct CachedParse {
        std::u16string path;
        FileStamp stamp;
        std::shared_ptr<const IniDocument> document;  // null: the slot is free
        std::uint64_t lastUse = 0;
    };

    // The parse of the file as it is now; null when it cannot be read.
    std::shared_ptr<const IniDocument> Document(const std::u16string& path);

    // The tool reads two files; a few more slots cost nothing and keep callers that
    // switch between files from re-parsing.
    static constexpr std::size_t kCachedFiles = 4;

    ProfileFiles& files_;
    std::array<CachedParse, kCachedFiles> cache_;
    std::uint64_t uses_ = 0;
};

}  // namespace tessmo
