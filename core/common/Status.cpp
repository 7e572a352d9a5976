#include "common/Status.h"

namespace tessmo {
namespace {

struct NamedStatus {
    HResult status;
    std::string_view name;
};

constexpr NamedStatus kNames[] = {
    {HR_S_OK, "S_OK"},
    {HR_S_FALSE, "S_FALSE"},
    {HR_E_NOINTERFACE, "E_NOINTERFACE"},
    {HR_E_POINTER, "E_POINTER"},
    {HR_E_FAIL, "E_FAIL"},
    {HR_E_ACCESSDENIED, "E_ACCESSDENIED"},
    {HR_E_OUTOFMEMORY, "E_OUTOFMEMORY"},
    {HR_E_INVALIDARG, "E_INVALIDARG"},
    {HR_CO_E_NOTINITIALIZED, "CO_E_NOTINITIALIZED"},
    {HR_INVALID_FUNCTION, "ERROR_INVALID_FUNCTION"},
    {HR_FILE_NOT_FOUND, "ERROR_FILE_NOT_FOUND"},
    {HR_INVALID_DATA, "ERROR_INVALID_DATA"},
    {HR_BAD_COMMAND, "ERROR_BAD_COMMAND"},
    {HR_GEN_FAILURE, "ERROR_GEN_FAILURE"},
    {HR_NOT_SUPPORTED, "ERROR_NOT_SUPPORTED"},
    {HR_DEV_NOT_EXIST, "ERROR_DEV_NOT_EXIST"},
    {HR_INSUFFICIENT_BUFFER, "ERROR_INSUFFICIENT_BUFFER"},
    {HR_BUSY, "ERROR_BUSY"},
    {HR_MORE_DATA, "ERROR_MORE_DATA"},
    {HR_ARITHMETIC_OVERFLOW, "ERROR_ARITHMETIC_OVERFLOW"},
    {HR_OPERATION_ABORTED, "ERROR_OPERATION_ABORTED"},
    {HR_IO_DEVICE, "ERROR_IO_DEVICE"},
    {HR_DEVICE_NOT_CONNECTED, "ERROR_DEVICE_NOT_CONNECTED"},
    {HR_NOT_FOUND, "ERROR_NOT_FOUND"},
    {HR_SET_NOT_FOUND, "ERROR_SET_NOT_FOUND"},
    {HR_TIMEOUT, "ERROR_TIMEOUT"},
    {HR_TOO_MANY_OPEN_FILES, "ERROR_TOO_MANY_OPEN_FILES"},
    {HR_NOT_READY, "ERROR_NOT_READY"},
    {HR_CRC, "ERROR_CRC"},
    {HR_PRIVILEGE_NOT_HELD, "ERROR_PRIVILEGE_NOT_HELD"},
};

}  // namespace

std::string_view StatusName(HResult status) {
    for (const NamedStatus& entry : kNames) {
        if (entry.status == status) return entry.name;
    }
    return {};
}

}  // namespace tessmo
