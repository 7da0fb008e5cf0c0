#include <gtest/gtest.h>

#include <cstring>

#include "VersionText.h"

namespace {

// Block bytes 4 to 13 as given; bytes 0 to 3 are never shown and are set to noise.
void MakeBlock(const uint8_t (&shown)[10], uint8_t (&block)[kVersionBlockSize]) {
    block[0] = 0xAA;
    block[1] = 0xBB;
    block[2] = 0xCC;
    block[3] = 0xDD;
    std::memcpy(block + 4, shown, sizeof(shown));
}

}  // namespace

TEST(VersionText, ShowsEachGroupFromItsHighestByteDown) {
    uint8_t block[kVersionBlockSize];
    MakeBlock({0x05, 0x00, 0x01, 0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0x01}, block);
    EXPECT_EQ(FormatVersionText(block), L":Ver=110.05-0003-12");
    EXPECT_EQ(FormatVersionLine(L"ZP-Na7", block), L"ZP-Na7:Ver=110.05-0003-12");

    MakeBlock({0x1A, 0x00, 0x02, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, block);
    EXPECT_EQ(FormatVersionText(block), L":Ver=1020.1A-0000-00");
}

TEST(VersionText, BytesOfSixteenAndMoreWidenTheirPlaceOnly) {
    uint8_t block[kVersionBlockSize];
    // Every %X place two digits wide, upper case; the %02X place keeps two digits.
    MakeBlock({0x0F, 0xAB, 0x10, 0xFF, 0xC0, 0x1D, 0x2E, 0x3F, 0x4A, 0xF5}, block);
    EXPECT_EQ(FormatVersionText(block), L":Ver=FF10AB.0F-3F2E1DC0-F54A");

    MakeBlock({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, block);
    EXPECT_EQ(FormatVersionText(block), L":Ver=000.00-0000-00");

    MakeBlock({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, block);
    EXPECT_EQ(FormatVersionText(block), L":Ver=FFFFFF.FF-FFFFFFFF-FFFF");
}

TEST(ModelTable, KnowsExactlyTheTwoModels) {
    EXPECT_STREQ(ModelName(0x7012), L"ZP-Na7");
    EXPECT_STREQ(ModelName(0x7013), L"ZP-Mo7");
    EXPECT_EQ(ModelName(0x7011), nullptr);
    EXPECT_EQ(ModelName(0x7014), nullptr);
    EXPECT_EQ(ModelName(0x0000), nullptr);
    EXPECT_EQ(ModelName(0x1270), nullptr);  // the product code's bytes the other way round
    EXPECT_EQ(ModelName(0xFFFF), nullptr);

    EXPECT_TRUE(IsKnownModelName(L"ZP-Na7"));
    EXPECT_TRUE(IsKnownModelName(L"ZP-Mo7"));
    EXPECT_FALSE(IsKnownModelName(L"zp-na7"));
    EXPECT_FALSE(IsKnownModelName(L"ZP-Na7 "));
    EXPECT_FALSE(IsKnownModelName(L""));
}
