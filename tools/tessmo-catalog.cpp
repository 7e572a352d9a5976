// tessmo-catalog: prints a definition file's catalogue as JSON, read through the
// same loader the tool uses, and warns on stderr about likely authoring mistakes.
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/Text.h"
#include "config/Catalogue.h"
#include "config/PortableProfileSource.h"
#include "config/Settings.h"

namespace {

using tessmo::ToUtf8;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 2;
constexpr std::size_t kMaxStorableOptions = 256;  // the camera stores an option index in one byte

constexpr char kUsage[] =
    "Usage: tessmo-catalog [DEFINITION_FILE] [--settings SETTINGS_FILE]\n"
    "\n"
    "Loads a parameter-definition file with exactly the loader the camera tool uses\n"
    "(default: Vorlund.ini in the current folder) and prints its catalogue as JSON:\n"
    "  {\"parameters\":[{\"MainStr\":\"...\",\"ParaStr\":\"...\",\"ParaIdx\":7,\"SubStrs\":[\"...\"]}]}\n"
    "one element per parameter in file order, ParaIdx as the stored 16-bit number.\n"
    "\n"
    "With --settings, the settings file's window title and appearance settings are\n"
    "added as \"settings\":{...}.\n"
    "\n"
    "Warnings about likely mistakes go to stderr: a key spelt \"SubStr\" in another\n"
    "letter case (not an option), a section without options, a missing ParaIdx,\n"
    "a ParaIdx used twice, more than 256 options (the camera stores one byte),\n"
    "a section name used twice (every copy reads the first).\n"
    "\n"
    "Exit status: 0 on success; 2 when a file cannot be opened or the arguments\n"
    "are wrong (then nothing is printed on stdout).\n";

void AppendJsonString(std::string& out, std::u16string_view text) {
    out.push_back('"');
    for (const char c : ToUtf8(text)) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
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

std::u16string Trimmed(std::u16string_view text) {
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\v'; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return std::u16string(text.substr(begin, end - begin));
}

// The raw lines of one section, as the loader sees them.
std::vector<std::u16string> SectionLines(tessmo::ProfileSource& profile, const std::u16string& path,
                                         const std::u16string& section, std::uint32_t capacity) {
    std::vector<std::u16string> lines;
    if (capacity < 2) return lines;
    std::vector<char16_t> buffer(capacity);
    const std::uint32_t used = profile.GetSection(section, buffer.data(), capacity, path);
    std::size_t start = 0;
    for (std::size_t i = 0; i < used && i < buffer.size(); ++i) {
        if (buffer[i] == u'\0') {
            if (i == start) break;
            lines.emplace_back(buffer.data() + start, i - start);
            start = i + 1;
        }
    }
    return lines;
}

std::vector<std::u16string> SectionNames(tessmo::ProfileSource& profile, const std::u16string& path,
                                         std::uint32_t capacity) {
    std::vector<std::u16string> names;
    if (capacity < 2) return names;
    std::vector<char16_t> buffer(capacity);
    const std::uint32_t used = profile.GetSectionNames(buffer.data(), capacity, path);
    std::size_t start = 0;
    for (std::size_t i = 0; i < used && i < buffer.size(); ++i) {
        if (buffer[i] == u'\0') {
            names.emplace_back(buffer.data() + start, i - start);
            start = i + 1;
        }
    }
    return names;
}

void Warn(const std::string& file, const std::string& message) {
    std::fprintf(stderr, "%s: warning: %s\n", file.c_str(), message.c_str());
}

// Mistakes that load without error but rarely mean what their author meant.
void LintDefinitions(tessmo::ProfileSource& profile, const std::u16string& path,
                     const std::string& displayPath, const tessmo::ParamList& list) {
    const std::uint32_t size = profile.FileLength(path).value_or(0);
    const std::vector<std::u16string> names = SectionNames(profile, path, size);
    std::map<std::u16string, std::size_t> firstSeen;
    std::map<std::uint16_t, std::u16string> paraIdxOwner;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::u16string& name = names[i];
        const std::string label = "section [" + ToUtf8(name) + "]";
        std::u16string folded;
        for (char16_t c : name) folded.push_back(tessmo::AsciiLower(c));
        if (!firstSeen.emplace(folded, i).second) {
            Warn(displayPath, label + " appears more than once; every copy reads the first one");
        }
        bool hasParaIdx = false;
        for (const std::u16string& line : SectionLines(profile, path, name, size)) {
            const std::size_t eq = line.find(u'=');
            const std::u16string key = Trimmed(std::u16string_view(line).substr(0, eq));
            if (tessmo::EqualsIgnoreAsciiCase(key, u"ParaIdx")) hasParaIdx = true;
            if (line.size() >= 6 && tessmo::EqualsIgnoreAsciiCase(std::u16string_view(line).substr(0, 6), u"SubStr") &&
                line.compare(0, 6, u"SubStr") != 0) {
                Warn(displayPath, label + ": key \"" + ToUtf8(key) +
                                      "\" is not an option line: option keys begin with \"SubStr\" exactly");
            }
        }
        if (i >= list.size()) continue;
        const tessmo::ParamItem& item = list[i];
        if (item.SubStrs.empty()) Warn(displayPath, label + " has no options");
        if (item.SubStrs.size() > kMaxStorableOptions) {
            Warn(displayPath, label + " has " + std::to_string(item.SubStrs.size()) +
                                  " options; the camera stores only indexes 0 to 255");
        }
        if (!hasParaIdx) {
            Warn(displayPath, label + " has no ParaIdx; 65535 is sent to the camera");
        } else if (auto [owner, inserted] = paraIdxOwner.emplace(item.ParaIdx, name); !inserted) {
            Warn(displayPath, label + " uses ParaIdx " + std::to_string(item.ParaIdx) +
                                  ", already used by [" + ToUtf8(owner->second) + "]");
        }
    }
}

std::string CatalogueJson(const tessmo::ParamList& list) {
    std::string out = "{\"parameters\":[";
    for (std::size_t i = 0; i < list.size(); ++i) {
        const tessmo::ParamItem& item = list[i];
        if (i != 0) out.push_back(',');
        out += "{\"MainStr\":";
        AppendJsonString(out, item.MainStr);
        out += ",\"ParaStr\":";
        AppendJsonString(out, item.ParaStr);
        out += ",\"ParaIdx\":" + std::to_string(item.ParaIdx) + ",\"SubStrs\":[";
        for (std::size_t j = 0; j < item.SubStrs.size(); ++j) {
            if (j != 0) out.push_back(',');
            AppendJsonString(out, item.SubStrs[j]);
        }
        out += "]}";
    }
    out += "]";
    return out;
}

std::string SettingsJson(const std::u16string& title, const tessmo::AppSettings& s) {
    std::string out = ",\"settings\":{\"Title\":";
    AppendJsonString(out, title);
    out += ",\"Col_Name\":";
    AppendJsonString(out, s.Col_Name);
    out += ",\"Col_Value\":";
    AppendJsonString(out, s.Col_Value);
    out += ",\"App_Font_Size\":" + std::to_string(s.App_Font_Size);
    out += ",\"Custom_String\":";
    AppendJsonString(out, s.Custom_String);
    out += ",\"Custom_Font_Name\":";
    AppendJsonString(out, s.Custom_Font_Name);
    out += ",\"Custom_Font_Size\":" + std::to_string(s.Custom_Font_Size);
    out += ",\"Custom_Font_Bold\":" + std::to_string(s.Custom_Font_Bold) + "}";
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string definitionPath;
    std::string settingsPath;
    bool haveSettings = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        if (arg == "--settings") {
            if (i + 1 >= argc) {
                std::fputs("tessmo-catalog: --settings needs a file name\n", stderr);
                return kExitFailure;
            }
            settingsPath = argv[++i];
            haveSettings = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "tessmo-catalog: unknown option %s (see --help)\n", argv[i]);
            return kExitFailure;
        } else if (definitionPath.empty()) {
            definitionPath = std::string(arg);
        } else {
            std::fputs("tessmo-catalog: only one definition file can be given (see --help)\n", stderr);
            return kExitFailure;
        }
    }
    if (definitionPath.empty()) definitionPath = "Vorlund.ini";

    tessmo::PortableProfileSource profile;
    const std::u16string path = tessmo::FromUtf8(definitionPath);
    if (!profile.FileLength(path)) {
        std::fprintf(stderr, "tessmo-catalog: cannot open definition file %s\n", definitionPath.c_str());
        return kExitFailure;
    }
    tessmo::ParamList list;
    if (tessmo::LoadParamList(profile, path, list) == 0) {
        std::fprintf(stderr, "tessmo-catalog: cannot read definition file %s\n", definitionPath.c_str());
        return kExitFailure;
    }

    std::string json = CatalogueJson(list);
    if (haveSettings) {
        const std::u16string settingsFile = tessmo::FromUtf8(settingsPath);
        tessmo::AppSettings settings;
        std::u16string title;
        if (tessmo::LoadSettings(profile, settingsFile, settings,
                                 [&title](const std::u16string& t) { title = t; }) == 0) {
            std::fprintf(stderr, "tessmo-catalog: cannot open settings file %s\n", settingsPath.c_str());
            return kExitFailure;
        }
        json += SettingsJson(title, settings);
    }
    json += "}\n";

    LintDefinitions(profile, path, definitionPath, list);
    std::fwrite(json.data(), 1, json.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
}
