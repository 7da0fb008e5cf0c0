// The update itself: which images go to the camera, in what order and form, with which
// time-outs, and how a failing or vanishing camera ends the run.
#include <algorithm>

#include "UpdaterRun.h"

namespace e2e {
namespace {

class Updating : public UpdaterRun {};

constexpr int32_t kStatusUnsuccessful = static_cast<int32_t>(0xC0000001u);

std::vector<uint8_t> Padded(std::vector<uint8_t> bytes) {
    while (bytes.size() % 4 != 0) {
        bytes.push_back(0xFF);
    }
    return bytes;
}

std::vector<std::wstring> After(const std::vector<std::wstring>& texts, size_t first) {
    return first < texts.size() ? std::vector<std::wstring>(texts.begin() + first, texts.end())
                                : std::vector<std::wstring>{};
}

TEST_F(Updating, EntriesGoInIdOrderAndAMissingFileIsPassedOver) {
    Package package = StandardPackage();
    package.entries = {
        {L"3", L"51", L"Third", L"c.bin", L"5"},
        {L"2", L"34", L"Second", L"b.bin", L"5"},
        {L"1", L"17", L"First", L"a.bin", L"5"},
    };
    const auto first = ImageBytes(8, 1);
    const auto third = ImageBytes(12, 3);
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"a.bin", first));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"c.bin", third));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND box = nullptr;
    ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Finished", &box));

    const Journal writes = WithCode(ReadCameraJournal(), kCodeSetSystemData);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(SystemDataOf(writes[0]).value_or(SystemDataInput{}).selector, 17);
    EXPECT_EQ(SystemDataOf(writes[1]).value_or(SystemDataInput{}).selector, 51);
    std::vector<uint8_t> image;
    EXPECT_TRUE(sim.ReadImage(17, &image));
    EXPECT_EQ(image, first);
    EXPECT_TRUE(sim.ReadImage(51, &image));
    EXPECT_EQ(image, third);
    EXPECT_FALSE(sim.ReadImage(34, &image));
    EXPECT_FALSE(IsVisible(Item(IDC_FILE2)));

    const std::vector<std::wstring> expected = {
        kDefaultVersionLine, L"First Update",   L"FileName=a.bin",        L"First Update:Succeeded",
        L"Third Update",     L"FileName=c.bin", L"Third Update:Succeeded"};
    EXPECT_EQ(After(LogTexts(), 1), expected);
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
}

TEST_F(Updating, FirstOfTwoEntriesFailingStopsTheRunAndShowsTheCode) {
    Package package = StandardPackage();
    package.entries = {
        {L"1", L"1", L"One", L"one.bin", L"5"},
        {L"2", L"2", L"Two", L"two.bin", L"5"},
    };
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"one.bin", ImageBytes(8, 1)));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"two.bin", ImageBytes(8, 2)));
    ASSERT_TRUE(sim.SetFault(20, 0x1234, kStatusUnsuccessful));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND box = nullptr;
    ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Error", &box));

    const MessageBoxView view = ReadBox(box);
    EXPECT_EQ(view.text, L"Failed!\r\nError=4660");
    EXPECT_TRUE(view.ok);
    EXPECT_FALSE(view.cancel || view.yes || view.no);
    EXPECT_EQ(WithCode(ReadCameraJournal(), kCodeSetSystemData).size(), 1u)
        << "the second entry was attempted";
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));

    ASSERT_TRUE(LogPresent()) << "a failed run's log was deleted";
    const std::vector<std::wstring> expected = {kDefaultVersionLine, L"One Update",
                                                L"FileName=one.bin", L"SetSystemData Error(4660)",
                                                L"One Update:Failed"};
    EXPECT_EQ(After(LogTexts(), 1), expected);
    ExpectConnectionReleasedLast();
}

TEST_F(Updating, WithoutTheCamerasCodeTheFailureHasNoErrorLine) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_TRUE(sim.SetFault(20, 0x1234, kStatusUnsuccessful));
    ASSERT_TRUE(sim.SetFault(25, 0x4321, kStatusUnsuccessful));  // the code cannot be read
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND box = nullptr;
    ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Error", &box));

    EXPECT_EQ(ReadBox(box).text, L"Failed!\r\nError=0");
    EXPECT_EQ(WithCode(ReadCameraJournal(), kCodeGetLastError).size(), 1u);
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
    const std::vector<std::wstring> expected = {kDefaultVersionLine, L"Main firmware Update",
                                                L"FileName=main.bin",
                                                L"Main firmware Update:Failed"};
    EXPECT_EQ(After(LogTexts(), 1), expected);
    ExpectConnectionReleasedLast();
}

TEST_F(Updating, ATimeOutTheCameraRefusesWritesNothingAndFailsTheRun) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_TRUE(sim.SetFault(0, 0x77, kStatusUnsuccessful));  // the entry's own time-out
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND box = nullptr;
    ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Error", &box));

    EXPECT_EQ(ReadBox(box).text, L"Failed!\r\nError=119");
    const Journal journal = ReadCameraJournal();
    EXPECT_TRUE(WithCode(journal, kCodeSetSystemData).empty()) << "written under the old time-out";
    const Journal timeOuts = WithCode(journal, kCodeSetTimeOut);
    ASSERT_EQ(timeOuts.size(), 2u);
    EXPECT_EQ(InputWord(timeOuts[1], 0).value_or(0), 20000u) << "the time-out not restored";
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
    const std::vector<std::wstring> expected = {kDefaultVersionLine, L"Main firmware Update",
                                                L"FileName=main.bin", L"SetTimeOutInfo Error(119)",
                                                L"Main firmware Update:Failed"};
    EXPECT_EQ(After(LogTexts(), 1), expected);
    ExpectConnectionReleasedLast();
}

// Every image is held and read before the first request: an image that goes, is locked, is
// too large for memory or reads short after the dialog found it fails the run while the camera
// is untouched. Entry 2 is the spoiled one, so entry 1 would have been written before it.
class SpoiledImage : public UpdaterRun {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(UpdaterRun::SetUp());
        Package package = StandardPackage();
        package.entries = {
            {L"1", L"1", L"One", L"one.bin", L"5"},
            {L"2", L"2", L"Two", L"two.bin", L"5"},
        };
        ASSERT_NO_FATAL_FAILURE(WritePackage(package));
        ASSERT_NO_FATAL_FAILURE(WriteImage(L"one.bin", ImageBytes(8, 1)));
        ASSERT_NO_FATAL_FAILURE(AttachCamera());
    }

    void StartShowingBothLabels() {
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_TRUE(IsVisible(Item(IDC_FILE1)) && IsVisible(Item(IDC_FILE2)))
            << "an image was not found";
    }

    void ExpectNothingSent(const std::wstring& reason) {
        HWND box = nullptr;
        ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Error", &box));
        EXPECT_EQ(ReadBox(box).text, L"Failed!\r\nError=0");
        ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));

        // From the version block on, only the closing value reached the camera.
        const Journal journal = ReadCameraJournal();
        const auto identified = IndexOf(journal, kCodeGetCtrlCurrent);
        ASSERT_TRUE(identified.has_value());
        EXPECT_EQ(journal.size(), *identified + 2) << "requests after the identification";
        EXPECT_TRUE(WithCode(journal, kCodeSetSystemData).empty());
        ExpectConnectionReleasedLast();
        ASSERT_TRUE(LogPresent());
        const std::vector<std::wstring> expected = {
            kDefaultVersionLine, L"Two Update", L"FileName=two.bin", reason, L"Two Update:Failed"};
        EXPECT_EQ(After(LogTexts(), 1), expected);
    }
};

TEST_F(SpoiledImage, DeletedAfterItsLabelShowed) {
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"two.bin", ImageBytes(8, 2)));
    ASSERT_NO_FATAL_FAILURE(StartShowingBothLabels());
    ASSERT_TRUE(RemoveFile(folder.PackagePath(L"two.bin")));
    ASSERT_NO_FATAL_FAILURE(ExpectNothingSent(L"File Open Error"));
}

TEST_F(SpoiledImage, HeldOpenWithoutSharingAfterItsLabelShowed) {
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"two.bin", ImageBytes(8, 2)));
    ASSERT_NO_FATAL_FAILURE(StartShowingBothLabels());
    UniqueHandle held(CreateFileW(folder.PackagePath(L"two.bin").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held) << "error " << GetLastError();
    ASSERT_NO_FATAL_FAILURE(ExpectNothingSent(L"File Open Error"));
}

TEST_F(SpoiledImage, TooLargeForMemory) {
    // Paddable in 32 bits, but no 32-bit process has room for it.
    ASSERT_TRUE(folder.WriteSparseImage(L"two.bin", 0xFFFFFFFCull));
    ASSERT_NO_FATAL_FAILURE(StartShowingBothLabels());
    ASSERT_NO_FATAL_FAILURE(ExpectNothingSent(L"Memory Allocation Error"));
}

TEST_F(SpoiledImage, ReadingShort) {
    ASSERT_TRUE(folder.LinkShortImage(L"two.bin")) << "no short file, error " << GetLastError();
    ASSERT_NO_FATAL_FAILURE(StartShowingBothLabels());
    ASSERT_NO_FATAL_FAILURE(ExpectNothingSent(L"File Read Error"));
}

TEST_F(Updating, ImagesArePaddedToFourBytesAndAPatternSendsTheFileFound) {
    Package package = StandardPackage();
    package.entries = {
        {L"1", L"1", L"Five", L"five.bin", L"5"},
        {L"2", L"2", L"Eight", L"eight.bin", L"5"},
        {L"3", L"3", L"Empty", L"empty.bin", L"5"},
        {L"4", L"4", L"Pattern", L"fw*.bin", L"5"},
    };
    const auto five = ImageBytes(5, 1);
    const auto eight = ImageBytes(8, 2);
    const auto found = ImageBytes(6, 4);
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"five.bin", five));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"eight.bin", eight));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"empty.bin", {}));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"fw_0102.bin", found));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND box = nullptr;
    ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Finished", &box));

    const Journal writes = WithCode(ReadCameraJournal(), kCodeSetSystemData);
    ASSERT_EQ(writes.size(), 4u);
    const uint32_t lengths[] = {8, 8, 0, 8};
    for (size_t i = 0; i < 4; ++i) {
        const auto record = SystemDataOf(writes[i]);
        ASSERT_TRUE(record.has_value()) << "write " << i;
        EXPECT_EQ(record->selector, i + 1);
        EXPECT_EQ(record->length, lengths[i]) << "write " << i;
    }
    std::vector<uint8_t> image;
    EXPECT_TRUE(sim.ReadImage(1, &image));
    EXPECT_EQ(image, Padded(five));
    EXPECT_EQ(std::vector<uint8_t>(image.end() - 3, image.end()),
              (std::vector<uint8_t>{0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(sim.ReadImage(2, &image));
    EXPECT_EQ(image, eight);
    EXPECT_TRUE(sim.ReadImage(4, &image));
    EXPECT_EQ(image, Padded(found));

    const auto texts = LogTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"FileName=fw_0102.bin"), texts.end());
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
}

TEST_F(Updating, TimeOutIsTheEntrysDuringEachWriteAndTwentySecondsAfter) {
    Package package = StandardPackage();
    package.entries = {
        {L"1", L"1", L"One", L"one.bin", L"3"},
        {L"2", L"2", L"Two", L"two.bin", L"7"},
    };
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"one.bin", ImageBytes(8, 1)));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"two.bin", ImageBytes(8, 2)));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND box = nullptr;
    ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Finished", &box));

    // From the identification on, the time-outs and writes in order; 0 stands for a write.
    const Journal journal = ReadCameraJournal();
    const auto from = IndexOf(journal, kCodeGetVersion);
    ASSERT_TRUE(from.has_value());
    std::vector<uint32_t> sequence;
    for (size_t i = *from; i < journal.size(); ++i) {
        if (journal[i].code == kCodeSetSystemData) {
            sequence.push_back(0);
        } else if (journal[i].code == kCodeSetTimeOut) {
            EXPECT_EQ(journal[i].input.size(), 4u);
            sequence.push_back(InputWord(journal[i], 0).value_or(0xFFFFFFFFu));
        }
    }
    EXPECT_EQ(sequence, (std::vector<uint32_t>{3000, 0, 20000, 7000, 0, 20000}));
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
}

TEST_F(Updating, WriteLongerThanItsTimeOutFailsWithTheCamerasCode) {
    Package package = StandardPackage();
    package.entries[0].timeout = L"1";
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"main.bin", ImageBytes(1000, 1)));
    ASSERT_TRUE(sim.SetWriteTime(2000));  // 2 s for the image against a 1 s time-out
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND box = nullptr;
    ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Error", &box));

    EXPECT_EQ(ReadBox(box).text, L"Failed!\r\nError=31");
    const auto texts = LogTexts();
    const std::vector<std::wstring> expectedEnd = {L"SetSystemData Error(31)",
                                                   L"Main firmware Update:Failed"};
    EXPECT_EQ(After(texts, texts.size() >= 2 ? texts.size() - 2 : 0), expectedEnd);
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
    EXPECT_TRUE(LogPresent());
}

TEST_F(Updating, CameraPulledDuringAWriteEndsTheRunWithTheErrorBox) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_TRUE(sim.HoldUntilDetach(20));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
    ASSERT_NO_FATAL_FAILURE(ClickUpdateAndAwaitTheWrite());
    ASSERT_TRUE(sim.Detach(camera));

    HWND box = WaitBox(L"Error");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ReadBox(box).text.rfind(L"Failed!\r\nError=", 0), 0u);
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
    const auto texts = LogTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), L"Main firmware Update:Failed");
}

TEST_F(Updating, SuccessfulRunMarksTheLineDoneShowsFinishedAndReleasesTheCamera) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND box = nullptr;
    ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Finished", &box));

    EXPECT_EQ(VersionList(),
              std::vector<std::wstring>{std::wstring(kDefaultVersionLine) + L" [Done]"});
    const MessageBoxView view = ReadBox(box);
    EXPECT_EQ(view.text, L"The upgrade ended.\r\nPlease reactivate the ZP-Na7.");
    EXPECT_TRUE(view.ok);
    EXPECT_FALSE(view.cancel || view.yes || view.no);
    ASSERT_TRUE(LogPresent()) << "the log went before the box was answered";
    const std::vector<std::wstring> expected = {kDefaultVersionLine, L"Main firmware Update",
                                                L"FileName=main.bin",
                                                L"Main firmware Update:Succeeded"};
    EXPECT_EQ(After(LogTexts(), 1), expected);

    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
    EXPECT_FALSE(LogPresent());
    const Journal journal = ReadCameraJournal();
    ASSERT_FALSE(journal.empty());
    EXPECT_TRUE(IsConnectionControlWrite(journal.back(), 1));
    std::vector<uint8_t> image;
    EXPECT_TRUE(sim.ReadImage(1, &image));
    EXPECT_EQ(image, ImageBytes(8, 1));
}

}  // namespace
}  // namespace e2e
