#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "ImageTransfer.h"

TEST(ImageTransfer, PaddedLengthRoundsUpToFourBytes) {
    const struct {
        uint64_t size;
        uint32_t padded;
    } cases[] = {{0, 0}, {1, 4}, {3, 4},  {4, 4},
                 {5, 8}, {8, 8}, {9, 12}, {0xFFFFFFFCull, 0xFFFFFFFCu}};
    for (const auto& c : cases) {
        uint32_t padded = 0xDEADBEEF;
        EXPECT_TRUE(PaddedLength(c.size, &padded)) << c.size;
        EXPECT_EQ(padded, c.padded) << c.size;
    }
}

TEST(ImageTransfer, PaddedLengthRefusesWhatWouldOverflow) {
    for (const uint64_t size : {0xFFFFFFFDull, 0xFFFFFFFFull, 0x100000000ull, ~0ull}) {
        uint32_t padded = 7;
        EXPECT_FALSE(PaddedLength(size, &padded)) << size;
        EXPECT_EQ(padded, 7u) << "untouched on failure";
    }
}

TEST(ImageTransfer, RecordCarriesTheSelectorsLowByteTheBufferAndTheLength) {
    const uint8_t image[8] = {};
    const SystemDataRecord record = MakeSystemDataRecord(0x1234, image, 8);
    EXPECT_EQ(record.selector, 0x34);
    EXPECT_EQ(record.data, image);
    EXPECT_EQ(record.length, 8u);
    EXPECT_EQ(record.padding[0] | record.padding[1] | record.padding[2], 0);

    EXPECT_EQ(MakeSystemDataRecord(-1, image, 0).selector, 0xFF);
    EXPECT_EQ(MakeSystemDataRecord(INT32_MIN, image, 0).selector, 0x00);
    EXPECT_EQ(MakeSystemDataRecord(256 + 7, image, 0).selector, 7);
}

TEST(ImageTransfer, ProgressRangeIsOneStepPerTickHeldAtTheControlsLimit) {
    EXPECT_EQ(ProgressUpperBound(60000), 120);
    EXPECT_EQ(ProgressUpperBound(1000), 2);
    EXPECT_EQ(ProgressUpperBound(3000), 6);
    EXPECT_EQ(ProgressUpperBound(999), 1);
    EXPECT_EQ(ProgressUpperBound(0), 0);
    EXPECT_EQ(ProgressUpperBound(32767000), 65534);
    EXPECT_EQ(ProgressUpperBound(32767500), 65535);
    EXPECT_EQ(ProgressUpperBound(32768000), 65535);  // would wrap to 0 in 16 bits
    EXPECT_EQ(ProgressUpperBound(UINT32_MAX), 65535);
}

TEST(ImageTransfer, EntryLogLines) {
    EXPECT_EQ(EntryStartLine(L"Main firmware"), L"Main firmware Update");
    EXPECT_EQ(EntryFileLine(L"main.bin"), L"FileName=main.bin");
    EXPECT_EQ(EntryOutcomeLine(L"Main firmware", true), L"Main firmware Update:Succeeded");
    EXPECT_EQ(EntryOutcomeLine(L"Main firmware", false), L"Main firmware Update:Failed");
    EXPECT_EQ(EntryStartLine(L""), L" Update");
    EXPECT_EQ(RequestErrorLine(L"SetSystemData", 0x1F), L"SetSystemData Error(31)");
    EXPECT_EQ(RequestErrorLine(L"SetSystemData", 0xFFFFFFFFu), L"SetSystemData Error(-1)");
    EXPECT_EQ(RequestErrorLine(L"SetTimeOutInfo", 5), L"SetTimeOutInfo Error(5)");
}
