#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tessmo {

// 0xFFFF in CurIdx (and in a FindOption result): no option.
inline constexpr std::uint16_t kNoOption = 0xFFFF;

// One camera parameter from the definition file, with its live state.
struct ParamItem {
    std::u16string MainStr;               // display name, column 0
    std::vector<std::u16string> SubStrs;  // options; the position is the value the camera stores
    std::u16string ParaStr;               // free text, carried along
    std::uint16_t ParaIdx = 0xFFFF;       // the camera's number for the parameter
    std::uint16_t CurIdx = kNoOption;     // option in force; kNoOption = unset
    std::uint16_t Dirty = 0;              // 1 = must be written by the running sync pass
    // What the camera was last known to hold: the byte last read from it or last written
    // to it successfully by this program; kNoOption = not known. The value cell is red
    // exactly while CurIdx differs from it.
    std::uint16_t CameraIdx = kNoOption;
};

// Row i of the list is ParamList[i]; never sorted.
using ParamList = std::vector<ParamItem>;

}  // namespace tessmo
