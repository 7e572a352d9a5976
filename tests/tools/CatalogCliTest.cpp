// tessmo-catalog run as a child process, as a definition-file author runs it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "TempFolder.h"

namespace {

using tessmo::configtest::TempFolder;

struct ToolRun {
    int status = -1;
    std::string out, err;
};

// Runs in `dir`; `args` go through the shell as written; stdout goes to `out` when given
// (e.g. /dev/full).
ToolRun RunTool(const std::string& args, const TempFolder& dir, const std::string& out = "") {
    const std::string command = "cd '" + dir.File("").string() + "' && '" TESSMO_CATALOG_TOOL "' " + args +
                                " >'" + (out.empty() ? "stdout.txt" : out) + "' 2>stderr.txt";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out.empty() ? dir.Read("stdout.txt") : "",
            dir.Read("stderr.txt")};
}

TEST(CatalogCli, PrintsTheExampleCatalogueAsJson) {
    const ToolRun run = RunTool("'" TESSMO_SOURCE_DIR "/examples/Vorlund.ini'", TempFolder());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("{\"parameters\":[{\"MainStr\":\"Resolution\",\"ParaStr\":\"Video resolution and "
                            "frame rate\",\"ParaIdx\":1,\"SubStrs\":[\"1920x1080 30fps\",\"1280x720 60fps\",",
                            0),
              0u)
        << run.out;
    // The Windows-1252 file arrives as UTF-8.
    EXPECT_NE(run.out.find("\"Fran\xC3\xA7"), std::string::npos);
    EXPECT_EQ(run.err, "") << "the example has no authoring mistakes";
}

TEST(CatalogCli, DefaultsToVorlundIniInTheCurrentFolderAndAddsSettings) {
    const TempFolder dir;
    dir.Write("Vorlund.ini", "[A]\nMainStr=Tab\there \"q\" back\\slash\nParaIdx=7\nSubStr0=x=y\n");
    dir.Write("Tessmo.ini", "[Private]\nTitle=My \"Cam\"\nApp_Font_Size=65536\nCustom_String=Hello\n");
    const ToolRun run = RunTool("--settings Tessmo.ini", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        run.out,
        "{\"parameters\":[{\"MainStr\":\"Tab\\there \\\"q\\\" back\\\\slash\",\"ParaStr\":\"\","
        "\"ParaIdx\":7,\"SubStrs\":[\"x=y\"]}],"
        "\"settings\":{\"Title\":\"My \\\"Cam\\\"\",\"Col_Name\":\"\",\"Col_Value\":\"\",\"App_Font_Size\":0,"
        "\"Custom_String\":\"Hello\",\"Custom_Font_Name\":\"\",\"Custom_Font_Size\":22,\"Custom_Font_Bold\":"
        "1}}\n");
}

struct WarningCase {
    const char* name;
    std::string file;
    std::string warning;  // the whole line, after "defs.ini"
    int status = 0;
};

class CatalogCliWarnings : public ::testing::TestWithParam<WarningCase> {};

TEST_P(CatalogCliWarnings, SaysWhichSectionAndLine) {
    const TempFolder dir;
    dir.Write("defs.ini", GetParam().file);
    const ToolRun run = RunTool("defs.ini", dir);
    EXPECT_EQ(run.status, GetParam().status) << run.err;
    EXPECT_NE(run.err.find("defs.ini" + GetParam().warning + "\n"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.rfind("{\"parameters\":[", 0), 0u) << "the catalogue is still printed";
}

std::string ManyOptions() {
    std::string text = "[Many]\nParaIdx=9\n";
    for (int i = 0; i < 257; ++i) text += "SubStr" + std::to_string(i) + "=v\n";
    return text;
}

const std::string kOk = "ParaIdx=1\nSubStr0=a\n";

INSTANTIATE_TEST_SUITE_P(
    Definitions, CatalogCliWarnings,
    ::testing::Values(
        WarningCase{
            "OptionKeyInAnotherCase", "[Case]\n" + kOk + "substr1=a\n",
            ":4: warning: key \"substr1\" is not an option line: option keys begin with \"SubStr\" exactly"},
        WarningCase{"NoOptions", "[Empty]\nParaIdx=2\n", ":1: warning: section [Empty] has no options"},
        WarningCase{"TooManyOptions", ManyOptions(),
                    ":1: warning: section [Many] has 257 options; the camera stores only indexes 0 to 255"},
        WarningCase{"LastNameFillsTheNameBuffer", "[Ab]", ":1: warning: section [Ab] has no options"},
        WarningCase{"NoParaIdx", "[A]\nSubStr0=a\n",
                    ":1: warning: section [A] has no ParaIdx; 65535 is sent to the camera"},
        WarningCase{"EmptyParaIdx", "[A]\nSubStr0=a\nParaIdx=\n",
                    ":3: warning: ParaIdx is empty; the camera gets 65535"},
        WarningCase{"NonNumericParaIdx", "[A]\nParaIdx=\"two\"\nSubStr0=a\n",
                    ":2: warning: ParaIdx \"two\" is not a number; the camera gets 0"},
        WarningCase{"ParaIdxWithTrailingText", "[A]\nParaIdx=12 b\nSubStr0=a\n",
                    ":2: warning: ParaIdx \"12 b\" ends in text that is ignored; the camera gets 12"},
        WarningCase{"ParaIdxOutOfRange", "[A]\nParaIdx=70000\nSubStr0=a\n",
                    ":2: warning: ParaIdx \"70000\" is outside 0 to 65535; the camera gets 4464"},
        WarningCase{"ParaIdxInAPrefixedBase", "[A]\nParaIdx=0x1F\nSubStr0=a\n",
                    ":2: warning: ParaIdx \"0x1F\" is read as a base-16 number; the camera gets 31"},
        WarningCase{"ParaIdxTwice", "[A]\n" + kOk + "[B]\n" + kOk,
                    ":5: warning: section [B] uses ParaIdx 1, already used by section [A] (line 1)"},
        WarningCase{"KeyRepeatedInASection", "[A]\nMainStr=x\n" + kOk + "mainstr=y\n",
                    ":5: warning: key \"mainstr\" repeats line 2 in section [A]; only the first is read"},
        WarningCase{
            "SectionRepeated", "[A]\n" + kOk + "[a]\nParaIdx=2\n",
            ":4: warning: section [a] repeats the section of line 1; its row shows that section's keys "
            "and its own lines are ignored"},
        WarningCase{"NamelessSectionWithKeys", "[]\nMainStr=lost\n[A]\n" + kOk,
                    ":1: warning: a section without a name ([]) makes no row; its 1 line(s) are ignored"},
        WarningCase{"Utf16WithoutByteOrderMark", std::string("[\0A\0]\0\n\0", 8),
                    ": warning: the file looks like UTF-16 without a byte-order mark and reads as an empty "
                    "catalogue; save it as UTF-16 with a byte-order mark or as UTF-8",
                    1},
        WarningCase{
            "ControlCharactersAreEscaped", "[A\x1B[2J\xC2\x9B\xE2\x80\xAE]\n" + kOk + "[B]\n" + kOk,
            ":5: warning: section [B] uses ParaIdx 1, already used by section [A\\x1B[2J\\x9B\\u{202E}] "
            "(line 1)"}),
    [](const auto& row) { return std::string(row.param.name); });

struct FailureCase {
    const char* name;
    std::string args;
    std::string message;
    std::string out = "";  // where stdout goes: a file of the test's by default
};

TEST(CatalogCli, FailuresExitWithTwoAndPrintNothing) {
    const TempFolder dir;
    const std::string example = "'" TESSMO_SOURCE_DIR "/examples/Vorlund.ini'";
    const FailureCase cases[] = {
        {"missing definition file", "nothere.ini", "cannot open definition file nothere.ini: No such file"},
        {"a folder", ".", "cannot open definition file .: not a regular file"},
        {"missing settings file", example + " --settings nothere.ini",
         "cannot open settings file nothere.ini"},
        {"unknown option", "--frobnicate", "unknown option --frobnicate"},
        {"full disk", example, "cannot write the output: No space left on device", "/dev/full"},
        {"full disk for the help", "--help", "cannot write the output", "/dev/full"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = RunTool(c.args, dir, c.out);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("tessmo-catalog: " + c.message), std::string::npos) << run.err;
    }
}

// Names a POSIX file system allows that no Windows path conversion may alter.
TEST(CatalogCli, OpensExactlyThePathGiven) {
    const TempFolder dir;
    const struct {
        const char* what;
        std::string name;
        std::string shown;
    } cases[] = {
        {"not UTF-8", "d\xE9.ini", "d\\xE9.ini"},
        {"a backslash", "a\\b.ini", "a\\b.ini"},
        {"a control character", "e\x1B.ini", "e\\x1B.ini"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(dir.File(c.name)) << "[A]\nParaIdx=1\n";  // Write would convert the name
        const ToolRun run = RunTool("'" + c.name + "'", dir);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out,
                  "{\"parameters\":[{\"MainStr\":\"\",\"ParaStr\":\"\",\"ParaIdx\":1,\"SubStrs\":[]}]}\n");
        EXPECT_EQ(run.err, c.shown + ":1: warning: section [A] has no options\n");
    }
}

}  // namespace
