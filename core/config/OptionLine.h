#pragma once
// The definition file's option-line rule, shared by the catalogue loader and the
// catalogue checker so that both always agree on what is an option.
#include <optional>
#include <string>
#include <string_view>

namespace tessmo {

inline constexpr std::u16string_view kOptionKeyPrefix = u"SubStr";

// A raw section line is an option line when its first six characters are exactly
// "SubStr" (SubStr0, SubStrX and SubStr itself alike); letter case counts.
inline bool HasOptionKey(std::u16string_view line) {
    return line.substr(0, kOptionKeyPrefix.size()) == kOptionKeyPrefix;
}

// The option an option line gives: everything after the first '=' with every double
// quote removed. A line without '=' is no option.
inline std::optional<std::u16string> OptionText(std::u16string_view line) {
    if (!HasOptionKey(line)) return std::nullopt;
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) return std::nullopt;
    std::u16string text;
    for (const char16_t c : line.substr(equals + 1)) {
        if (c != u'"') text.push_back(c);
    }
    return text;
}

}  // namespace tessmo
