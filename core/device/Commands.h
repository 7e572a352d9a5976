#pragma once
// The camera's extension-unit commands: each is one property id of the unit.
#include <cstdint>

#include "common/Status.h"

namespace tessmo {

using Status = std::int32_t;  // 0 = done; 1 = camera not found / no channel; else the platform's failure
inline constexpr Status STATUS_OK = 0;
inline constexpr Status STATUS_NOT_FOUND = 1;
// A payload that could not be allocated: nothing was sent (E_OUTOFMEMORY).
inline constexpr Status STATUS_OUT_OF_MEMORY = HR_E_OUTOFMEMORY;
// A payload whose length with its 4 header bytes does not fit the camera's 16-bit length
// field: nothing was sent (ERROR_ARITHMETIC_OVERFLOW).
inline constexpr Status STATUS_PAYLOAD_TOO_LONG = HR_ARITHMETIC_OVERFLOW;

inline constexpr std::uint8_t CMD_READ_VALUE = 10;  // GET, 1 byte: option index of the selected parameter
inline constexpr std::uint8_t CMD_READ_SELECT_BIT =
    0x10;                                            // id 26 = read-select of CMD_READ_VALUE (SET, 5 bytes)
inline constexpr std::uint8_t CMD_WRITE_VALUE = 11;  // SET, 5 bytes: ParaIdx, 0, option index
inline constexpr std::uint8_t CMD_SET_CLOCK = 13;    // SET, 10 bytes: 0, 0|1, three 16-bit numbers

inline constexpr std::uint16_t CLOCK_DATE = 0;  // word 1 of CMD_SET_CLOCK: year, month, day
inline constexpr std::uint16_t CLOCK_TIME = 1;  // word 1 of CMD_SET_CLOCK: hour, minute, second

// Every SET payload: word 0 and word 1 (16-bit little-endian), then the data.
inline constexpr std::uint32_t PAYLOAD_HEADER_BYTES = 4;

}  // namespace tessmo
