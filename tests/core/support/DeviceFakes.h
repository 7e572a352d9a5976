#pragma once
// Helpers shared by the framing, channel, simulated-camera and sync tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/SimulatedCamera.h"

namespace tessmo::devicetest {

using Lines = std::vector<std::string>;

inline Lines Join(Lines lines, const Lines& b, const Lines& c = {}, const Lines& d = {}) {
    for (const Lines* more : {&b, &c, &d}) lines.insert(lines.end(), more->begin(), more->end());
    return lines;
}

// " 07 00 00 00 21": each byte with a leading space.
inline std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const std::uint8_t b : bytes) out += {' ', kDigits[b >> 4], kDigits[b & 0xF]};
    return out;
}

// What reached the camera, a line per request: "SET <id> <bytes sent>" or
// "GET <id> <bytes returned>", with " failed" when the request did not succeed.
inline Lines Wire(const SimulatedCamera& camera) {
    Lines out;
    for (const PropertyRequest& r : camera.Requests())
        out.push_back((r.kind == RequestKind::Set ? "SET " : "GET ") + std::to_string(r.id) + Hex(r.bytes) +
                      (r.result != HR_S_OK ? " failed" : ""));
    return out;
}

// Nothing a request obtained may outlive it, nor its COM initialisation.
// A failure says which count is off.
inline ::testing::AssertionResult AllGivenBack(const SimulatedCamera& camera) {
    if (camera.Live().Total() == 0 && camera.ComBalance() == 0 && camera.ReleasesOutsideCom() == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << camera.Live().Total() << " objects live, COM balance " << camera.ComBalance() << ", "
           << camera.ReleasesOutsideCom() << " released outside COM";
}

}  // namespace tessmo::devicetest
