#pragma once
// Identifiers and statuses shared by every layer: the GUID record, the HRESULT-shaped
// status a camera request returns, and the names of the statuses this tool produces or
// meets, so that messages and documentation can say what a number means.
#include <array>
#include <cstdint>
#include <string_view>

namespace tessmo {

using HResult = std::int32_t;

struct Guid {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::array<std::uint8_t, 8> Data4;
    friend bool operator==(const Guid&, const Guid&) = default;
};

// A Win32 error code as the HRESULT the capture stack reports for it.
constexpr HResult HResultFromWin32(std::uint32_t error) {
    return error == 0 ? 0 : static_cast<HResult>((error & 0xFFFFU) | 0x80070000U);
}

inline constexpr HResult HR_S_OK = 0;
inline constexpr HResult HR_S_FALSE = 1;
inline constexpr HResult HR_E_NOINTERFACE = static_cast<HResult>(0x80004002U);
inline constexpr HResult HR_E_POINTER = static_cast<HResult>(0x80004003U);
inline constexpr HResult HR_E_FAIL = static_cast<HResult>(0x80004005U);
inline constexpr HResult HR_E_ACCESSDENIED = HResultFromWin32(5);  // ERROR_ACCESS_DENIED
inline constexpr HResult HR_E_OUTOFMEMORY = HResultFromWin32(14);  // ERROR_OUTOFMEMORY
inline constexpr HResult HR_E_INVALIDARG = HResultFromWin32(87);   // ERROR_INVALID_PARAMETER
inline constexpr HResult HR_CO_E_NOTINITIALIZED = static_cast<HResult>(0x800401F0U);

// Win32 errors a request can end with (as HRESULTs); the Linux capture stack maps each
// errno of the uvcvideo driver to one of these.
inline constexpr HResult HR_INVALID_FUNCTION = HResultFromWin32(1);         // ERROR_INVALID_FUNCTION
inline constexpr HResult HR_FILE_NOT_FOUND = HResultFromWin32(2);           // ERROR_FILE_NOT_FOUND
inline constexpr HResult HR_INVALID_DATA = HResultFromWin32(13);            // ERROR_INVALID_DATA
inline constexpr HResult HR_BAD_COMMAND = HResultFromWin32(22);             // ERROR_BAD_COMMAND
inline constexpr HResult HR_GEN_FAILURE = HResultFromWin32(31);             // ERROR_GEN_FAILURE
inline constexpr HResult HR_NOT_SUPPORTED = HResultFromWin32(50);           // ERROR_NOT_SUPPORTED
inline constexpr HResult HR_DEV_NOT_EXIST = HResultFromWin32(55);           // ERROR_DEV_NOT_EXIST
inline constexpr HResult HR_INSUFFICIENT_BUFFER = HResultFromWin32(122);    // ERROR_INSUFFICIENT_BUFFER
inline constexpr HResult HR_BUSY = HResultFromWin32(170);                   // ERROR_BUSY
inline constexpr HResult HR_MORE_DATA = HResultFromWin32(234);              // ERROR_MORE_DATA
inline constexpr HResult HR_ARITHMETIC_OVERFLOW = HResultFromWin32(534);    // ERROR_ARITHMETIC_OVERFLOW
inline constexpr HResult HR_OPERATION_ABORTED = HResultFromWin32(995);      // ERROR_OPERATION_ABORTED
inline constexpr HResult HR_IO_DEVICE = HResultFromWin32(1117);             // ERROR_IO_DEVICE
inline constexpr HResult HR_DEVICE_NOT_CONNECTED = HResultFromWin32(1167);  // ERROR_DEVICE_NOT_CONNECTED
inline constexpr HResult HR_NOT_FOUND = HResultFromWin32(1168);             // ERROR_NOT_FOUND
inline constexpr HResult HR_SET_NOT_FOUND = HResultFromWin32(1170);         // ERROR_SET_NOT_FOUND
inline constexpr HResult HR_TIMEOUT = HResultFromWin32(1460);               // ERROR_TIMEOUT
inline constexpr HResult HR_TOO_MANY_OPEN_FILES = HResultFromWin32(4);      // ERROR_TOO_MANY_OPEN_FILES
inline constexpr HResult HR_NOT_READY = HResultFromWin32(21);               // ERROR_NOT_READY
inline constexpr HResult HR_CRC = HResultFromWin32(23);                     // ERROR_CRC
inline constexpr HResult HR_PRIVILEGE_NOT_HELD = HResultFromWin32(1314);    // ERROR_PRIVILEGE_NOT_HELD
inline constexpr HResult HR_DEVICE_REMOVED = HResultFromWin32(1617);        // ERROR_DEVICE_REMOVED

// The symbolic name of a status ("S_OK", "E_NOINTERFACE", "ERROR_NOT_FOUND", ...), or
// an empty view for a status this table does not know.
std::string_view StatusName(HResult status);

}  // namespace tessmo
