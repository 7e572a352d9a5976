#include "ErrnoStatus.h"

#include <cerrno>

namespace tessmo::linuxcapture {
namespace {

// The causes are what uvcvideo and the USB core mean by each errno on this path.
constexpr ErrnoStatus kTable[] = {
    {ENOENT, HR_NOT_FOUND, "no such node, or the camera has no such unit or selector"},
    {ENOBUFS, HR_INSUFFICIENT_BUFFER, "the length differs from the control's size"},
    {EBADRQC, HR_BAD_COMMAND, "the control does not take this request (a GET of a SET-only id)"},
    {ERANGE, HR_INVALID_DATA, "the camera refused the value as out of range"},
    {EINVAL, HR_E_INVALIDARG, "the camera or the driver refused the request's fields"},
    {EIO, HR_IO_DEVICE, "the camera reported an invalid unit, control or request"},
    {EPIPE, HR_GEN_FAILURE, "the camera stalled the request"},
    {EPROTO, HR_CRC, "a USB protocol error on the way to the camera"},
    {ETIMEDOUT, HR_TIMEOUT, "the camera did not answer in time"},
    {EBUSY, HR_BUSY, "the camera is busy or not ready for this request"},
    {EREMOTE, HR_NOT_READY, "the camera is in a power state that cannot answer"},
    {ENODEV, HR_DEVICE_NOT_CONNECTED, "the camera was unplugged"},
    {ESHUTDOWN, HR_DEVICE_REMOVED, "the camera went away while the request was under way"},
    {ENXIO, HR_DEV_NOT_EXIST, "the node has no device behind it any more"},
    {EACCES, HR_E_ACCESSDENIED, "the user may not open the node"},
    {EPERM, HR_PRIVILEGE_NOT_HELD, "the operation needs a privilege the user lacks"},
    {ENOTTY, HR_INVALID_FUNCTION, "the node's driver is not uvcvideo"},
    {EOPNOTSUPP, HR_NOT_SUPPORTED, "the driver does not support the request"},
    {EFAULT, HR_E_POINTER, "the driver could not reach the data block"},
    {EOVERFLOW, HR_ARITHMETIC_OVERFLOW, "a size does not fit the driver's fields"},
    {ENOMEM, HR_E_OUTOFMEMORY, "the system ran out of memory"},
    {EMFILE, HR_TOO_MANY_OPEN_FILES, "the process has too many open files"},
    {EINTR, HR_OPERATION_ABORTED, "a signal interrupted the request"},
};

}  // namespace

std::span<const ErrnoStatus> ErrnoStatusTable() {
    return kTable;
}

HResult StatusFromErrno(int error) {
    for (const ErrnoStatus& entry : kTable) {
        if (entry.error == error) return entry.status;
    }
    return HR_E_FAIL;
}

}  // namespace tessmo::linuxcapture
