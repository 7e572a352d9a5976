// tessmo-ctl run as a user runs it, over the simulated camera: what it prints, its exit
// status, and the exact requests that reached the camera (the simulated camera's log).
#include <fnmatch.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "TempFolder.h"

namespace {

using tessmo::configtest::TempFolder;

constexpr char kDefinition[] =
    "[Res]\nMainStr=Resolution\nParaIdx=1\nSubStr0=1080p\nSubStr1=720p\n"
    "[Loop]\nMainStr=Loop\nParaIdx=2\nSubStr0=Off\nSubStr1=1 Minute\nSubStr2=3 Minutes\n";
// Names and options beyond ASCII, and a name JSON must escape.
constexpr char kUnicodeDefinition[] =
    "[Q]\nMainStr=Qualit\xC3\xA9\nParaIdx=9\nSubStr0=Basse\nSubStr1=\xC3\x89lev\xC3\xA9\x65\n"
    "[S]\nMainStr=Say \"hi\\\"\nParaIdx=8\nSubStr0=x\n"
    "[T1]\nMainStr=Twin\nParaIdx=5\nSubStr0=a\n[T2]\nMainStr=Twin\nParaIdx=6\nSubStr0=a\n"
    "[E]\nMainStr=Mode=Fast\nParaIdx=7\nSubStr0=a\nSubStr1=x=y\n";

// A parameter with more options than the camera's one byte can select.
std::string ManyOptions() {
    std::string definition = "[Big]\nMainStr=Big\nParaIdx=3\n";
    for (int i = 0; i < 300; ++i)
        definition += "SubStr" + std::to_string(i) + "=o" + std::to_string(i) + "\n";
    return definition;
}

// The reads of the default definition when the camera holds 1 and 2 (the select carries the
// slot's last byte).
constexpr char kReads[] = "SET 26 0100000000 0|GET 10 01 0|SET 26 0200000001 0|GET 10 02 0";
constexpr char kClock[] = "SET 13 00000000* 0|SET 13 00000100* 0";

struct Result {
    int status;
    std::string out, err, wire;  // wire: one request per line of the log, '|' between them here
};

// The tool over the simulated camera in `folder` (behind `prefix`, e.g. a timeout), in a
// clean environment under the C locale; its stdout, stderr and request log land there.
Result RunCtl(const TempFolder& folder, const std::vector<std::string>& args,
              const std::vector<std::string>& env, const std::string& prefix = "") {
    std::string command =
        "cd '" + folder.File("").string() + "' && " + prefix + " env -i LANG=C TESSMO_SIM_LOG=wire";
    for (const std::string& e : env) command += " '" + e + "'";
    command += " '" TESSMO_CTL_TOOL "' --simulated";
    for (const std::string& a : args) command += " '" + a + "'";
    const int raw = std::system((command + " >out 2>err").c_str());
    std::string wire = folder.Read("wire");
    if (wire.ends_with('\n')) wire.pop_back();
    std::replace(wire.begin(), wire.end(), '\n', '|');
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, folder.Read("out"), folder.Read("err"), wire};
}

// '*' stands for any text, '@' for one digit; everything else for itself.
bool Matches(std::string_view pattern, const std::string& text) {
    std::string glob;
    for (const char ch : pattern)
        glob += ch == '@' ? "[0-9]" : std::strchr("?[\\", ch) ? std::string{'\\', ch} : std::string{ch};
    return ::fnmatch(glob.c_str(), text.c_str(), 0) == 0;
}

struct Case {
    const char* name;
    std::vector<std::string> args = {}, env = {};
    int status = 0;
    std::string out = {}, err = {};  // patterns (see Matches) of all of stdout and of all of stderr
    std::string wire = {};           // pattern of the requests, '|' between them
    std::string definition = kDefinition;
};

class Ctl : public ::testing::TestWithParam<Case> {};

TEST_P(Ctl, RunsOverTheSimulatedCamera) {
    const Case& c = GetParam();
    const TempFolder folder;
    folder.Write("Vorlund.ini", c.definition);
    const Result r = RunCtl(folder, c.args, c.env);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_PRED2(Matches, c.out, r.out);
    EXPECT_PRED2(Matches, c.err, r.err);
    EXPECT_PRED2(Matches, c.wire, r.wire);
}

const std::string kBothHeld = "TESSMO_SIM_OPTIONS=1=1,2=2";
const std::string kReadsAndClock = std::string(kReads) + "|" + kClock;
const std::string kClockLine = "clock: @@@@-@@-@@ @@:@@:@@\n";
const std::string kOneLine = "tessmo-ctl: *";  // one message line naming the cause
const auto kName = [](const ::testing::TestParamInfo<Case>& row) { return std::string(row.param.name); };

// clang-format off
INSTANTIATE_TEST_SUITE_P(Commands, Ctl, ::testing::Values(
    Case{.name = "ShowReadsOnlyAndNamesOptionsOrIndexes", .args = {"show"}, .env = {"TESSMO_SIM_OPTIONS=1=1,2=7"},
         .out = "Resolution: 720p\nLoop: #7\n",
         .wire = "SET 26 0100000000 0|GET 10 01 0|SET 26 0200000001 0|GET 10 07 0"},
    Case{.name = "ShowJsonListsAnUnreadParameterAsNull", .args = {"--json", "show"},
         .env = {kBothHeld, "TESSMO_SIM_FAIL=4:0x8007048F"}, .status = 3,
         .out = "{\"parameters\":[{\"name\":\"Resolution\",\"ParaIdx\":1,\"value\":1,\"option\":\"720p\"},"
                "{\"name\":\"Loop\",\"ParaIdx\":2,\"value\":null,\"option\":null}]}\n",
         .err = "tessmo-ctl: Loop: the camera did not answer the read (0x8007048F ERROR_DEVICE_NOT_CONNECTED)\n",
         .wire = "SET 26 0100000000 0|GET 10 01 0|SET 26 0200000001 0|GET 10  -2147023729"},
    Case{.name = "ShowWithoutCamera", .args = {"show"}, .env = {"TESSMO_SIM_VANISH_AFTER=0"}, .status = 1,
         .err = "tessmo-ctl: no camera found\n"},
    Case{.name = "SyncAdoptsAndSetsTheClockOnly", .args = {"sync"}, .env = {kBothHeld},
         .out = kClockLine, .wire = kReadsAndClock},
    Case{.name = "SyncWithoutCamera", .args = {"sync"}, .env = {"TESSMO_SIM_VANISH_AFTER=0"}, .status = 1,
         .err = "tessmo-ctl: no camera found\n"},
    Case{.name = "SetByTextAndIndexWritesInCatalogueOrder", .args = {"set", "Loop=#0", "Resolution=1080p"},
         .env = {kBothHeld}, .out = kClockLine + "Resolution: 1080p\nLoop: Off\n",
         .wire = kReadsAndClock + "|SET 11 0100000000 0|SET 11 0200000000 0"},
    Case{.name = "SetJson", .args = {"set", "Loop=Off", "--json"}, .env = {kBothHeld},
         .out = "{\"clock\":\"@@@@-@@-@@T@@:@@:@@\",\"written\":[{\"name\":\"Loop\",\"ParaIdx\":2,\"value\":0,"
                "\"option\":\"Off\"}]}\n",
         .wire = kReadsAndClock + "|SET 11 0200000000 0"},
    Case{.name = "CameraVanishesMidPass", .args = {"set", "Loop=Off"},
         .env = {kBothHeld, "TESSMO_SIM_VANISH_AFTER=2"}, .status = 3,
         .err = "tessmo-ctl: Loop: the camera did not answer the read (camera not found); Off was not written\n"
                "tessmo-ctl: the camera did not take the date and time (camera not found)\n",
         .wire = "SET 26 0100000000 0|GET 10 01 0"},
    Case{.name = "RefusedWriteIsNamed", .args = {"set", "Resolution=1080p", "Loop=Off"},
         .env = {kBothHeld, "TESSMO_SIM_FAIL=7:31"}, .status = 3, .out = kClockLine + "Loop: Off\n",
         .err = "tessmo-ctl: Resolution: the camera did not take 1080p (0x0000001F)\n",
         .wire = kReadsAndClock + "|SET 11 0100000000 31|SET 11 0200000000 0"},
    Case{.name = "Utf8UnderTheCLocale", .args = {"--json", "show"},
         .out = "{\"parameters\":[{\"name\":\"Qualit\xC3\xA9\",*\"option\":\"Basse\"},"
                "{\"name\":\"Say \\\"hi\\\\\\\"\",*",
         .wire = "*", .definition = kUnicodeDefinition},
    Case{.name = "Utf8ArgumentsUnderTheCLocale", .args = {"set", "Qualit\xC3\xA9=\xC3\x89lev\xC3\xA9\x65"},
         .out = kClockLine + "Qualit\xC3\xA9: \xC3\x89lev\xC3\xA9\x65\n", .wire = "*|SET 11 0900000001 0",
         .definition = kUnicodeDefinition},
    Case{.name = "NameAndOptionHoldingEquals", .args = {"set", "Mode=Fast=x=y"},
         .out = kClockLine + "Mode=Fast: x=y\n", .wire = "*|SET 11 0700000001 0", .definition = kUnicodeDefinition},
    Case{.name = "TraceGoesToStderr", .args = {"--trace", "show"}, .env = {kBothHeld},
         .out = "Resolution: 720p\nLoop: 3 Minutes\n",
         .err = "Get Cap Device.\n*Read Device.Device:*  10\nWrite Device.Device:*  26\n\nSend Cmd,ID:26\n*",
         .wire = kReads}),
    kName);

// Every argument is checked before anything goes to the camera.
INSTANTIATE_TEST_SUITE_P(BadArguments, Ctl, ::testing::Values(
    Case{.name = "UnknownName", .args = {"set", "Res=720p"}, .status = 2, .err = kOneLine},
    Case{.name = "NameCaseMatters", .args = {"set", "loop=Off"}, .status = 2, .err = kOneLine},
    Case{.name = "UnknownOption", .args = {"set", "Resolution=4K"}, .status = 2, .err = kOneLine},
    Case{.name = "IndexBeyondOptions", .args = {"set", "Loop=#3"}, .status = 2, .err = kOneLine},
    Case{.name = "LaterArgumentBad", .args = {"set", "Loop=Off", "Resolution"}, .status = 2, .err = kOneLine},
    Case{.name = "SameNameTwice", .args = {"set", "Loop=Off", "Loop=#1"}, .status = 2, .err = kOneLine},
    Case{.name = "AmbiguousName", .args = {"set", "Twin=a"}, .status = 2, .err = kOneLine,
         .definition = kUnicodeDefinition},
    Case{.name = "OptionBeyondWhatTheCameraStores", .args = {"set", "Big=o256"}, .status = 2, .err = kOneLine,
         .definition = ManyOptions()},
    Case{.name = "SetWithoutPicks", .args = {"set"}, .status = 2, .err = kOneLine},
    Case{.name = "NoCommand", .args = {}, .status = 2, .err = kOneLine},
    Case{.name = "UnknownFlag", .args = {"--jsn", "show"}, .status = 2, .err = kOneLine},
    Case{.name = "MissingDefinition", .args = {"--definition", "nope.ini", "show"}, .status = 2,
         .err = "tessmo-ctl: cannot read definition file nope.ini\n"},
    Case{.name = "MalformedTestHook", .args = {"show"}, .env = {"TESSMO_SIM_FAIL=x"}, .status = 2,
         .err = kOneLine}),
    kName);
// clang-format on

TEST(CtlWatch, SyncsAtStartAndEndsCleanlyOnSigterm) {
    const TempFolder folder;
    folder.Write("Vorlund.ini", kDefinition);
    const Result r = RunCtl(folder, {"watch"}, {}, "timeout --preserve-status -k 10 -s TERM 2");
    if (r.status == 2 && r.err.starts_with("tessmo-ctl: cannot listen")) GTEST_SKIP() << r.err;
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_PRED2(Matches, "arrived\n" + kClockLine, r.out);
    EXPECT_PRED2(Matches, std::string("SET 26 *|GET 10 *|SET 26 *|GET 10 *|") + kClock, r.wire);
}

}  // namespace
