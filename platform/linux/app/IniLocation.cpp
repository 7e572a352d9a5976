#include "app/IniLocation.h"

#include <cstdlib>
#include <system_error>

#include "common/Text.h"
#include "config/Catalogue.h"
#include "config/Settings.h"

namespace tessmo::linuxapp {
namespace fs = std::filesystem;

std::vector<fs::path> IniFolders(const IniSearch& search) {
    std::vector<fs::path> folders{search.workingDirectory};
    // XDG base directories given as relative paths are to be ignored.
    if (search.xdgConfigHome && fs::path(*search.xdgConfigHome).is_absolute()) {
        folders.push_back(fs::path(*search.xdgConfigHome) / "tessmo");
    } else if (search.home && fs::path(*search.home).is_absolute()) {
        folders.push_back(fs::path(*search.home) / ".config" / "tessmo");
    }
    folders.push_back(search.installedExamples);
    return folders;
}

std::optional<fs::path> FindIniFile(const std::vector<fs::path>& folders, const std::string& name) {
    for (const fs::path& folder : folders) {
        std::error_code error;
        const fs::path candidate = folder / name;
        if (fs::is_regular_file(candidate, error)) return candidate;
    }
    return std::nullopt;
}

LocatedProfileFiles::LocatedProfileFiles(ProfileFiles& host, std::map<std::u16string, fs::path> located)
    : host_(host) {
    for (const auto& [toolPath, file] : located) located_[toolPath] = FromUtf8(file.string());
}

std::u16string LocatedProfileFiles::Resolve(const std::u16string& path) const {
    const auto found = located_.find(path);
    return found != located_.end() ? found->second : path;
}

std::optional<std::uint64_t> LocatedProfileFiles::OpenedLength(const std::u16string& path) {
    return host_.OpenedLength(Resolve(path));
}

std::optional<FileStamp> LocatedProfileFiles::Stamp(const std::u16string& path) {
    return host_.Stamp(Resolve(path));
}

std::optional<FileContents> LocatedProfileFiles::ReadAll(const std::u16string& path, std::uint64_t maxBytes) {
    return host_.ReadAll(Resolve(path), maxBytes);
}

std::map<std::u16string, fs::path> LocateIniFiles(const IniSearch& search, std::string& report) {
    const std::vector<fs::path> folders = IniFolders(search);
    const std::pair<const char16_t*, const char*> files[] = {{kSettingsFile, "Tessmo.ini"},
                                                             {kDefinitionFile, "Vorlund.ini"}};
    std::map<std::u16string, fs::path> located;
    for (const auto& [toolPath, name] : files) {
        if (const auto found = FindIniFile(folders, name)) {
            located[toolPath] = *found;
            report += std::string("reading ") + name + " from " + found->string() + "\n";
            continue;
        }
        std::string looked;
        for (const fs::path& folder : folders) looked += (looked.empty() ? "" : ", ") + folder.string();
        report += std::string(name) + " not found (looked in " + looked + ")\n";
    }
    return located;
}

IniSearch ProcessIniSearch(const fs::path& executableDirectory) {
    IniSearch search;
    std::error_code error;
    search.workingDirectory = fs::current_path(error);
    if (error) search.workingDirectory = ".";
    auto variable = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') return std::nullopt;
        return std::string(value);
    };
    search.xdgConfigHome = variable("XDG_CONFIG_HOME");
    search.home = variable("HOME");
    search.installedExamples = (executableDirectory / ".." / "share" / "tessmo").lexically_normal();
    return search;
}

}  // namespace tessmo::linuxapp
