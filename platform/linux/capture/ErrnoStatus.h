#pragma once
// What each errno of opening a node or of a uvcvideo request becomes: one table, one
// distinct Win32-style status per errno, never 0, so the channel's callers and the
// trace tell the causes apart as they would on Windows.
#include <span>
#include <string_view>

#include "common/Status.h"

namespace tessmo::linuxcapture {

struct ErrnoStatus {
    int error;
    HResult status;
    std::string_view cause;  // what it means for a request to the camera
};

// Every errno the table knows, in the order docs/linux.md lists them.
std::span<const ErrnoStatus> ErrnoStatusTable();

// The table's status for `error`; HR_E_FAIL for any errno it does not know (0 included,
// since a failure reported without a cause is still a failure).
HResult StatusFromErrno(int error);

}  // namespace tessmo::linuxcapture
