// The descriptor walk on its own (the cases the fake trees do not reach) and the errno table.
#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#include "ErrnoStatus.h"
#include "ExtensionUnit.h"
#include "FakeSysfs.h"

namespace tessmo::linuxcapture {
namespace {

using linuxcapturetest::Bytes;
using linuxcapturetest::FakeUnit;

TEST(DescriptorWalkTest, GuidIsLookedForInItsWireForm) {
    EXPECT_EQ(GuidWireBytes(EXTENSION_UNIT_PROPSET),
              (GuidBytes{0x82, 0x06, 0x61, 0x63, 0x70, 0x50, 0xAB, 0x49, 0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D,
                         0x22, 0x1D}));
}

TEST(DescriptorWalkTest, TakesOnlyAWellFormedUnitOfTheConfigurationInUse) {
    const auto camera = [](std::vector<FakeUnit> units) {
        return linuxcapturetest::CameraDescriptors(
            {linuxcapturetest::FakeDevice::Usb, "1-1", 0x04fc, 0x6333, {{0, std::move(units), {0}}}});
    };
    const Bytes plain = camera({{4}});
    Bytes badTail = plain;
    badTail.insert(badTail.end(), {0x40, 0x24, 0x06});
    // A unit whose bNrInPins claims more source ids than its bLength holds, then a good one.
    Bytes pinsOverrun = camera({{3}, {8}});
    const std::size_t first = pinsOverrun.size() - 9 - 9 - 29 - 29;
    pinsOverrun[first + 21] = 40;
    struct Case {
        const char* name;
        Bytes bytes;
        std::optional<std::uint8_t> configuration;
        std::optional<std::uint8_t> expected;
    };
    const Case cases[] = {
        {"AnyConfiguration", plain, std::nullopt, 4},
        {"ConfigurationInUse", plain, 1, 4},
        {"OtherConfiguration", plain, 2, std::nullopt},
        {"UnitIdZeroIsReserved", camera({{0}, {7}}), 1, 7},
        {"FoundBeforeABadTail", badTail, 1, 4},
        {"PinsOverrunTheUnit", pinsOverrun, 1, 8},
        {"DeviceDescriptorOnly", Bytes(plain.begin(), plain.begin() + 18), 1, std::nullopt},
        {"OneByte", Bytes{0x09}, 1, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ExtensionUnitSearch search{GuidWireBytes(EXTENSION_UNIT_PROPSET), 0, c.configuration};
        EXPECT_EQ(FindExtensionUnit(c.bytes, search), c.expected);
    }
}

TEST(ErrnoStatusTest, EveryErrnoIsAFailureAndTheKnownOnesAreTold) {
    std::set<HResult> seen;
    for (const ErrnoStatus& entry : ErrnoStatusTable()) {
        SCOPED_TRACE(entry.error);
        EXPECT_TRUE(seen.insert(entry.status).second) << "status shared by two errnos";
        EXPECT_FALSE(StatusName(entry.status).empty());
        EXPECT_EQ(StatusFromErrno(entry.error), entry.status);
    }
    for (const int error : {EBADRQC, ENOBUFS, EACCES, ENODEV, ETIMEDOUT, EINTR})
        EXPECT_NE(seen.count(StatusFromErrno(error)), 0u);
    for (int error = 0; error < 200; ++error) EXPECT_LT(StatusFromErrno(error), 0) << error;
}

}  // namespace
}  // namespace tessmo::linuxcapture
