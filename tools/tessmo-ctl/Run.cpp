#include <cstdio>
#include <string>
#include <string_view>

#include "Ctl.h"
#include "common/Status.h"
#include "common/Text.h"
#include "config/Catalogue.h"
#include "device/CDeviceChannel.h"

namespace tessmo::ctl {
namespace {

constexpr char kUsage[] =
    "Usage: tessmo-ctl [--definition FILE] [--simulated] [--trace] [--json] show\n"
    "       tessmo-ctl [--definition FILE] [--simulated] [--trace] [--json] set NAME=OPTION...\n"
    "       tessmo-ctl [--definition FILE] [--simulated] [--trace] [--json] sync\n"
    "       tessmo-ctl [--definition FILE] [--simulated] [--trace] watch\n"
    "\n"
    "  show   read every parameter from the camera and print NAME: OPTION lines\n"
    "  set    write the given options (by text, or by index as #N), after a sync pass\n"
    "  sync   adopt the camera's values and set its clock to the local time\n"
    "  watch  report arrivals and removals, syncing at each arrival, until interrupted\n"
    "\n"
    "  --definition FILE  parameter-definition file (default: Vorlund.ini here)\n"
    "  --simulated        talk to the simulated camera instead of a real one\n"
    "  --trace            copy the request trace to stderr\n"
    "  --json             print results as JSON\n"
    "Options may also follow the command; -- ends them.\n"
    "\n"
    "Exit status: 0 done, 1 no camera found, 2 usage or definition-file error,\n"
    "3 the camera did not answer some request.\n";

// Messages that name a problem with the arguments also point at --help.
std::optional<Options> UsageError(const std::string& message) {
    Complain(message + " (see --help)");
    return std::nullopt;
}

std::optional<Command> CommandNamed(std::string_view word) {
    if (word == "show") return Command::Show;
    if (word == "set") return Command::Set;
    if (word == "sync") return Command::Sync;
    if (word == "watch") return Command::Watch;
    return std::nullopt;
}

// The command and its NAME=OPTION arguments, checked.
std::optional<Options> WithCommand(Options options, const std::vector<std::string>& words) {
    if (words.empty()) return UsageError("no command given");
    const std::optional<Command> command = CommandNamed(words[0]);
    if (!command) return UsageError("unknown command " + words[0]);
    options.command = *command;
    options.assignments.assign(words.begin() + 1, words.end());
    if (options.command == Command::Set && options.assignments.empty()) {
        return UsageError("set needs at least one NAME=OPTION");
    }
    if (options.command != Command::Set && !options.assignments.empty()) {
        return UsageError(words[0] + " takes no arguments");
    }
    if (options.command == Command::Watch && options.json) return UsageError("watch prints no JSON");
    return options;
}

// Options may stand before or after the command; "--" ends them (for a parameter whose
// name begins with '-'). nullopt: a usage error (already reported), or --help (printed;
// `help` set).
std::optional<Options> ParseArguments(const std::vector<std::string>& args, bool& help) {
    Options options;
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            words.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            help = true;
            return std::nullopt;
        } else if (arg == "--definition") {
            if (i + 1 >= args.size()) return UsageError("--definition needs a file name");
            options.definition = args[++i];
        } else if (arg == "--simulated") {
            options.simulated = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--json") {
            options.json = true;
        } else {
            return UsageError("unknown option " + arg);
        }
    }
    return WithCommand(std::move(options), words);
}

class StderrTrace final : public TraceSink {
public:
    void Write(std::string_view text) override {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }
};

class NoTrace final : public TraceSink {
public:
    void Write(std::string_view) override {}
};

int RunCommand(const Options& options, Session& session) {
    switch (options.command) {
        case Command::Show:
            return RunShow(session);
        case Command::Set: {
            std::string error;
            const auto picks = ResolvePicks(session.list, options.assignments, error);
            if (!picks) {
                Complain(error);
                return kExitUsage;
            }
            return RunSync(session, *picks);
        }
        case Command::Sync:
            return RunSync(session, {});
        case Command::Watch:
            return RunWatch(session);
    }
    return kExitUsage;
}

}  // namespace

void Complain(const std::string& message) {
    std::fprintf(stderr, "tessmo-ctl: %s\n", message.c_str());
}

int ComplainCameraUnusable() {
    Complain("the camera was found but its video node may not be opened (access denied)");
    return kExitNoCamera;
}

std::string DescribeStatus(Status status) {
    if (status == STATUS_NOT_FOUND) return "camera not found";
    char number[16];
    std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(status));
    const std::string_view name = StatusName(status);
    return name.empty() ? std::string(number) : std::string(number) + " " + std::string(name);
}

bool LoadDefinitions(Session& session) {
    if (!session.profile.FileLength(session.definitionPath) ||
        LoadParamList(session.profile, session.definitionPath, session.list) == 0) {
        Complain("cannot read definition file " + session.definitionShown);
        return false;
    }
    // Not an error (a pass over no parameters still sets the clock), but most likely
    // the wrong file: say so rather than print nothing.
    if (session.list.empty()) Complain(session.definitionShown + " defines no parameters");
    return true;
}

int Run(const std::vector<std::string>& arguments) {
    bool help = false;
    const std::optional<Options> options = ParseArguments(arguments, help);
    if (help) {
        std::fputs(kUsage, stdout);
        return kExitDone;
    }
    if (!options) return kExitUsage;

    std::string error;
    const std::unique_ptr<CaptureStack> camera =
        options->simulated ? OpenSimulatedCamera(error) : OpenPlatformCamera(error);
    if (!camera) {
        Complain(error);
        return kExitUsage;
    }
    StderrTrace stderrTrace;
    NoTrace noTrace;
    TraceSink& trace = options->trace ? static_cast<TraceSink&>(stderrTrace) : noTrace;
    CaptureChannelFactory channels(*camera, trace);
    const std::unique_ptr<ProfileSource> profile = OpenProfileSource();
    const std::string shownPath = options->definition.value_or("Vorlund.ini");
    Session session{{}, *profile, ProfilePath(shownPath), shownPath, channels, trace, options->json};
    if (!LoadDefinitions(session)) return kExitUsage;

    const int status = RunCommand(*options, session);
    if (std::fflush(stdout) != 0) {
        Complain("cannot write the results");
        return kExitUsage;
    }
    return status;
}

}  // namespace tessmo::ctl
