#include "config/PortableProfileSource.h"

#include <algorithm>
#include <limits>

namespace tessmo {

PortableProfileSource::PortableProfileSource() : PortableProfileSource(HostProfileFiles()) {}

PortableProfileSource::PortableProfileSource(ProfileFiles& files) : files_(files) {}

std::optional<std::uint32_t> PortableProfileSource::FileLength(const std::u16string& path) {
    const auto length = files_.OpenedLength(path);
    if (!length) return std::nullopt;
    // Beyond 4 GiB the length is reported as the largest one rather than wrapped to a
    // small number, so no buffer sized by it pretends to hold the file.
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(*length, std::numeric_limits<std::uint32_t>::max()));
}

// The catalogue reads the file four times per section, so a parse is kept and reused
// for as long as the file's stamp is unchanged; that keeps loading linear in the file's
// size. The stamp is taken on every read, so an edited file is never served stale.
std::shared_ptr<const IniDocument> PortableProfileSource::Document(const std::u16string& path) {
    const auto stamp = files_.Stamp(path);
    const auto cached = std::find_if(cache_.begin(), cache_.end(), [&](const CachedParse& slot) {
        return slot.document && slot.path == path;
    });
    if (cached != cache_.end()) {
        if (stamp && cached->stamp == *stamp) {
            cached->lastUse = ++uses_;
            return cached->document;
        }
        *cached = CachedParse{};
    }
    if (!stamp) return nullptr;

    const auto contents = files_.ReadAll(path, kMaxProfileFileBytes);
    if (!contents) return nullptr;
    auto document = std::make_shared<const IniDocument>(IniDocument::Parse(contents->bytes));
    // Free slots have lastUse 0, so they are taken before the least recently used one.
    CachedParse& slot =
        *std::min_element(cache_.begin(), cache_.end(),
                          [](const CachedParse& a, const CachedParse& b) { return a.lastUse < b.lastUse; });
    slot.path = path;
    // Keyed by the stamp of what was actually read: a change between the two calls
    // shows as a different stamp next time.
    slot.stamp = contents->stamp;
    slot.document = document;
    slot.lastUse = ++uses_;
    return document;
}

std::uint32_t PortableProfileSource::GetSectionNames(char16_t* buffer, std::uint32_t capacity,
                                                     const std::u16string& path) {
    const auto document = Document(path);
    return ProfileSectionNames(document.get(), buffer, capacity);
}

std::uint32_t PortableProfileSource::GetSection(const std::u16string& section, char16_t* buffer,
                                                std::uint32_t capacity, const std::u16string& path) {
    const auto document = Document(path);
    return ProfileSection(document.get(), section, buffer, capacity);
}

std::uint32_t PortableProfileSource::GetString(const std::u16string& section, const std::u16string& key,
                                               const std::u16string& defaultValue, char16_t* buffer,
                                               std::uint32_t capacity, const std::u16string& path) {
    const auto document = Document(path);
    return ProfileString(document.get(), section, key, defaultValue, buffer, capacity);
}

std::uint32_t PortableProfileSource::GetInt(const std::u16string& section, const std::u16string& key,
                                            std::int32_t defaultValue, const std::u16string& path) {
    const auto document = Document(path);
    return ProfileInt(document.get(), section, key, defaultValue);
}

}  // namespace tessmo
