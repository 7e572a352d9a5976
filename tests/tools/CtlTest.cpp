// tessmo-ctl run as a user runs it, over the simulated camera: what it prints, its exit
// status, and the exact requests that reached the camera (the simulated camera's log).
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

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

// The reads of the default definition when the camera holds 1 and 2 (the select carries the slot's last
// byte).
constexpr char kReads[] = "SET 26 0100000000 0|GET 10 01 0|SET 26 0200000001 0|GET 10 02 0";
constexpr char kClock[] = "SET 13 00000000* 0|SET 13 00000100* 0";

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Scratch {
public:
    Scratch() : dir_(fs::temp_directory_path() / ("tessmo-ctl-" + std::to_string(::getpid()))) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    ~Scratch() { fs::remove_all(dir_); }
    const fs::path& Dir() const { return dir_; }

    // The tool in a clean environment under the C locale; its stdout, stderr and the
    // simulated camera's request log land in files.
    pid_t Start(const std::vector<std::string>& args, std::vector<std::string> env) const {
        env.push_back("LANG=C");
        env.push_back("TESSMO_SIM_LOG=" + (dir_ / "wire").string());
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        if (::chdir(dir_.c_str()) != 0) ::_exit(126);
        ::dup2(::open("out", O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        ::dup2(::open("err", O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        std::vector<char*> argv{const_cast<char*>(TESSMO_CTL_TOOL)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        ::execve(TESSMO_CTL_TOOL, argv.data(), envp.data());
        ::_exit(127);
    }

    struct Result {
        int status = -1;
        std::string out, err, wire;
    };
    Result Finish(pid_t pid) const {
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = Slurp(dir_ / "out");
        r.err = Slurp(dir_ / "err");
        // One request per line in the log; '|' between them here.
        std::istringstream lines(Slurp(dir_ / "wire"));
        for (std::string line; std::getline(lines, line);) r.wire += (r.wire.empty() ? "" : "|") + line;
        return r;
    }

private:
    fs::path dir_;
};

// '*' stands for any text, '@' for one digit; everything else for itself.
bool Matches(std::string_view pattern, std::string_view text) {
    if (pattern.empty()) return text.empty();
    if (pattern[0] == '*') {
        for (std::size_t skip = 0; skip <= text.size(); ++skip) {
            if (Matches(pattern.substr(1), text.substr(skip))) return true;
        }
        return false;
    }
    if (text.empty()) return false;
    const bool same =
        pattern[0] == '@' ? std::isdigit(static_cast<unsigned char>(text[0])) != 0 : pattern[0] == text[0];
    return same && Matches(pattern.substr(1), text.substr(1));
}

struct Case {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> env;
    int status;
    std::string out;   // pattern (see Matches) of all of stdout
    std::string err;   // pattern of all of stderr
    std::string wire;  // pattern of the requests, '|' between them
    std::string definition = kDefinition;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Ctl : public ::testing::TestWithParam<Case> {};

TEST_P(Ctl, RunsOverTheSimulatedCamera) {
    const Case& c = GetParam();
    Scratch scratch;
    std::ofstream(scratch.Dir() / "Vorlund.ini", std::ios::binary) << c.definition;
    std::vector<std::string> args{"--simulated"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = scratch.Finish(scratch.Start(args, c.env));
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_PRED2(Matches, c.out, r.out);
    EXPECT_PRED2(Matches, c.err, r.err);
    EXPECT_PRED2(Matches, c.wire, r.wire);
}

const std::string kBothHeld = "TESSMO_SIM_OPTIONS=1=1,2=2";
const std::string kNothingSent = "";
const std::string kOneLine = "tessmo-ctl: *";  // one message line naming the cause

INSTANTIATE_TEST_SUITE_P(
    Commands, Ctl,
    ::testing::Values(
        Case{"ShowReadsOnlyAndNamesOptionsOrIndexes",
             {"show"},
             {"TESSMO_SIM_OPTIONS=1=1,2=7"},
             0,
             "Resolution: 720p\nLoop: #7\n",
             "",
             "SET 26 0100000000 0|GET 10 01 0|SET 26 0200000001 0|GET 10 07 0"},
        Case{"ShowJsonListsAnUnreadParameterAsNull",
             {"--json", "show"},
             {kBothHeld, "TESSMO_SIM_FAIL=4:0x8007048F"},
             3,
             "{\"parameters\":[{\"name\":\"Resolution\",\"ParaIdx\":1,\"value\":1,\"option\":\"720p\"},"
             "{\"name\":\"Loop\",\"ParaIdx\":2,\"value\":null,\"option\":null}]}\n",
             "tessmo-ctl: Loop: the camera did not answer the read (0x8007048F ERROR_DEVICE_NOT_CONNECTED)\n",
             "SET 26 0100000000 0|GET 10 01 0|SET 26 0200000001 0|GET 10  -2147023729"},
        Case{"ShowWithoutCamera",
             {"show"},
             {"TESSMO_SIM_VANISH_AFTER=0"},
             1,
             "",
             "tessmo-ctl: no camera found\n",
             kNothingSent},
        Case{"SyncAdoptsAndSetsTheClockOnly",
             {"sync"},
             {kBothHeld},
             0,
             "clock: @@@@-@@-@@ @@:@@:@@\n",
             "",
             std::string(kReads) + "|" + kClock},
        Case{"SyncWithoutCamera",
             {"sync"},
             {"TESSMO_SIM_VANISH_AFTER=0"},
             1,
             "",
             "tessmo-ctl: no camera found\n",
             kNothingSent},
        Case{"SetByTextAndIndexWritesInCatalogueOrder",
             {"set", "Loop=#0", "Resolution=1080p"},
             {kBothHeld},
             0,
             "clock: * *\nResolution: 1080p\nLoop: Off\n",
             "",
             std::string(kReads) + "|" + kClock + "|SET 11 0100000000 0|SET 11 0200000000 0"},
        Case{"SetJson",
             {"set", "Loop=Off", "--json"},
             {kBothHeld},
             0,
             "{\"clock\":\"@@@@-@@-@@T@@:@@:@@\",\"written\":[{\"name\":\"Loop\",\"ParaIdx\":2,\"value\":0,"
             "\"option\":\"Off\"}]}\n",
             "",
             std::string(kReads) + "|" + kClock + "|SET 11 0200000000 0"},
        Case{"SetWhatTheCameraHoldsWritesNothing",
             {"set", "Loop=3 Minutes"},
             {"TESSMO_SIM_OPTIONS=2=2"},
             0,
             "clock: * *\n",
             "",
             "SET 26 *|GET 10 00 0|SET 26 *|GET 10 02 0|" + std::string(kClock)},
        Case{"CameraVanishesMidPass",
             {"set", "Loop=Off"},
             {kBothHeld, "TESSMO_SIM_VANISH_AFTER=2"},
             3,
             "",
             "tessmo-ctl: Loop: the camera did not answer the read (camera not found); Off was not written\n"
             "tessmo-ctl: the camera did not take the date and time (camera not found)\n",
             "SET 26 0100000000 0|GET 10 01 0"},
        Case{"RefusedWriteIsNamed",
             {"set", "Resolution=1080p", "Loop=Off"},
             {kBothHeld, "TESSMO_SIM_FAIL=7:31"},
             3,
             "clock: * *\nLoop: Off\n",
             "tessmo-ctl: Resolution: the camera did not take 1080p (0x0000001F)\n",
             std::string(kReads) + "|" + kClock + "|SET 11 0100000000 31|SET 11 0200000000 0"},
        Case{"Utf8UnderTheCLocale",
             {"--json", "show"},
             {},
             0,
             "{\"parameters\":[{\"name\":\"Qualit\xC3\xA9\",*\"option\":\"Basse\"},"
             "{\"name\":\"Say \\\"hi\\\\\\\"\",*",
             "",
             "*",
             kUnicodeDefinition},
        Case{"Utf8ArgumentsUnderTheCLocale",
             {"set", "Qualit\xC3\xA9=\xC3\x89lev\xC3\xA9\x65"},
             {},
             0,
             "clock: * *\nQualit\xC3\xA9: \xC3\x89lev\xC3\xA9\x65\n",
             "",
             "*|SET 11 0900000001 0",
             kUnicodeDefinition},
        Case{"NameAndOptionHoldingEquals",
             {"set", "Mode=Fast=x=y"},
             {},
             0,
             "clock: * *\nMode=Fast: x=y\n",
             "",
             "*|SET 11 0700000001 0",
             kUnicodeDefinition},
        Case{"TraceGoesToStderr",
             {"--trace", "show"},
             {kBothHeld},
             0,
             "Resolution: 720p\nLoop: 3 Minutes\n",
             "Get Cap Device.\n*Read Device.Device:*  10\nWrite Device.Device:*  26\n\nSend Cmd,ID:26\n*",
             std::string(kReads)}),
    [](const ::testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });

// Every argument is checked before anything goes to the camera.
INSTANTIATE_TEST_SUITE_P(
    BadArguments, Ctl,
    ::testing::Values(
        Case{"UnknownName", {"set", "Res=720p"}, {}, 2, "", kOneLine, kNothingSent},
        Case{"NameCaseMatters", {"set", "loop=Off"}, {}, 2, "", kOneLine, kNothingSent},
        Case{"UnknownOption", {"set", "Resolution=4K"}, {}, 2, "", kOneLine, kNothingSent},
        Case{"IndexBeyondOptions", {"set", "Loop=#3"}, {}, 2, "", kOneLine, kNothingSent},
        Case{"LaterArgumentBad", {"set", "Loop=Off", "Resolution"}, {}, 2, "", kOneLine, kNothingSent},
        Case{"SameNameTwice", {"set", "Loop=Off", "Loop=#1"}, {}, 2, "", kOneLine, kNothingSent},
        Case{"AmbiguousName", {"set", "Twin=a"}, {}, 2, "", kOneLine, kNothingSent, kUnicodeDefinition},
        Case{"OptionBeyondWhatTheCameraStores",
             {"set", "Big=o256"},
             {},
             2,
             "",
             kOneLine,
             kNothingSent,
             ManyOptions()},
        Case{"SetWithoutPicks", {"set"}, {}, 2, "", kOneLine, kNothingSent},
        Case{"NoCommand", {}, {}, 2, "", kOneLine, kNothingSent},
        Case{"UnknownFlag", {"--jsn", "show"}, {}, 2, "", kOneLine, kNothingSent},
        Case{"MissingDefinition",
             {"--definition", "nope.ini", "show"},
             {},
             2,
             "",
             "tessmo-ctl: cannot read definition file nope.ini\n",
             kNothingSent},
        Case{"MalformedTestHook", {"show"}, {"TESSMO_SIM_FAIL=x"}, 2, "", kOneLine, kNothingSent}),
    [](const ::testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });

TEST(CtlWatch, SyncsAtStartAndEndsCleanlyOnSigterm) {
    Scratch scratch;
    std::ofstream(scratch.Dir() / "Vorlund.ini", std::ios::binary) << kDefinition;
    const pid_t pid = scratch.Start({"--simulated", "watch"}, {});
    for (int i = 0; i < 200 && Slurp(scratch.Dir() / "out").find("clock:") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid, SIGTERM);
    const auto r = scratch.Finish(pid);
    if (r.status == 2 && r.err.starts_with("tessmo-ctl: cannot listen")) GTEST_SKIP() << r.err;
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_PRED2(Matches, "arrived\nclock: * *\n", r.out);
    EXPECT_PRED2(Matches, std::string("SET 26 *|GET 10 *|SET 26 *|GET 10 *|") + kClock, r.wire);
}

}  // namespace
