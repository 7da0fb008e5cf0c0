// Every request function before a camera is open: no request, outputs cleared or untouched,
// and bad arguments refused without touching memory.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <vector>

#include "LibraryState.h"
#include "TAVIKUtilDll.h"

namespace {

template <typename Record>
bool AllBytes(const Record& record, uint8_t value) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    for (size_t i = 0; i < sizeof(Record); ++i) {
        if (bytes[i] != value) {
            return false;
        }
    }
    return true;
}

class NoCamera : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(INVALID_HANDLE_VALUE, theApp.m_hDevice.load()); }
};

}  // namespace

TEST_F(NoCamera, EventQueriesAndVersionClearTheirRecordAndFail) {
    CtrlCurEventRecord e1;
    CtrlSignalEventRecord e2;
    TransErrorEventRecord e3;
    ImageRecvEventRecord e4;
    SizeErrorEventRecord e5;
    VersionRecord version;
    std::memset(&e1, 0xAB, sizeof(e1));
    std::memset(&e2, 0xAB, sizeof(e2));
    std::memset(&e3, 0xAB, sizeof(e3));
    std::memset(&e4, 0xAB, sizeof(e4));
    std::memset(&e5, 0xAB, sizeof(e5));
    std::memset(&version, 0xAB, sizeof(version));
    EXPECT_FALSE(OrvaneUtil_GetCtrlCurEvent(&e1));
    EXPECT_FALSE(OrvaneUtil_GetCtrlSignalEvent(&e2));
    EXPECT_FALSE(OrvaneUtil_GetTransErrorEvent(&e3));
    EXPECT_FALSE(OrvaneUtil_GetImageRecvEvent(&e4));
    EXPECT_FALSE(OrvaneUtil_GetSizeErrorEvent(&e5));
    EXPECT_FALSE(OrvaneUtil_GetVersion(&version));
    EXPECT_TRUE(AllBytes(e1, 0));
    EXPECT_TRUE(AllBytes(e2, 0));
    EXPECT_TRUE(AllBytes(e3, 0));
    EXPECT_TRUE(AllBytes(e4, 0));
    EXPECT_TRUE(AllBytes(e5, 0));
    EXPECT_TRUE(AllBytes(version, 0));
}

TEST_F(NoCamera, OtherOutputsAreLeftUntouched) {
    std::vector<uint8_t> big(ORVANE_IMAGE_SUPPORT_SIZE, 0xAB);
    std::vector<uint8_t> query(8, 0x11);
    CtrlAttributeRecord attribute;
    std::memset(&attribute, 0xAB, sizeof(attribute));
    uint8_t mode = 0xAB;
    uint32_t size = 0xABABABAB;
    uint32_t tableSize = 16;

    EXPECT_FALSE(OrvaneUtil_SetTimeOutInfo(20000));
    EXPECT_FALSE(OrvaneUtil_GetCtrlSupport(big.data()));
    EXPECT_FALSE(OrvaneUtil_GetCtrlAttribute(0x10, &attribute, 4));
    EXPECT_FALSE(OrvaneUtil_GetCtrlCurrent(61, big.data(), 14));
    EXPECT_FALSE(OrvaneUtil_GetImageSupport(big.data()));
    EXPECT_FALSE(OrvaneUtil_GetImageAttribute(query.data(), big.data()));
    EXPECT_FALSE(OrvaneUtil_GetImageCurrent(big.data()));
    EXPECT_FALSE(OrvaneUtil_GetImageTransfer(query.data(), big.data()));
    EXPECT_FALSE(OrvaneUtil_SetImageCurrent(big.data(), big.data()));
    EXPECT_FALSE(OrvaneUtil_GetTrans(&mode));
    EXPECT_FALSE(OrvaneUtil_SetTrans(0));
    EXPECT_FALSE(OrvaneUtil_GetSystemSupport(big.data()));
    EXPECT_FALSE(OrvaneUtil_GetSystemDataSize(1, &size));
    EXPECT_FALSE(OrvaneUtil_GetSystemData(query.data(), big.data()));
    EXPECT_FALSE(OrvaneUtil_GetFrame(query.data(), big.data()));
    EXPECT_FALSE(OrvaneUtil_GetBufferTable(big.data(), &tableSize));

    EXPECT_TRUE(AllBytes(attribute, 0xAB));
    EXPECT_EQ(std::vector<uint8_t>(ORVANE_IMAGE_SUPPORT_SIZE, 0xAB), big);
    EXPECT_EQ(0xAB, mode);
    EXPECT_EQ(0xABABABABu, size);
    EXPECT_EQ(16u, tableSize) << "the size is written back only after a request";
}

TEST_F(NoCamera, SetFunctionsFail) {
    const uint8_t value = 1;
    const CtrlValueRecord control = {0x3E, 0, 0, &value};
    const uint8_t image[4] = {1, 2, 3, 4};
    const SystemDataRecord data = {1, {0, 0, 0}, image, sizeof(image)};
    RequestRecord request = {};
    request.header.length = 4;
    request.data = image;
    uint8_t reply[4] = {0xAB, 0xAB, 0xAB, 0xAB};
    EXPECT_FALSE(OrvaneUtil_SetCtrlCurrent(&control, 1));
    EXPECT_FALSE(OrvaneUtil_SetSystemData(&data));
    EXPECT_FALSE(OrvaneUtil_SetRequest(&request));
    EXPECT_FALSE(OrvaneUtil_GetRequest(&request.header, reply));
    EXPECT_EQ(0xAB, reply[0]);
}

TEST_F(NoCamera, LastErrorGivesCodeZero) {
    uint32_t code = 0xDEADBEEF;
    EXPECT_FALSE(OrvaneUtil_GetLastError(&code));
    EXPECT_EQ(0u, code);
}

TEST_F(NoCamera, NullPointersAreRefusedWithInvalidParameter) {
    auto refused = [](bool result) {
        const DWORD error = GetLastError();
        return !result && error == ERROR_INVALID_PARAMETER;
    };
    uint32_t size = 4;
    RequestHeader header = {};
    header.length = 2;
    RequestRecord request = {};
    request.header.length = 2;
    const CtrlValueRecord noData = {1, 0, 0, nullptr};

    EXPECT_TRUE(refused(OrvaneUtil_GetCtrlCurEvent(nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetCtrlSignalEvent(nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetTransErrorEvent(nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetImageRecvEvent(nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetSizeErrorEvent(nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetVersion(nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetCtrlSupport(nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetCtrlAttribute(1, nullptr, 4)));
    EXPECT_TRUE(refused(OrvaneUtil_GetCtrlCurrent(1, nullptr, 4)));
    EXPECT_TRUE(refused(OrvaneUtil_SetCtrlCurrent(nullptr, 0)));
    EXPECT_TRUE(refused(OrvaneUtil_SetCtrlCurrent(&noData, 1)));
    EXPECT_TRUE(refused(OrvaneUtil_GetImageSupport(nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetImageAttribute(nullptr, &size)));
    EXPECT_TRUE(refused(OrvaneUtil_GetImageAttribute(&size, nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetImageCurrent(nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetImageTransfer(nullptr, &size)));
    EXPECT_TRUE(refused(OrvaneUtil_SetImageCurrent(&size, nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetTrans(nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetSystemSupport(nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetSystemDataSize(1, nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetSystemData(nullptr, &size)));
    EXPECT_TRUE(refused(OrvaneUtil_SetSystemData(nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetFrame(&size, nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetBufferTable(&size, nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_GetBufferTable(nullptr, &size)));
    EXPECT_TRUE(refused(OrvaneUtil_GetRequest(nullptr, &size)));
    EXPECT_TRUE(refused(OrvaneUtil_GetRequest(&header, nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_SetRequest(nullptr)));
    EXPECT_TRUE(refused(OrvaneUtil_SetRequest(&request)));
}

TEST_F(NoCamera, ZeroLengthsNeedNoBuffer) {
    // Nothing to point at: a null buffer is fine, and the call fails only for want of a camera.
    RequestHeader header = {};
    RequestRecord request = {};
    uint32_t size = 0;
    const auto notConnected = [](bool result) {
        const DWORD error = GetLastError();
        return !result && error == ERROR_DEVICE_NOT_CONNECTED;
    };
    EXPECT_TRUE(notConnected(OrvaneUtil_GetRequest(&header, nullptr)));
    EXPECT_TRUE(notConnected(OrvaneUtil_SetRequest(&request)));
    EXPECT_TRUE(notConnected(OrvaneUtil_GetCtrlCurrent(1, nullptr, 0)));
    EXPECT_TRUE(notConnected(OrvaneUtil_GetBufferTable(nullptr, &size)));
    // Without a code it asks only why no camera is open; the null is refused once one is.
    EXPECT_TRUE(notConnected(OrvaneUtil_GetLastError(nullptr)));
}

// A caller that asks GetLastError after a failure learns the true reason, not a value some
// earlier call left behind.
TEST_F(NoCamera, EveryRequestFunctionSaysNoCameraIsConnected) {
    std::vector<uint8_t> big(ORVANE_IMAGE_SUPPORT_SIZE);
    CtrlCurEventRecord e1;
    CtrlSignalEventRecord e2;
    TransErrorEventRecord e3;
    ImageRecvEventRecord e4;
    SizeErrorEventRecord e5;
    VersionRecord version;
    CtrlAttributeRecord attribute;
    const uint8_t value = 1;
    const CtrlValueRecord control = {0x3E, 0, 0, &value};
    const SystemDataRecord data = {1, {0, 0, 0}, &value, 1};
    RequestRecord request = {};
    uint32_t code = 0;
    uint32_t size = 16;
    uint8_t mode = 0;
    uint8_t* out = big.data();
    const std::vector<std::function<bool()>> calls = {
        [&] { return OrvaneUtil_SetTimeOutInfo(20000); },
        [&] { return OrvaneUtil_GetLastError(&code); },
        [&] { return OrvaneUtil_GetCtrlCurEvent(&e1); },
        [&] { return OrvaneUtil_GetCtrlSignalEvent(&e2); },
        [&] { return OrvaneUtil_GetTransErrorEvent(&e3); },
        [&] { return OrvaneUtil_GetImageRecvEvent(&e4); },
        [&] { return OrvaneUtil_GetSizeErrorEvent(&e5); },
        [&] { return OrvaneUtil_GetVersion(&version); },
        [&] { return OrvaneUtil_GetCtrlSupport(out); },
        [&] { return OrvaneUtil_GetCtrlAttribute(1, &attribute, 4); },
        [&] { return OrvaneUtil_GetCtrlCurrent(61, out, 14); },
        [&] { return OrvaneUtil_SetCtrlCurrent(&control, 1); },
        [&] { return OrvaneUtil_GetImageSupport(out); },
        [&] { return OrvaneUtil_GetImageAttribute(out, out); },
        [&] { return OrvaneUtil_GetImageCurrent(out); },
        [&] { return OrvaneUtil_GetImageTransfer(out, out); },
        [&] { return OrvaneUtil_SetImageCurrent(out, out); },
        [&] { return OrvaneUtil_GetTrans(&mode); },
        [&] { return OrvaneUtil_SetTrans(0); },
        [&] { return OrvaneUtil_GetSystemSupport(out); },
        [&] { return OrvaneUtil_GetSystemDataSize(1, &code); },
        [&] { return OrvaneUtil_GetSystemData(out, out); },
        [&] { return OrvaneUtil_SetSystemData(&data); },
        [&] { return OrvaneUtil_GetFrame(out, out); },
        [&] { return OrvaneUtil_GetBufferTable(out, &size); },
        [&] { return OrvaneUtil_GetRequest(&request.header, out); },
        [&] { return OrvaneUtil_SetRequest(&request); },
    };
    ASSERT_EQ(27u, calls.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        SetLastError(ERROR_GEN_FAILURE);  // left by some earlier call
        const bool result = calls[i]();
        const DWORD error = GetLastError();
        EXPECT_FALSE(result) << "request function " << i;
        EXPECT_EQ(static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED), error)
            << "request function " << i;
    }
}

TEST_F(NoCamera, AttributeWiderThanTheRecordIsRefusedAndTheRecordUntouched) {
    CtrlAttributeRecord attribute;
    std::memset(&attribute, 0xAB, sizeof(attribute));
    EXPECT_FALSE(OrvaneUtil_GetCtrlAttribute(1, &attribute, 65));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(OrvaneUtil_GetCtrlAttribute(1, &attribute, 0xFFFFFFFFu));
    EXPECT_TRUE(AllBytes(attribute, 0xAB));
}

TEST_F(NoCamera, UninitWithNothingStartedReturnsAtOnceAndChangesNothing) {
    OrvaneUtil_Uninit();
    OrvaneUtil_Uninit();
    EXPECT_EQ(INVALID_HANDLE_VALUE, theApp.m_hDevice.load());
    EXPECT_EQ(nullptr, theApp.m_hScanThread.load());
    EXPECT_EQ(nullptr, theApp.m_hWatchThread.load());
    EXPECT_FALSE(theApp.m_bScanRunning.load());
    EXPECT_FALSE(theApp.m_bWatchRunning.load());
}
