// The images' scale for a DPI, and the search for a font height at which a text fits.
#include <gtest/gtest.h>

#include <vector>

#include "ScreenFit.h"

TEST(ScreenFit, ImagesComeAtTheLargestScaleNotAboveTheDpi) {
    EXPECT_EQ(ImageScalePercent(96), 100);
    EXPECT_EQ(ImageScalePercent(120), 100) << "125 %: the 150 % image would outgrow its room";
    EXPECT_EQ(ImageScalePercent(143), 100);
    EXPECT_EQ(ImageScalePercent(144), 150);
    EXPECT_EQ(ImageScalePercent(191), 150);
    EXPECT_EQ(ImageScalePercent(192), 200);
    EXPECT_EQ(ImageScalePercent(480), 200);
    EXPECT_EQ(ImageScalePercent(72), 100);
    EXPECT_EQ(ImageScalePercent(0), 100);
}

namespace {

// A text 30 pixels wide per pixel of height, as hinting leaves it wider at one height; records
// every height it was asked for.
struct MeasuredText {
    int extraAt = 0;  // this height measures `extra` pixels wider
    int extra = 5;
    int failAt = 0;  // this height cannot be measured
    std::vector<int> asked;

    int operator()(int height) {
        asked.push_back(height);
        const int size = height < 0 ? -height : height;
        if (size == failAt) {
            return -1;
        }
        return size * 30 + (size == extraAt ? extra : 0);
    }
};

int Fit(int height, int available, MeasuredText& text) {
    return FittingFontHeight(height, available, [&](int h) { return text(h); });
}

}  // namespace

TEST(ScreenFit, AFontShrinksToTheLargestHeightAtWhichTheTextFits) {
    MeasuredText text;
    EXPECT_EQ(Fit(-12, 400, text), -12) << "fits as it is";
    EXPECT_EQ(text.asked, std::vector<int>{-12}) << "measured once";

    text.asked.clear();
    EXPECT_EQ(Fit(-12, 330, text), -11) << "11 * 30 = 330 fits exactly; the sign stays";
    EXPECT_EQ(Fit(12, 329, text), 10);

    // Hinting makes the estimate too large: it steps down until the text fits.
    MeasuredText hinted;
    hinted.extraAt = 11;
    EXPECT_EQ(Fit(-12, 332, hinted), -10);
    // ...or too small (the full height measured wide makes it 16): it steps up while the next
    // height still fits.
    MeasuredText wider;
    wider.extraAt = 20;
    wider.extra = 100;
    EXPECT_EQ(Fit(-20, 560, wider), -18);
}

TEST(ScreenFit, ATextThatCannotBeMeasuredOrFitKeepsALegibleAnswer) {
    MeasuredText unmeasurable;
    unmeasurable.failAt = 12;
    EXPECT_EQ(Fit(-12, 100, unmeasurable), -12) << "nothing known: the font stays";

    MeasuredText failsLater;
    failsLater.failAt = 3;  // the first trial
    EXPECT_EQ(Fit(-12, 100, failsLater), -12) << "a failed trial leaves the font as it was";

    MeasuredText tooLong;
    EXPECT_EQ(Fit(-12, 10, tooLong), -1) << "never below one pixel";
    EXPECT_EQ(Fit(-12, 0, tooLong), -1);
    EXPECT_EQ(Fit(-12, -5, tooLong), -1) << "a control without width";

    MeasuredText any;
    EXPECT_EQ(Fit(0, 10, any), 0) << "the font's default height cannot be scaled";
    EXPECT_TRUE(any.asked.empty());
}
