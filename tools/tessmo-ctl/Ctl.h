#pragma once
// tessmo-ctl: the camera from the command line, over the same core as the window
// (definition loader, channel, sync pass). Each command has its own file; the
// platform files supply the camera, the local clock, UTF-8 arguments and `watch`.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DeviceEvent.h"
#include "common/Trace.h"
#include "config/ParamItem.h"
#include "config/ProfileSource.h"
#include "device/CaptureStack.h"
#include "device/DeviceChannel.h"
#include "sync/SyncPass.h"

namespace tessmo::ctl {

inline constexpr int kExitDone = 0;
inline constexpr int kExitNoCamera = 1;
inline constexpr int kExitUsage = 2;       // usage, definition file or argument error
inline constexpr int kExitUnanswered = 3;  // the camera did not answer some request

enum class Command { Show, Set, Sync, Watch };

struct Options {
    std::optional<std::string> definition;  // none: the window's .\Vorlund.ini
    bool simulated = false;
    bool trace = false;
    bool json = false;
    Command command = Command::Show;
    std::vector<std::string> assignments;  // set's NAME=OPTION arguments, UTF-8
};

// One line on stderr, "tessmo-ctl: " and the message.
void Complain(const std::string& message);

// The camera is there but its node may not be opened by this user: as unusable as no
// camera at all, so exit status 1. The capture stack has already named the node and
// the fix on stderr. Returns kExitNoCamera.
int ComplainCameraUnusable();

// What a request status means: "camera not found" for 1, else the number in hex and
// its symbolic name where known ("0x8007048F ERROR_DEVICE_NOT_CONNECTED").
std::string DescribeStatus(Status status);

// A parameter's name in UTF-8, for messages and output.
std::string NameOf(const ParamItem& item);
// The option's text, or "#N" where the definition has none for it.
std::string OptionLabel(const ParamItem& item, std::uint16_t value);

struct Pick {
    std::size_t row = 0;
    std::uint16_t option = 0;
};

// Checks set's arguments against the catalogue. nullopt with `error` set when one
// names no parameter or no option, or is ambiguous.
std::optional<std::vector<Pick>> ResolvePicks(const ParamList& list,
                                              const std::vector<std::string>& arguments, std::string& error);

// What every command works with.
struct Session {
    ParamList list;
    ProfileSource& profile;
    std::u16string definitionPath;
    std::string definitionShown;  // the path as the user gave it, for messages
    ChannelFactory& channels;
    TraceSink& trace;
    bool json = false;
};

// Reloads the definition file into session.list; false (with a message) when it cannot be read.
bool LoadDefinitions(Session& session);

int RunShow(Session& session);
// `set` with picks, `sync` without.
int RunSync(Session& session, const std::vector<Pick>& picks);

// watch's bookkeeping: "arrived" (and a sync pass) or "removed" once per change.
class CameraWatch {
public:
    explicit CameraWatch(Session& session) : session_(session) {}
    // An arrival if the camera is already there.
    void Start();
    void OnEvent(const DeviceEvent& event);

private:
    void Arrived();
    Session& session_;
    bool present_ = false;
};

// Until SIGINT or SIGTERM (Linux), or Ctrl+C or the console closing (Windows).
int RunWatch(Session& session);

// The whole program once the arguments are UTF-8.
int Run(const std::vector<std::string>& arguments);

// --- simulated camera (for tests and trying things out) ---------------------------
// The simulated camera, with the test hooks of the TESSMO_SIM_* environment variables;
// null with `error` set when a hook's value is malformed.
std::unique_ptr<CaptureStack> OpenSimulatedCamera(std::string& error);

// --- per platform -------------------------------------------------------------------
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// The system's capture stack; null with `error` set when this build has none.
std::unique_ptr<CaptureStack> OpenPlatformCamera(std::string& error);
std::unique_ptr<ProfileSource> OpenProfileSource();
// The path as the profile source takes it ("Vorlund.ini" must not go to the system folder).
std::u16string ProfilePath(const std::string& utf8Path);
// The local time of the system's zone, read once.
LocalTime ReadLocalClock();

}  // namespace tessmo::ctl
