#include "Output.h"

#include <cstdio>

#include "common/Text.h"

namespace tessmo::ctl {
namespace {

// Shown where the camera did not answer: never a guessed value.
constexpr char kUnread[] = "(unread)";

}  // namespace

std::string NameOf(const ParamItem& item) {
    return ToUtf8(item.MainStr);
}

std::string OptionLabel(const ParamItem& item, std::uint16_t value) {
    if (value < item.SubStrs.size()) return ToUtf8(item.SubStrs[value]);
    return "#" + std::to_string(value);
}

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string TextLines(const std::vector<ValueReport>& values) {
    std::string out;
    for (const ValueReport& report : values) {
        out +=
            NameOf(*report.item) + ": " + (report.value ? OptionLabel(*report.item, *report.value) : kUnread);
        out += '\n';
    }
    return out;
}

std::string JsonArray(const std::vector<ValueReport>& values) {
    std::string out = "[";
    for (const ValueReport& report : values) {
        if (out.size() > 1) out += ',';
        const ParamItem& item = *report.item;
        out += "{\"name\":" + JsonString(NameOf(item)) + ",\"ParaIdx\":" + std::to_string(item.ParaIdx);
        const bool known = report.value && *report.value < item.SubStrs.size();
        out += ",\"value\":" + (report.value ? std::to_string(*report.value) : std::string("null"));
        out +=
            ",\"option\":" + (known ? JsonString(ToUtf8(item.SubStrs[*report.value])) : std::string("null"));
        out += '}';
    }
    return out + "]";
}

void PrintResult(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace tessmo::ctl
