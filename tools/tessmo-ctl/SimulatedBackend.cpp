// --simulated: the simulated camera, plus test hooks so that a test driving the
// program from outside can give the camera values and faults and read back the wire.
//   TESSMO_SIM_OPTIONS=P=V,...      the camera holds option V for ParaIdx P (default 0)
//   TESSMO_SIM_VANISH_AFTER=N       the camera is pulled out after the N-th request
//                                   (0: it is not plugged in at all)
//   TESSMO_SIM_FAIL=N:STATUS,...    the N-th request fails with STATUS (decimal or 0x hex)
//   TESSMO_SIM_LOG=FILE             every request is written to FILE when the program
//                                   ends, one line each: "SET 26 0700000000 0"
//                                   (kind, id, bytes sent or received in hex, status)
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "Ctl.h"
#include "device/SimulatedCamera.h"

namespace tessmo::ctl {
namespace {

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    Number value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Calls `take(left, right)` for each "left<sep>right" of a comma-separated list.
template <typename Take>
bool ForEachPair(std::string_view list, char separator, Take take) {
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view pair = list.substr(0, comma);
        const std::size_t split = pair.find(separator);
        if (split == std::string_view::npos || !take(pair.substr(0, split), pair.substr(split + 1)))
            return false;
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return true;
}

class SimulatedBackend final : public CaptureStack {
public:
    explicit SimulatedBackend(std::string logPath) : logPath_(std::move(logPath)) {}
    ~SimulatedBackend() override {
        if (!logPath_.empty()) WriteLog();
    }
    SimulatedBackend(const SimulatedBackend&) = delete;
    SimulatedBackend& operator=(const SimulatedBackend&) = delete;

    SimulatedCamera& Camera() { return camera_; }
    void ComInitialize() override { camera_.ComInitialize(); }
    void ComUninitialize() override { camera_.ComUninitialize(); }
    HResult CreateDeviceEnumerator(std::unique_ptr<DeviceEnumerator>& enumerator) override {
        return camera_.CreateDeviceEnumerator(enumerator);
    }

private:
    void WriteLog() const {
        std::ofstream out(logPath_, std::ios::binary | std::ios::trunc);
        for (const PropertyRequest& request : camera_.Requests()) {
            out << (request.kind == RequestKind::Get   ? "GET "
                    : request.kind == RequestKind::Set ? "SET "
                                                       : "OTHER ")
                << request.id << ' ';
            for (const std::uint8_t byte : request.bytes) {
                constexpr char kHex[] = "0123456789ABCDEF";
                out << kHex[byte >> 4] << kHex[byte & 0xF];
            }
            out << ' ' << request.result << '\n';
        }
        if (!out.flush()) Complain("cannot write the request log " + logPath_);
    }

    std::string logPath_;
    SimulatedCamera camera_;
};

std::string_view Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool ApplyHooks(SimulatedCamera& camera) {
    const bool options = ForEachPair(Env("TESSMO_SIM_OPTIONS"), '=', [&](auto para, auto value) {
        const auto p = ParseNumber<std::uint16_t>(para);
        const auto v = ParseNumber<std::uint8_t>(value);
        if (p && v) camera.SetOption(*p, *v);
        return p && v;
    });
    const bool failures = ForEachPair(Env("TESSMO_SIM_FAIL"), ':', [&](auto n, auto status) {
        const auto request = ParseNumber<std::size_t>(n);
        const auto code = ParseNumber<std::uint32_t>(status);
        if (request && code) camera.FailPropertyRequest(*request, static_cast<HResult>(*code));
        return request && code;
    });
    const std::string_view vanish = Env("TESSMO_SIM_VANISH_AFTER");
    const auto after = ParseNumber<std::size_t>(vanish);
    if (after == std::size_t{0}) camera.SetCameraPresent(false);
    if (after && *after != 0) camera.VanishAfterRequests(*after);
    return options && failures && (vanish.empty() || after);
}

}  // namespace

std::unique_ptr<CaptureStack> OpenSimulatedCamera(std::string& error) {
    auto backend = std::make_unique<SimulatedBackend>(std::string(Env("TESSMO_SIM_LOG")));
    if (!ApplyHooks(backend->Camera())) {
        error = "malformed TESSMO_SIM_OPTIONS, TESSMO_SIM_FAIL or TESSMO_SIM_VANISH_AFTER";
        return nullptr;
    }
    return backend;
}

}  // namespace tessmo::ctl
