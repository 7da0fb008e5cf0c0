// The PC's power when the operator clicks "Update": an almost empty battery keeps the camera
// untouched; mains power, a charging battery or enough charge let the update go ahead as ever.
// The program's GetSystemPowerStatus answers what each case presents.
#include <memory>

#include "UpdaterRun.h"

namespace e2e {
namespace {

constexpr BYTE kOnBattery = 0;
constexpr BYTE kOnMains = 1;
constexpr BYTE kHigh = 1, kLow = 2, kCritical = 4, kCharging = 8;

class OnBattery : public UpdaterRun {
protected:
    // The standard package, the camera attached, the program identified and its power presented.
    void StartIdentifiedWithPower(BYTE acLine, BYTE batteryFlag, BYTE percent) {
        ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
        ASSERT_NO_FATAL_FAILURE(AttachCamera());
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_NO_FATAL_FAILURE(WaitIdentified());
        probe = std::make_unique<ProgramProbe>(updater.handle());
        ASSERT_TRUE(probe->ok()) << "the probe could not be loaded into the updater";
        ASSERT_TRUE(probe->PresentPowerStatus(acLine, batteryFlag, percent));
    }

    std::unique_ptr<ProgramProbe> probe;
};

TEST_F(OnBattery, AlmostEmptyWritesNothingWarnsAndTakesTheClickAgainOnMains) {
    ASSERT_NO_FATAL_FAILURE(StartIdentifiedWithPower(kOnBattery, kLow | kCritical, 7));
    const size_t requestsBefore = ReadCameraJournal().size();

    ASSERT_TRUE(Click(Item(IDC_UPDATE), Delivery::Posted));
    HWND box = WaitBox(L"Warning");
    ASSERT_NE(box, nullptr);
    const MessageBoxView view = ReadBox(box);
    EXPECT_EQ(view.text,
              L"The PC is running on battery power (7 %). Connect the PC to power, then click "
              L"Update again.");
    EXPECT_TRUE(view.ok);
    EXPECT_FALSE(view.cancel || view.yes || view.no);
    EXPECT_EQ(probe->PowerStatusReads().value_or(0), 1u) << "the power not read at the click";
    // A click that comes while the box shows is no operator's: it asks nothing more.
    ASSERT_TRUE(PostClick(IDC_UPDATE));
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
    EXPECT_EQ(probe->PowerStatusReads().value_or(0), 1u) << "a click taken behind the box";

    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(WaitUntil(
        [&] { return FindMessageBox(updater.id(), L"Warning", dialog) == nullptr; }, kBoxMs));
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
    EXPECT_EQ(ReadCameraJournal().size(), requestsBefore) << "the camera was sent something";
    EXPECT_TRUE(updater.Running());
    EXPECT_TRUE(IsEnabled(Item(IDC_UPDATE))) << "no way to click again once plugged in";
    EXPECT_TRUE(IsEnabled(Item(IDC_EXIT)));
    const std::vector<std::wstring> refused = {
        kDefaultVersionLine, L"Update refused: the PC is running on battery power (7 %)"};
    const std::vector<std::wstring> texts = LogTexts();
    EXPECT_EQ(std::vector<std::wstring>(texts.begin() + (texts.empty() ? 0 : 1), texts.end()),
              refused);

    // Plugged in, still almost empty: the update goes ahead as ever.
    ASSERT_TRUE(probe->PresentPowerStatus(kOnMains, kCritical | kCharging, 5));
    ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Finished", &box));
    EXPECT_EQ(probe->PowerStatusReads().value_or(0), 2u);
    std::vector<uint8_t> image;
    EXPECT_TRUE(sim.ReadImage(1, &image));
    EXPECT_EQ(image, ImageBytes(8, 1));
    const std::vector<std::wstring> updated = LogTexts();
    ASSERT_EQ(updated.size(), 6u);
    EXPECT_EQ(updated[2], refused[1]);
    EXPECT_EQ(updated[5], L"Main firmware Update:Succeeded");
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
    ExpectConnectionReleasedLast();
}

TEST_F(OnBattery, EnoughChargeGoesAheadAsOnMains) {
    ASSERT_NO_FATAL_FAILURE(StartIdentifiedWithPower(kOnBattery, kHigh, 60));
    HWND box = nullptr;
    ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Finished", &box));
    EXPECT_EQ(probe->PowerStatusReads().value_or(0), 1u);
    EXPECT_EQ(WithCode(ReadCameraJournal(), kCodeSetSystemData).size(), 1u);
    const std::vector<std::wstring> texts = LogTexts();
    const std::vector<std::wstring> expected = {kDefaultVersionLine, L"Main firmware Update",
                                                L"FileName=main.bin",
                                                L"Main firmware Update:Succeeded"};
    EXPECT_EQ(std::vector<std::wstring>(texts.begin() + (texts.empty() ? 0 : 1), texts.end()),
              expected);
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
}

}  // namespace
}  // namespace e2e
