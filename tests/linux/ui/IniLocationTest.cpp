// Which INI file the Linux programs read: working directory, then the user's
// configuration folder, then the installed examples, each file on its own.
#include <gtest/gtest.h>

#include "TempFolder.h"
#include "app/IniLocation.h"
#include "config/Settings.h"

namespace tessmo::linuxapp {
namespace {

TEST(IniLocation, FirstFolderHoldingTheFileWins) {
    configtest::TempFolder root;
    const char* const folders[] = {"cwd", "xdg/tessmo", "home/.config/tessmo", "share"};
    for (const char* folder : folders) std::filesystem::create_directories(root.File(folder));
    struct Case {
        const char* name;
        std::vector<std::string> files;  // folder/name written before the search
        std::optional<std::string> xdg;  // relative to root, or a relative value as given
        const char* expected;            // folder the settings come from; "" = not found
    };
    const Case cases[] = {
        {"working directory first", {"cwd", "xdg/tessmo", "share"}, "xdg", "cwd"},
        {"then XDG_CONFIG_HOME", {"xdg/tessmo", "home/.config/tessmo", "share"}, "xdg", "xdg/tessmo"},
        {"~/.config without XDG_CONFIG_HOME", {"home/.config/tessmo"}, std::nullopt, "home/.config/tessmo"},
        {"a relative XDG_CONFIG_HOME is ignored", {"home/.config/tessmo"}, "relative", "home/.config/tessmo"},
        {"then the installed examples", {"share"}, "xdg", "share"},
        {"nowhere", {}, "xdg", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* folder : folders) std::filesystem::remove(root.File(folder) / "Tessmo.ini");
        for (const std::string& folder : c.files) root.Write(folder + "/Tessmo.ini", "[Private]\n");
        IniSearch search{root.File("cwd"), std::nullopt, root.File("home").string(), root.File("share")};
        if (c.xdg) search.xdgConfigHome = *c.xdg == "relative" ? "relative" : root.File(*c.xdg).string();

        std::string report;
        const auto located = LocateIniFiles(search, report);
        const auto found = located.find(kSettingsFile);
        if (*c.expected == '\0') {
            EXPECT_EQ(found, located.end());
            EXPECT_NE(report.find("Tessmo.ini not found"), std::string::npos) << report;
        } else {
            ASSERT_NE(found, located.end());
            EXPECT_EQ(found->second, root.File(c.expected) / "Tessmo.ini");
            EXPECT_NE(report.find("reading Tessmo.ini from " + found->second.string()), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace tessmo::linuxapp
