#include "catalog/CatalogJson.h"

#include <cstdio>
#include <string_view>

#include "common/Text.h"

namespace tessmo::catalog {
namespace {

void AppendJsonString(std::string& out, std::u16string_view text) {
    out.push_back('"');
    for (const char c : ToUtf8(text)) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
}

// Starts a member of the object being written, with a comma unless it is the first.
void AppendKey(std::string& out, std::string_view name) {
    if (out.back() != '{') out.push_back(',');
    out.push_back('"');
    out += name;
    out += "\":";
}

void AppendField(std::string& out, std::string_view name, std::u16string_view text) {
    AppendKey(out, name);
    AppendJsonString(out, text);
}

void AppendField(std::string& out, std::string_view name, long long number) {
    AppendKey(out, name);
    out += std::to_string(number);
}

void AppendItem(std::string& out, const ParamItem& item) {
    out.push_back('{');
    AppendField(out, "MainStr", item.MainStr);
    AppendField(out, "ParaStr", item.ParaStr);
    AppendField(out, "ParaIdx", item.ParaIdx);
    out += ",\"SubStrs\":[";
    for (std::size_t j = 0; j < item.SubStrs.size(); ++j) {
        if (j != 0) out.push_back(',');
        AppendJsonString(out, item.SubStrs[j]);
    }
    out += "]}";
}

void AppendSettings(std::string& out, const SettingsReading& reading) {
    const AppSettings& s = reading.settings;
    out += ",\"settings\":{";
    AppendField(out, "Title", reading.title);
    AppendField(out, "Col_Name", s.Col_Name);
    AppendField(out, "Col_Value", s.Col_Value);
    AppendField(out, "App_Font_Size", s.App_Font_Size);
    AppendField(out, "Custom_String", s.Custom_String);
    AppendField(out, "Custom_Font_Name", s.Custom_Font_Name);
    AppendField(out, "Custom_Font_Size", s.Custom_Font_Size);
    AppendField(out, "Custom_Font_Bold", s.Custom_Font_Bold);
    out.push_back('}');
}

}  // namespace

std::string CatalogueJson(const ParamList& list, const SettingsReading* settings) {
    std::string out = "{\"parameters\":[";
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i != 0) out.push_back(',');
        AppendItem(out, list[i]);
    }
    out.push_back(']');
    if (settings) AppendSettings(out, *settings);
    out += "}\n";
    return out;
}

}  // namespace tessmo::catalog
