// What tessmo-ctl needs of a POSIX system. Nothing here loads anything at run time:
// no setlocale (arguments and output are UTF-8 bytes whatever the locale), no iconv.
#include <ctime>

#include "Ctl.h"
#include "common/Text.h"
#include "config/PortableProfileSource.h"

#if defined(TESSMO_CTL_LINUX_CAPTURE)
#include "LinuxCaptureStack.h"
#endif

namespace tessmo::ctl {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return {argv, argv + argc};
}

std::unique_ptr<CaptureStack> OpenPlatformCamera(std::string& error) {
#if defined(TESSMO_CTL_LINUX_CAPTURE)
    (void)error;
    return MakeLinuxCaptureStack({});
#else
    error = "this build has no camera access; use --simulated";
    return nullptr;
#endif
}

std::unique_ptr<ProfileSource> OpenProfileSource() {
    return std::make_unique<PortableProfileSource>();
}

std::u16string ProfilePath(const std::string& utf8Path) {
    return FromUtf8(utf8Path);
}

LocalTime ReadLocalClock() {
    // localtime_r reads the zone from TZ or /etc/localtime; no locale is involved.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) gmtime_r(&now, &local);
    const auto field = [](int value) { return static_cast<std::uint16_t>(value); };
    return {field(local.tm_year + 1900), field(local.tm_mon + 1), field(local.tm_mday),
            field(local.tm_hour),        field(local.tm_min),     field(local.tm_sec)};
}

}  // namespace tessmo::ctl
