#pragma once
// The profile reads answered from one parse the caller holds, with the core's own read
// functions: the checker parses a file once, loads it through this source and checks
// that same parse, so its warnings can never disagree with what was loaded and the
// check costs little more than the load.
#include <cstdint>
#include <string>
#include <utility>

#include "config/IniDocument.h"
#include "config/ProfileSource.h"

namespace tessmo::catalog {

class DocumentProfileSource final : public ProfileSource {
public:
    // Answers for `path` only, as a file of `length` bytes; any other path is missing.
    DocumentProfileSource(std::u16string path, const IniDocument& document, std::uint32_t length)
        : path_(std::move(path)), document_(document), length_(length) {}

    std::optional<std::uint32_t> FileLength(const std::u16string& path) override {
        return path == path_ ? std::optional(length_) : std::nullopt;
    }
    std::uint32_t GetSectionNames(char16_t* buffer, std::uint32_t capacity,
                                  const std::u16string& path) override {
        return ProfileSectionNames(Document(path), buffer, capacity);
    }
    std::uint32_t GetSection(const std::u16string& section, char16_t* buffer, std::uint32_t capacity,
                             const std::u16string& path) override {
        return ProfileSection(Document(path), section, buffer, capacity);
    }
    std::uint32_t GetString(const std::u16string& section, const std::u16string& key,
                            const std::u16string& defaultValue, char16_t* buffer, std::uint32_t capacity,
                            const std::u16string& path) override {
        return ProfileString(Document(path), section, key, defaultValue, buffer, capacity);
    }
    std::uint32_t GetInt(const std::u16string& section, const std::u16string& key, std::int32_t defaultValue,
                         const std::u16string& path) override {
        return ProfileInt(Document(path), section, key, defaultValue);
    }

private:
    const IniDocument* Document(const std::u16string& path) const {
        return path == path_ ? &document_ : nullptr;
    }

    std::u16string path_;
    const IniDocument& document_;
    std::uint32_t length_;
};

}  // namespace tessmo::catalog
