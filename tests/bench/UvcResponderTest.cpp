// The bench camera's answers on its control endpoint, request by request, as uvcvideo
// will meet them: what is sent back or stalled, the error code it reads after a stall,
// the log line the scenarios check, and what the camera holds afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UvcResponder.h"

namespace tessmo::bench {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kUnit = 4;
constexpr std::uint8_t kIn = 0xA1, kOut = 0x21;

Setup Unit(std::uint8_t requestType, std::uint8_t request, std::uint8_t selector, std::uint16_t length) {
    return {requestType, request, static_cast<std::uint16_t>(selector << 8), kUnit << 8, length};
}

struct Exchange {
    Setup setup;
    Bytes data = {};  // the data stage of an accepted SET
    bool stall = false;
    Bytes answer = {};  // IN: the bytes sent; OUT: the size of the data stage taken
};

struct Case {
    std::string name;
    std::vector<Exchange> exchanges;
    std::vector<std::string> log;
    std::uint8_t errorCode = 0;  // what uvcvideo reads afterwards
    std::uint8_t option7 = 2;    // what the camera holds for parameter 7 afterwards
    std::size_t failAt = 0;      // the request the camera is told to stall with code 4
};

const Setup kErrorCode{kIn, UVC_GET_CUR, 2 << 8, 0, 1};

TEST(UvcResponderTest, AnswersEachRequestAsTheCamera) {
    const Bytes select7{7, 0, 0, 0, 0};
    // clang-format off
    const std::vector<Case> cases{
        {.name = "SizesAndCapabilities",
         .exchanges = {{Unit(kIn, UVC_GET_LEN, 13, 2), {}, false, {10, 0}},
                       {Unit(kIn, UVC_GET_INFO, 10, 1), {}, false, {1}},
                       {Unit(kIn, UVC_GET_INFO, 26, 1), {}, false, {2}}},
         .log = {"GET_LEN 13", "GET_INFO 10", "GET_INFO 26"}},
        {.name = "ReadPairThenWrite",
         .exchanges = {{Unit(kOut, UVC_SET_CUR, 26, 5), select7, false, Bytes(5)},
                       {Unit(kIn, UVC_GET_CUR, 10, 1), {}, false, {2}},
                       {Unit(kOut, UVC_SET_CUR, 11, 5), {7, 0, 0, 0, 3}, false, Bytes(5)}},
         .log = {"SET 26 07 00 00 00 00", "GET 10 02", "SET 11 07 00 00 00 03"}, .option7 = 3},
        {.name = "StalledReadReportsTheCode",
         .exchanges = {{Unit(kOut, UVC_SET_CUR, 26, 5), select7, false, Bytes(5)},
                       {Unit(kIn, UVC_GET_CUR, 10, 1), {}, true}, {kErrorCode, {}, false, {4}}},
         .log = {"SET 26 07 00 00 00 00", "GET 10 stall 4", "ERROR_CODE -> 04"}, .errorCode = 4, .failAt = 2},
        // Stalled at its setup: no data stage, nothing stored.
        {.name = "StalledWriteStoresNothing", .exchanges = {{Unit(kOut, UVC_SET_CUR, 11, 5), {}, true}},
         .log = {"SET 11 stall 4"}, .errorCode = 4, .failAt = 1},
        {.name = "ReadBeforeAnySelect", .exchanges = {{Unit(kIn, UVC_GET_CUR, 10, 1), {}, true}},
         .log = {"GET 10 stall refused"}, .errorCode = 7},
        {.name = "WhatTheUnitDoesNotHave",
         .exchanges = {{Unit(kIn, UVC_GET_CUR, 11, 5), {}, true}, {Unit(kOut, UVC_SET_CUR, 11, 4), {}, true},
                       {Unit(kIn, UVC_GET_CUR, 12, 1), {}, true}},
         .log = {"STALL A1 81 0B00 0400", "STALL 21 01 0B00 0400", "STALL A1 81 0C00 0400"}, .errorCode = 6},
        {.name = "OtherEntitiesAndStandardRequests",
         .exchanges = {{{kIn, UVC_GET_CUR, 2 << 8, 3 << 8, 2}, {}, true},
                       {{0x80, 6, 0x0100, 0, 18}, {}, true}},
         .log = {"STALL A1 81 0200 0300", "STALL 80 06 0100 0000"}, .errorCode = 7},
        {.name = "ProbeKeepsWhatTheHostSet",
         .exchanges = {{{kIn, UVC_GET_LEN, 1 << 8, 1, 2}, {}, false, {34, 0}},
                       {{kOut, UVC_SET_CUR, 1 << 8, 1, 34}, Bytes(34, 9), false, Bytes(34)},
                       {{kIn, UVC_GET_CUR, 1 << 8, 1, 34}, {}, false, Bytes(34, 9)}},
         .log = {"PROBE GET_LEN", "PROBE SET_CUR", "PROBE GET 81"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CameraFirmware camera;
        camera.SetOption(7, 2);
        camera.FailRequest(c.failAt, 4);
        std::vector<std::string> log;
        UvcResponder responder(camera, kUnit, [&log](const std::string& line) { log.push_back(line); });
        for (const Exchange& e : c.exchanges) {
            const Answer answer = responder.OnSetup(e.setup);
            EXPECT_EQ(answer.stall, e.stall);
            EXPECT_EQ(answer.bytes, e.answer);
            if (!e.data.empty()) responder.OnData(e.data);
        }
        EXPECT_EQ(log, c.log);
        EXPECT_EQ(responder.OnSetup(kErrorCode).bytes, Bytes{c.errorCode});
        EXPECT_EQ(camera.Option(7), c.option7);
    }
}

}  // namespace
}  // namespace tessmo::bench
