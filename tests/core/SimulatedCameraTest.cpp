// The simulated camera's counts, on which every "gave everything back" check in the
// channel and sync tests rests: they must notice what a request failed to give back.
#include <gtest/gtest.h>

#include <array>

#include "support/DeviceFakes.h"

namespace tessmo {
namespace {

// Everything one request obtains, held directly so a test can misuse it.
struct Held {
    std::unique_ptr<DeviceEnumerator> devices;
    std::unique_ptr<MonikerEnumerator> monikers;
    std::unique_ptr<DeviceMoniker> moniker;
    std::unique_ptr<CaptureFilter> filter;
    std::unique_ptr<ExtensionControl> control;
};

TEST(SimulatedCameraTest, CountsWhatIsHeldAndWhatIsReleasedAfterComEnded) {
    SimulatedCamera camera;
    std::unique_ptr<DeviceEnumerator> early;
    EXPECT_EQ(camera.CreateDeviceEnumerator(early), SIM_STATUS_COM_NOT_INITIALIZED);
    EXPECT_EQ(early, nullptr);

    camera.ComInitialize();
    Held held;
    ASSERT_EQ(camera.CreateDeviceEnumerator(held.devices), HR_S_OK);
    ASSERT_EQ(held.devices->CreateVideoInputEnumerator(held.monikers), HR_S_OK);
    ASSERT_EQ(held.monikers->Next(held.moniker), HR_S_OK);
    ASSERT_EQ(held.moniker->BindToFilter(held.filter), HR_S_OK);
    ASSERT_EQ(held.filter->QueryExtensionControl(held.control), HR_S_OK);
    const LiveObjects live = camera.Live();
    EXPECT_EQ((std::array{live.enumerators, live.monikers, live.filters, live.controls}),
              (std::array<std::size_t, 4>{2, 1, 1, 1}));
    held.control.reset();
    EXPECT_EQ(camera.Live().Total(), 4u);
    EXPECT_FALSE(devicetest::AllGivenBack(camera));

    camera.ComUninitialize();
    held = Held{};
    EXPECT_EQ(camera.Live().Total(), 0u);
    EXPECT_EQ(camera.ReleasesOutsideCom(), 4u);
    EXPECT_FALSE(devicetest::AllGivenBack(camera)) << "a release after COM ended is caught";
}

}  // namespace
}  // namespace tessmo
