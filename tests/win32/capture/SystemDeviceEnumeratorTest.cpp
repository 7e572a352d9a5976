// The stack over the system's own device enumerator, on a machine without a camera
// (the test machines have no video input device): the category is empty, so nothing
// is found and nothing is sent.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "capture/DirectShowCaptureStack.h"
#include "common/Trace.h"
#include "device/CDeviceChannel.h"

namespace tessmo::win32 {
namespace {

HRESULT ApartmentState() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    return CoGetApartmentType(&type, &qualifier);
}

TEST(SystemDeviceEnumerator, WithoutCameraTheCategoryIsEmptyAndNothingIsFound) {
    DirectShowCaptureStack stack;
    TraceCollector trace;
    CDeviceChannel channel(stack, trace);

    EXPECT_EQ(channel.IsPresent(), -1);
    EXPECT_EQ(trace.Lines(), (std::vector<std::string>{
                                 "Get Cap Device.",
                                 "Create Instance. hr = 0",
                                 "Create Device Enum. hr = 1",
                             }));
    EXPECT_EQ(ApartmentState(), CO_E_NOTINITIALIZED);

    trace.Clear();
    std::uint8_t slot = 0x5A;
    EXPECT_EQ(channel.GetProperty(10, &slot, 1), STATUS_NOT_FOUND);
    EXPECT_EQ(slot, 0x5A);
    EXPECT_EQ(trace.Lines(), (std::vector<std::string>{
                                 "",
                                 "Get Cmd,ID:10",
                                 "Get Cap Device.",
                                 "Create Instance. hr = 0",
                                 "Create Device Enum. hr = 1",
                                 "hr:1",
                             }));
    EXPECT_EQ(ApartmentState(), CO_E_NOTINITIALIZED);
}

TEST(SystemDeviceEnumerator, RealEnumeratorIsCreatedInsideTheRequestsApartment) {
    // Outside any apartment the system refuses to make the enumerator: the stack
    // relies on the channel's own CoInitialize.
    ASSERT_EQ(ApartmentState(), CO_E_NOTINITIALIZED);
    ICreateDevEnum* outside = nullptr;
    EXPECT_EQ(CreateSystemDeviceEnumerator(&outside), CO_E_NOTINITIALIZED);
    EXPECT_EQ(outside, nullptr);

    DirectShowCaptureStack stack;
    stack.ComInitialize();
    {
        std::unique_ptr<DeviceEnumerator> enumerator;
        EXPECT_EQ(stack.CreateDeviceEnumerator(enumerator), S_OK);
        ASSERT_NE(enumerator, nullptr);
        EXPECT_NE(enumerator->Identity(), nullptr);
        std::unique_ptr<MonikerEnumerator> monikers;
        EXPECT_EQ(enumerator->CreateVideoInputEnumerator(monikers), S_FALSE);
        EXPECT_EQ(monikers, nullptr);
    }
    stack.ComUninitialize();
    EXPECT_EQ(ApartmentState(), CO_E_NOTINITIALIZED);
}

}  // namespace
}  // namespace tessmo::win32
