// tessmo-catalog run as a child process, as a definition-file author runs it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::filesystem::path Scratch() {
    auto dir = std::filesystem::temp_directory_path() /
               ("tessmo-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

ToolRun RunTool(const std::string& args, const std::filesystem::path& cwd) {
    const auto out = cwd / "stdout.txt";
    const auto err = cwd / "stderr.txt";
    const std::string command = "cd '" + cwd.string() + "' && '" TESSMO_CATALOG_TOOL "' " + args + " >'" +
                                out.string() + "' 2>'" + err.string() + "'";
    ToolRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = Slurp(out);
    run.err = Slurp(err);
    return run;
}

void Write(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

TEST(CatalogCli, PrintsTheExampleCatalogueAsJson) {
    const auto dir = Scratch();
    const ToolRun run = RunTool("'" TESSMO_SOURCE_DIR "/examples/Vorlund.ini'", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind(
                  "{\"parameters\":[{\"MainStr\":\"Resolution\",\"ParaStr\":\"Video resolution and frame rate\","
                  "\"ParaIdx\":1,\"SubStrs\":[\"1920x1080 30fps\",\"1280x720 60fps\",",
                  0),
              0u)
        << run.out;
    // Quotes around option texts are removed; the Windows-1252 file arrives as UTF-8.
    EXPECT_NE(run.out.find("\"SubStrs\":[\"+2.0\",\"+1.0\",\"0.0\",\"-1.0\",\"-2.0\"]"), std::string::npos);
    EXPECT_NE(run.out.find("\"Fran\xC3\xA7" "ais\""), std::string::npos);
    EXPECT_EQ(run.out.back(), '\n');
    EXPECT_EQ(run.err, "") << "the example has no authoring mistakes";
}

TEST(CatalogCli, DefaultsToVorlundIniInTheCurrentFolderAndAddsSettings) {
    const auto dir = Scratch();
    Write(dir / "Vorlund.ini", "[A]\nMainStr=Tab\there \"q\" back\\slash\nParaIdx=-1\nSubStr0=x=y\n");
    Write(dir / "Tessmo.ini", "[Private]\nTitle=My \"Cam\"\nApp_Font_Size=65536\nCustom_String=Hello\n");
    const ToolRun run = RunTool("--settings Tessmo.ini", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "{\"parameters\":[{\"MainStr\":\"Tab\\there \\\"q\\\" back\\\\slash\",\"ParaStr\":\"\","
              "\"ParaIdx\":65535,\"SubStrs\":[\"x=y\"]}],"
              "\"settings\":{\"Title\":\"My \\\"Cam\\\"\",\"Col_Name\":\"\",\"Col_Value\":\"\",\"App_Font_Size\":0,"
              "\"Custom_String\":\"Hello\",\"Custom_Font_Name\":\"\",\"Custom_Font_Size\":22,\"Custom_Font_Bold\":1}}\n");
}

TEST(CatalogCli, WarnsAboutLikelyAuthoringMistakes) {
    const auto dir = Scratch();
    std::string many = "[Many]\nParaIdx=9\n";
    for (int i = 0; i < 257; ++i) many += "SubStr" + std::to_string(i) + "=v\n";
    Write(dir / "defs.ini", "[Case]\nParaIdx=1\nsubstr0=a\nSubStr1=b\n"
                            "[Empty]\nParaIdx=2\n"
                            "[NoIdx]\nSubStr0=a\n"
                            "[Twice]\nParaIdx=1\nSubStr0=a\n" + many);
    const ToolRun run = RunTool("defs.ini", dir);
    ASSERT_EQ(run.status, 0);
    const struct {
        const char* what;
        const char* text;
    } expected[] = {
        {"option key in another case", "section [Case]: key \"substr0\" is not an option line"},
        {"no options", "section [Empty] has no options"},
        {"no ParaIdx", "section [NoIdx] has no ParaIdx"},
        {"ParaIdx twice", "section [Twice] uses ParaIdx 1, already used by [Case]"},
        {"too many options", "section [Many] has 257 options"},
    };
    for (const auto& e : expected) EXPECT_NE(run.err.find(e.text), std::string::npos) << e.what << "\n" << run.err;
    EXPECT_NE(run.out.find("\"MainStr\":\"\""), std::string::npos) << "the catalogue is still printed";
}

TEST(CatalogCli, FileThatCannotBeOpenedExitsWithTwoAndPrintsNothing) {
    const auto dir = Scratch();
    const struct {
        const char* name;
        std::string args;
    } cases[] = {
        {"missing definition file", "nothere.ini"},
        {"default file absent", ""},
        {"a folder", "."},
        {"missing settings file", "'" TESSMO_SOURCE_DIR "/examples/Vorlund.ini' --settings nothere.ini"},
        {"unknown option", "--frobnicate"},
    };
    for (const auto& c : cases) {
        const ToolRun run = RunTool(c.args, dir);
        EXPECT_EQ(run.status, 2) << c.name;
        EXPECT_EQ(run.out, "") << c.name;
        EXPECT_NE(run.err, "") << c.name;
    }
}

TEST(CatalogCli, HelpExplainsUsage) {
    const ToolRun run = RunTool("--help", Scratch());
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Usage: tessmo-catalog [DEFINITION_FILE] [--settings SETTINGS_FILE]"), std::string::npos);
    EXPECT_NE(run.out.find("Exit status"), std::string::npos);
}

}  // namespace
