#pragma once
// Where the program finds Tessmo.ini and Vorlund.ini on Linux: the working directory
// first (as on Windows), then the user's configuration folder, then the examples the
// package installs. Each file is looked up on its own, once, at start; the reader then
// reads the chosen file wherever the dialog asks for ".\Name.ini".
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/ProfileFiles.h"

namespace tessmo::linuxapp {

struct IniSearch {
    std::filesystem::path workingDirectory;
    std::optional<std::string> xdgConfigHome;  // $XDG_CONFIG_HOME, when set and not empty
    std::optional<std::string> home;           // $HOME
    std::filesystem::path installedExamples;   // <prefix>/share/tessmo
};

// The folders looked in, in order: the working directory, $XDG_CONFIG_HOME/tessmo (or
// ~/.config/tessmo; neither when both variables are unset or relative), the examples.
std::vector<std::filesystem::path> IniFolders(const IniSearch& search);

// The first `folder/name` that is a regular file, or nullopt.
std::optional<std::filesystem::path> FindIniFile(const std::vector<std::filesystem::path>& folders,
                                                 const std::string& name);

// The host's files, with the tool's own names for its INI files (".\Tessmo.ini")
// redirected to the files found. A name that was not found stays in the working
// directory, where it reads as missing.
class LocatedProfileFiles final : public ProfileFiles {
public:
    LocatedProfileFiles(ProfileFiles& host, std::map<std::u16string, std::filesystem::path> located);

    std::optional<std::uint64_t> OpenedLength(const std::u16string& path) override;
    std::optional<FileStamp> Stamp(const std::u16string& path) override;
    std::optional<FileContents> ReadAll(const std::u16string& path, std::uint64_t maxBytes) override;

private:
    std::u16string Resolve(const std::u16string& path) const;
    ProfileFiles& host_;
    std::map<std::u16string, std::u16string> located_;
};

// Looks up both INI files, says on `report` (one line each) which file will be read or
// that none was found, and returns the redirections for LocatedProfileFiles.
std::map<std::u16string, std::filesystem::path> LocateIniFiles(const IniSearch& search, std::string& report);

// The search for this process: the current directory, the environment, and the
// examples beside the executable (<bin>/../share/tessmo).
IniSearch ProcessIniSearch(const std::filesystem::path& executableDirectory);

}  // namespace tessmo::linuxapp
