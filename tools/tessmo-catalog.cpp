// tessmo-catalog: prints a definition file's catalogue as JSON, read through the
// same loader the tool uses, and warns on stderr about likely authoring mistakes.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "catalog/CatalogRun.h"
#include "catalog/Printable.h"
#include "config/PortableProfileSource.h"

namespace {

using tessmo::catalog::PrintablePath;

constexpr int kExitOk = 0;
constexpr int kExitUnreadable = 1;  // printed, but the file reads as nothing like what was written
constexpr int kExitFailure = 2;

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
    "Warnings about likely mistakes go to stderr as FILE:LINE: warning: ..., among them:\n"
    "a key spelt \"SubStr\" in another letter case (not an option), a section without\n"
    "options, more than 256 options (the camera stores one byte), a missing, empty,\n"
    "non-numeric, out-of-range or prefixed (0x, 0o, 0b) ParaIdx, a ParaIdx used twice,\n"
    "a key or section name used twice (only the first counts), a [] section with keys,\n"
    "and a UTF-16 file without a byte-order mark.\n"
    "\n"
    "Exit status: 0 on success; 1 when the catalogue was printed but the file reads as\n"
    "nothing like what it holds (UTF-16 without a byte-order mark); 2 when a file cannot\n"
    "be read, the output cannot be written or the arguments are wrong (then nothing is\n"
    "printed on stdout).\n";

struct Arguments {
    std::string definitionPath = "Vorlund.ini";
    std::optional<std::string> settingsPath;
    bool help = false;
};

void Fail(const std::string& message) {
    std::fprintf(stderr, "tessmo-catalog: %s\n", message.c_str());
}

std::optional<Arguments> ParseArguments(int argc, char** argv) {
    Arguments arguments;
    bool haveDefinition = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            arguments.help = true;
        } else if (arg == "--settings") {
            if (i + 1 >= argc) return Fail("--settings needs a file name"), std::nullopt;
            arguments.settingsPath = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Fail("unknown option " + PrintablePath(arg) + " (see --help)"), std::nullopt;
        } else if (!haveDefinition) {
            arguments.definitionPath = arg;
            haveDefinition = true;
        } else {
            return Fail("only one definition file can be given (see --help)"), std::nullopt;
        }
    }
    return arguments;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The file at exactly the path given (no translation of separators or encodings), read
// whole once so that every read of the check sees the same bytes.
std::optional<std::string> ReadFile(const std::string& path, const char* what) {
    const std::string shown = std::string(what) + " " + PrintablePath(path);
    std::error_code error;
    const auto status = std::filesystem::status(std::filesystem::path(path), error);
    if (!error && status.type() != std::filesystem::file_type::regular) {
        return Fail("cannot open " + shown + ": not a regular file"), std::nullopt;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return Fail("cannot open " + shown + ": " + std::strerror(errno)), std::nullopt;
    std::string bytes;
    char chunk[1 << 16];
    while (const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get())) {
        bytes.append(chunk, got);
        if (bytes.size() > tessmo::kMaxProfileFileBytes) {
            return Fail("cannot read " + shown + ": larger than 64 MiB"), std::nullopt;
        }
    }
    if (std::ferror(file.get()))
        return Fail("cannot read " + shown + ": " + std::strerror(errno)), std::nullopt;
    return bytes;
}

// A full disk or a closed pipe must not pass for a printed catalogue.
bool WriteAll(std::FILE* stream, std::string_view text) {
    const std::size_t written = std::fwrite(text.data(), 1, text.size(), stream);
    return std::fflush(stream) == 0 && written == text.size() && !std::ferror(stream);
}

int WriteOutput(std::string_view text) {
    if (WriteAll(stdout, text)) return kExitOk;
    Fail(std::string("cannot write the output: ") + std::strerror(errno));
    return kExitFailure;
}

int Check(const Arguments& arguments) {
    const auto definitions = ReadFile(arguments.definitionPath, "definition file");
    if (!definitions) return kExitFailure;
    std::optional<std::string> settings;
    if (arguments.settingsPath) {
        settings = ReadFile(*arguments.settingsPath, "settings file");
        if (!settings) return kExitFailure;
    }
    const auto report = tessmo::catalog::CheckCatalogue(*definitions, settings);
    WriteAll(stderr,
             tessmo::catalog::FormatWarnings(PrintablePath(arguments.definitionPath), report.warnings));
    if (WriteOutput(report.json) != kExitOk) return kExitFailure;
    const bool unreadable = std::any_of(report.warnings.begin(), report.warnings.end(),
                                        [](const tessmo::catalog::Warning& w) { return w.severe; });
    return unreadable ? kExitUnreadable : kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    const auto arguments = ParseArguments(argc, argv);
    if (!arguments) return kExitFailure;
    if (arguments->help) return WriteOutput(kUsage);
    return Check(*arguments);
}
