// The records the library builds and unpacks itself, byte for byte.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include <winioctl.h>

#include "RequestRecords.h"
#include "Transport.h"

TEST(RequestCodes, FollowTheBufferedAnyAccessRuleFromZero) {
    EXPECT_EQ(0x00220000u, RequestCode(kSetTimeOutInfo));
    EXPECT_EQ(0x00220024u, RequestCode(kSetCtrlCurrent));
    EXPECT_EQ(0x0022003Cu, RequestCode(kGetTrans));
    EXPECT_EQ(0x00220050u, RequestCode(kSetSystemData));
    EXPECT_EQ(0x00220068u, RequestCode(kGetVersion));
    // Same as CTL_CODE(FILE_DEVICE_UNKNOWN, 26, METHOD_BUFFERED, FILE_ANY_ACCESS).
    EXPECT_EQ(
        static_cast<DWORD>(CTL_CODE(FILE_DEVICE_UNKNOWN, 26, METHOD_BUFFERED, FILE_ANY_ACCESS)),
        RequestCode(kGetVersion));
}

TEST(CtrlValueRequest, IsHeadThenValueBytes) {
    const uint8_t value[3] = {0xA1, 0xA2, 0xA3};
    const CtrlValueRecord record = {0x3D, 0x11, 0x22, value};
    std::vector<uint8_t> request(7, 0xEE);
    PackCtrlValueRequest(record, 3, request.data());
    EXPECT_EQ((std::vector<uint8_t>{0x3D, 0x11, 0x22, 0x00, 0xA1, 0xA2, 0xA3}), request);
}

TEST(CtrlValueRequest, LengthZeroIsTheHeadOnlyAndNeedsNoData) {
    const CtrlValueRecord record = {0x3E, 1, 2, nullptr};
    uint8_t request[5] = {9, 9, 9, 9, 0x55};
    PackCtrlValueRequest(record, 0, request);
    EXPECT_EQ(0x3E, request[0]);
    EXPECT_EQ(0, request[3]);
    EXPECT_EQ(0x55, request[4]) << "nothing written past the head";
}

class CtrlAttributeUnpack : public ::testing::Test {
protected:
    void SetUp() override { std::memset(&record, 0xCC, sizeof(record)); }
    CtrlAttributeRecord record;
};

TEST_F(CtrlAttributeUnpack, WidthOneTakesBytesFourToSeven) {
    const uint8_t reply[8] = {0x7F, 0x01, 0x02, 0x03, 0x10, 0x20, 0x30, 0x40};
    UnpackCtrlAttributeReply(reply, 1, &record);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    EXPECT_EQ(0x7F, bytes[0]);
    EXPECT_EQ(0x10, bytes[1]);
    EXPECT_EQ(0x20, bytes[65]);
    EXPECT_EQ(0x30, bytes[129]);
    EXPECT_EQ(0x40, bytes[193]);
    // The rest of each field is left as it was; bytes 1 to 3 of the reply are skipped.
    EXPECT_EQ(0xCC, bytes[2]);
    EXPECT_EQ(0xCC, bytes[64]);
    EXPECT_EQ(0xCC, bytes[66]);
    EXPECT_EQ(0xCC, bytes[256]);
}

TEST_F(CtrlAttributeUnpack, FullWidthFillsEveryByteOfTheRecord) {
    std::vector<uint8_t> reply(CtrlAttributeReplySize(64));
    for (size_t i = 0; i < reply.size(); ++i) {
        reply[i] = static_cast<uint8_t>(i);
    }
    UnpackCtrlAttributeReply(reply.data(), 64, &record);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    EXPECT_EQ(0, bytes[0]);
    for (size_t i = 1; i < sizeof(record); ++i) {
        ASSERT_EQ(static_cast<uint8_t>(i + 3), bytes[i]) << "record offset " << i;
    }
}

TEST_F(CtrlAttributeUnpack, WidthZeroCopiesOnlyTheHeader) {
    const uint8_t reply[4] = {0x42, 1, 2, 3};
    UnpackCtrlAttributeReply(reply, 0, &record);
    EXPECT_EQ(0x42, record.header);
    EXPECT_EQ(0xCC, record.value[0][0]);
}

TEST(SetTransRequest, IsTargetModeAndFive) {
    EXPECT_EQ((std::array<uint8_t, 3>{0x01, 0x00, 0x05}), PackSetTransRequest(0));
    EXPECT_EQ((std::array<uint8_t, 3>{0x01, 0xFF, 0x05}), PackSetTransRequest(0xFF));
}

TEST(RequestRecordPack, HeaderThenDataOfTheHeaderLength) {
    const uint8_t data[4] = {0xD0, 0xD1, 0xD2, 0xD3};
    RequestRecord record = {};
    const uint8_t command[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(record.header.command, command, 6);
    record.header.length = 3;
    record.data = data;
    std::vector<uint8_t> request(12, 0xEE);
    PackRequestRecord(record, request.data());
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 3, 0, 0xD0, 0xD1, 0xD2, 0xEE}), request);
}
