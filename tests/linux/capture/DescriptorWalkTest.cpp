// The descriptor walk's rules the fake trees do not reach, and the errno table.
#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#include "ErrnoStatus.h"
#include "FakeSysfs.h"

namespace tessmo::linuxcapture {
namespace {

using linuxcapturetest::Bytes;

TEST(DescriptorWalkTest, TakesOnlyAWellFormedUnitOfTheConfigurationInUse) {
    EXPECT_EQ(GuidWireBytes(EXTENSION_UNIT_PROPSET),
              (GuidBytes{0x82, 0x06, 0x61, 0x63, 0x70, 0x50, 0xAB, 0x49, 0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D,
                         0x22, 0x1D}));
    const auto camera = [](std::vector<linuxcapturetest::FakeUnit> units) {
        return linuxcapturetest::CameraDescriptors({"1-1", 0x04fc, 0x6333, {{0, std::move(units), {0}}}});
    };
    // The first unit's descriptor starts after the device (18), configuration (9), interface
    // association (8), VideoControl interface (9) and header (13) descriptors.
    const Bytes plain = camera({{4}}), cut(plain.begin(), plain.begin() + 57 + 12);
    Bytes zeroLength = plain, pastEnd = plain, pinsOverrun = camera({{3}, {8}});
    zeroLength.insert(zeroLength.begin() + 35, {0, 0x24});
    pastEnd[57] = 0xFF;
    pinsOverrun[57 + 21] = 40;  // the first unit claims more source pins than it holds
    struct Case {
        const char* name;
        Bytes bytes;
        std::uint8_t configuration;
        std::optional<std::uint8_t> expected;
    } const cases[] = {
        {"Whole", plain, 1, 4},
        {"OtherConfiguration", plain, 2, std::nullopt},
        {"CutInsideTheUnit", cut, 1, std::nullopt},
        {"ZeroLengthDescriptor", zeroLength, 1, std::nullopt},
        {"UnitRunsPastTheEnd", pastEnd, 1, std::nullopt},
        {"PinsOverrunTheUnit", pinsOverrun, 1, 8},
        {"UnitIdZeroIsReserved", camera({{0}, {7}}), 1, 7},
    };
    for (const Case& c : cases) {
        const ExtensionUnitSearch search{GuidWireBytes(EXTENSION_UNIT_PROPSET), 0, c.configuration};
        EXPECT_EQ(FindExtensionUnit(c.bytes, search), c.expected) << c.name;
    }
}

TEST(ErrnoStatusTest, EveryErrnoIsAFailureAndEachKnownOneHasItsOwnStatus) {
    std::set<HResult> seen;
    for (const ErrnoStatus& entry : ErrnoStatusTable()) {
        EXPECT_TRUE(seen.insert(entry.status).second) << entry.error;
        EXPECT_FALSE(StatusName(entry.status).empty()) << entry.error;
    }
    for (int error = 0; error < 200; ++error) EXPECT_LT(StatusFromErrno(error), 0) << error;
}

}  // namespace
}  // namespace tessmo::linuxcapture
