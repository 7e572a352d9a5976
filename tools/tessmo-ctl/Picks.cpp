// set's arguments: NAME=OPTION, checked against the catalogue before anything is sent.
#include <charconv>
#include <string_view>

#include "Ctl.h"
#include "common/Text.h"

namespace tessmo::ctl {
namespace {

// The camera stores an option index in one byte; a larger index would go out cut to
// its low byte and select some other option.
constexpr std::size_t kStorableOptions = 256;

std::vector<std::size_t> RowsNamed(const ParamList& list, std::u16string_view name) {
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < list.size(); ++row) {
        if (list[row].MainStr == name) rows.push_back(row);
    }
    return rows;
}

// What can be given instead, kept to one readable line however many options there are.
std::string OptionsHint(const ParamItem& item) {
    constexpr std::size_t kShown = 8;
    if (item.SubStrs.empty()) return " (it has no options)";
    std::string hint = " (options:";
    for (std::size_t i = 0; i < item.SubStrs.size() && i < kShown; ++i)
        hint += " \"" + OptionLabel(item, static_cast<std::uint16_t>(i)) + "\"";
    if (item.SubStrs.size() > kShown) hint += " ...";
    return hint + ", or #0 to #" + std::to_string(item.SubStrs.size() - 1) + ")";
}

// "#N" with N a plain decimal number.
std::optional<std::size_t> IndexOf(std::string_view text) {
    if (text.size() < 2 || text[0] != '#') return std::nullopt;
    std::size_t index = 0;
    const auto [end, ec] = std::from_chars(text.data() + 1, text.data() + text.size(), index);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return index;
}

// Names may hold '=' themselves, so every split is tried: exactly one must name a
// parameter. Returns the position of the '=' that separates name and option.
std::optional<std::size_t> SplitAt(const ParamList& list, const std::string& argument, std::string& error) {
    std::optional<std::size_t> found;
    for (std::size_t eq = argument.find('='); eq != std::string::npos; eq = argument.find('=', eq + 1)) {
        if (RowsNamed(list, FromUtf8(std::string_view(argument).substr(0, eq))).empty()) continue;
        if (found) {
            error = "\"" + argument + "\" can be read as more than one NAME=OPTION";
            return std::nullopt;
        }
        found = eq;
    }
    if (!found) {
        const std::size_t eq = argument.find('=');
        error = eq == std::string::npos ? "\"" + argument + "\" is not NAME=OPTION"
                                        : "no parameter is named \"" + argument.substr(0, eq) + "\"";
    }
    return found;
}

std::optional<std::uint16_t> OptionFor(const ParamItem& item, const std::string& text, std::string& error) {
    const std::u16string wanted = FromUtf8(text);
    std::optional<std::size_t> byText;
    for (std::size_t i = 0; i < item.SubStrs.size() && !byText; ++i) {
        if (item.SubStrs[i] == wanted) byText = i;
    }
    const std::optional<std::size_t> byIndex = IndexOf(text);
    const std::string label = NameOf(item);
    if (byText && byIndex && *byText != *byIndex) {
        error = label + ": \"" + text + "\" is both an option's text and another option's index";
        return std::nullopt;
    }
    std::optional<std::size_t> option = byText ? byText : byIndex;
    if (!option || *option >= item.SubStrs.size()) {
        error = label + " has no option \"" + text + "\"" + OptionsHint(item);
        return std::nullopt;
    }
    if (*option >= kStorableOptions) {
        error = label + ": option " + text + " is beyond what the camera stores (indexes 0 to 255)";
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*option);
}

}  // namespace

std::optional<std::vector<Pick>> ResolvePicks(const ParamList& list,
                                              const std::vector<std::string>& arguments, std::string& error) {
    std::vector<Pick> picks;
    for (const std::string& argument : arguments) {
        const std::optional<std::size_t> eq = SplitAt(list, argument, error);
        if (!eq) return std::nullopt;
        const std::string name = argument.substr(0, *eq);
        const std::vector<std::size_t> rows = RowsNamed(list, FromUtf8(name));
        if (rows.size() > 1) {
            error = "more than one parameter is named \"" + name + "\"";
            return std::nullopt;
        }
        for (const Pick& earlier : picks) {
            if (earlier.row == rows[0]) {
                error = "\"" + name + "\" is given more than once";
                return std::nullopt;
            }
        }
        const std::optional<std::uint16_t> option = OptionFor(list[rows[0]], argument.substr(*eq + 1), error);
        if (!option) return std::nullopt;
        picks.push_back({rows[0], *option});
    }
    return picks;
}

}  // namespace tessmo::ctl
