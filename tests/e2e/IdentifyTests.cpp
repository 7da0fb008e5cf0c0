// The camera identified (or not), the model check with its boxes, and the ways out that end
// the program without an update.
#include "SystemErrorText.h"
#include "TimeScale.h"
#include "UpdaterRun.h"

namespace e2e {
namespace {

class Identifying : public UpdaterRun {};

// The dialog's private messages: its worker's doorbell, and the message by which the worker once
// enabled a control (wParam: the control's ID, lParam: TRUE).
constexpr UINT kWorkerDoorbell = WM_APP + 1;
constexpr UINT kEnableControlMessage = WM_APP + 4;

constexpr uint32_t kFunctionSetCtrlCurrent = 9;  // among others, the connection control 0x3E

// A failure status that reaches the caller with a system error, so the library reports it.
constexpr int32_t kStatusUnsuccessful = static_cast<int32_t>(0xC0000001u);
constexpr uint32_t kSomeDriverError = 0x55;

TEST_F(Identifying, Camera7012ShowsItsVersionLineLogsItAndEnablesUpdate) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());

    EXPECT_EQ(VersionList(), std::vector<std::wstring>{kDefaultVersionLine});
    const auto texts = LogTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], kDefaultVersionLine);
    EXPECT_TRUE(IsEnabled(Item(IDC_EXIT)));
    EXPECT_TRUE(OtherWindows().empty());
}

// A camera that is there but will not open (access denied, another program holding it): the
// dialog keeps waiting and says why on its version line, and once the camera opens that line
// gives way to the camera's own.
TEST_F(Identifying, ACameraThatCannotBeOpenedIsSaidOnTheVersionLineUntilItOpens) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_TRUE(sim.RefuseOpen(camera, true));
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::vector<std::wstring> refused = {L"Camera found but cannot be opened: " +
                                               SystemErrorText(ERROR_ACCESS_DENIED)};
    EXPECT_TRUE(WaitUntil([&] { return VersionList() == refused; }, kIdentifyMs))
        << (VersionList().empty() ? std::wstring() : VersionList()[0]).c_str();
    EXPECT_FALSE(IsEnabled(Item(IDC_UPDATE)));
    EXPECT_EQ(LogTexts().size(), 1u) << "the line is not logged";

    ASSERT_TRUE(sim.RefuseOpen(camera, false));
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
    EXPECT_EQ(VersionList(), std::vector<std::wstring>{kDefaultVersionLine});
    EXPECT_EQ(WithCode(ReadCameraJournal(), kCodeGetLastError).size(), 0u)
        << "the wait asked the camera itself";
}

class MatchingZpMo7 : public UpdaterRun {
protected:
    void StartWith(bool imagePresent) {
        Package package = StandardPackage();
        package.devName = L"ZP-Mo7";
        ASSERT_NO_FATAL_FAILURE(WritePackage(package));
        if (imagePresent) {
            ASSERT_NO_FATAL_FAILURE(WriteImage(L"main.bin", ImageBytes(8, 1)));
        }
        ASSERT_TRUE(sim.SetProductCode(0x7013));
        ASSERT_NO_FATAL_FAILURE(AttachCamera());
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_NO_FATAL_FAILURE(WaitVersionLine());
        EXPECT_EQ(VersionList(), std::vector<std::wstring>{L"ZP-Mo7:Ver=110.05-0003-12"});
    }
};

TEST_F(MatchingZpMo7, EnablesUpdateWithAFoundFileAndAsksNothing) {
    ASSERT_NO_FATAL_FAILURE(StartWith(true));
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
    EXPECT_TRUE(IsEnabled(Item(IDC_UPDATE)));
    EXPECT_TRUE(OtherWindows().empty());
}

TEST_F(MatchingZpMo7, KeepsUpdateDisabledWithoutAFoundFile) {
    ASSERT_NO_FATAL_FAILURE(StartWith(false));
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
    EXPECT_FALSE(IsEnabled(Item(IDC_UPDATE)));
    EXPECT_TRUE(OtherWindows().empty());
}

TEST_F(Identifying, DeviceNameDifferingOnlyInCaseIsAMismatch) {
    Package package = StandardPackage();
    package.devName = L"zp-NA7";
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"main.bin", ImageBytes(8, 1)));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());

    HWND box = WaitBox(L"Warning");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ReadBox(box).text, L"Not zp-NA7.");
    EXPECT_FALSE(IsEnabled(Item(IDC_UPDATE)));
}

// An unusable camera: nothing shown or logged, "Update" stays disabled for good, and Exit
// still works.
class UnusableCamera : public UpdaterRun {
protected:
    void ExpectWaitingForGood(uint32_t lastRequest) {
        ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
        ASSERT_NO_FATAL_FAILURE(AttachCamera());
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_NO_FATAL_FAILURE(WaitRequest(lastRequest));

        // The check has returned and the library reports the camera only once: nothing
        // can change any more.
        ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
        EXPECT_TRUE(VersionList().empty());
        EXPECT_EQ(LogTexts().size(), 1u);
        EXPECT_TRUE(updater.Running());
        EXPECT_FALSE(IsEnabled(Item(IDC_UPDATE)));
        EXPECT_TRUE(IsEnabled(Item(IDC_EXIT)));
        EXPECT_TRUE(OtherWindows().empty());

        // The check decides, not the button: neither the dialog's own enable message from
        // outside nor "Update" enabled by another program lets a click write this camera.
        EXPECT_TRUE(Post(dialog, kEnableControlMessage, IDC_UPDATE, TRUE));
        EXPECT_TRUE(Post(dialog, kWorkerDoorbell, IDC_UPDATE, TRUE));
        ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
        EXPECT_FALSE(IsEnabled(Item(IDC_UPDATE))) << "a posted private message was taken";
        EnableWindow(Item(IDC_UPDATE), TRUE);
        ASSERT_TRUE(IsEnabled(Item(IDC_UPDATE)));
        ASSERT_TRUE(Click(Item(IDC_UPDATE), Delivery::Posted));
        ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
        EXPECT_TRUE(IsEnabled(Item(IDC_EXIT))) << "an update started";
        EXPECT_TRUE(OtherWindows().empty());

        ASSERT_TRUE(Click(Item(IDC_EXIT), Delivery::Posted));
        ASSERT_TRUE(updater.WaitExit(kExitMs));
        EXPECT_FALSE(LogPresent());
        EXPECT_TRUE(WithCode(ReadCameraJournal(), kCodeSetSystemData).empty())
            << "the camera was written";
    }
};

TEST_F(UnusableCamera, ProductCode7014) {
    ASSERT_TRUE(sim.SetProductCode(0x7014));
    ASSERT_NO_FATAL_FAILURE(ExpectWaitingForGood(kCodeGetVersion));
    EXPECT_TRUE(WithCode(ReadCameraJournal(), kCodeGetCtrlCurrent).empty())
        << "the version block was read for an unsupported camera";
}

TEST_F(UnusableCamera, FailingVersionQuery) {
    ASSERT_TRUE(sim.SetFault(26, kSomeDriverError, kStatusUnsuccessful));
    ASSERT_NO_FATAL_FAILURE(ExpectWaitingForGood(kCodeGetVersion));
}

TEST_F(UnusableCamera, FailingVersionBlockQuery) {
    ASSERT_TRUE(sim.SetFault(8, kSomeDriverError, kStatusUnsuccessful));
    ASSERT_NO_FATAL_FAILURE(ExpectWaitingForGood(kCodeGetCtrlCurrent));
}

class OtherModel : public UpdaterRun {
protected:
    // A ZP-Na7 camera against a package for ZP-Mo7.
    void StartUntilWarning(bool check, HWND* box) {
        Package package = StandardPackage();
        package.devName = L"ZP-Mo7";
        if (check) {
            package.check = L"ON";
        }
        ASSERT_NO_FATAL_FAILURE(WritePackage(package));
        ASSERT_NO_FATAL_FAILURE(WriteImage(L"main.bin", ImageBytes(8, 1)));
        ASSERT_NO_FATAL_FAILURE(AttachCamera());
        ASSERT_NO_FATAL_FAILURE(Start());
        *box = WaitBox(L"Warning");
        ASSERT_NE(*box, nullptr);
    }

    void ExpectEndedWithoutImage() {
        ASSERT_TRUE(updater.WaitExit(kExitMs)) << "the program did not end";
        EXPECT_FALSE(LogPresent());
        EXPECT_TRUE(WithCode(ReadCameraJournal(), kCodeSetSystemData).empty());
        std::vector<uint8_t> image;
        EXPECT_FALSE(sim.ReadImage(1, &image)) << "an image was written";
        ExpectConnectionReleasedLast();
    }
};

TEST_F(OtherModel, PlainWarningWithoutCheckEndsTheProgramOnOk) {
    HWND box = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartUntilWarning(false, &box));
    const MessageBoxView view = ReadBox(box);
    EXPECT_EQ(view.text, L"Not ZP-Mo7.");
    EXPECT_TRUE(view.ok);
    EXPECT_FALSE(view.cancel || view.yes || view.no) << "more than an OK button";
    EXPECT_EQ(VersionList(), std::vector<std::wstring>{kDefaultVersionLine});

    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    ASSERT_NO_FATAL_FAILURE(ExpectEndedWithoutImage());
}

TEST_F(OtherModel, QuestionWithCheckEndsTheProgramOnNo) {
    HWND box = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartUntilWarning(true, &box));
    const MessageBoxView view = ReadBox(box);
    EXPECT_EQ(view.text, L"Not ZP-Mo7.\r\nDoes it really update to ZP-Mo7?");
    EXPECT_TRUE(view.yes && view.no) << "no Yes and No buttons";
    EXPECT_FALSE(view.ok || view.cancel);
    EXPECT_EQ(view.defaultId, IDNO);

    ASSERT_TRUE(AnswerMessageBox(box, IDNO));
    ASSERT_NO_FATAL_FAILURE(ExpectEndedWithoutImage());
}

TEST_F(OtherModel, QuestionWithCheckEnablesUpdateOnYes) {
    HWND box = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartUntilWarning(true, &box));
    ASSERT_TRUE(AnswerMessageBox(box, IDYES));

    EXPECT_TRUE(WaitUntil([&] { return IsEnabled(Item(IDC_UPDATE)); }, kBoxMs));
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
    EXPECT_TRUE(updater.Running());
    EXPECT_TRUE(OtherWindows().empty()) << "another window after Yes";
}

TEST_F(Identifying, TransferOnIsSwitchedOffBeforeTheVersionQuery) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_TRUE(sim.SetTransfer(1));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());

    const Journal journal = ReadCameraJournal();
    const auto getTrans = IndexOf(journal, kCodeGetTrans);
    const auto setTrans = IndexOf(journal, kCodeSetTrans);
    const auto getVersion = IndexOf(journal, kCodeGetVersion);
    ASSERT_TRUE(getTrans && setTrans && getVersion);
    EXPECT_LT(*getTrans, *setTrans);
    EXPECT_LT(*setTrans, *getVersion);
    EXPECT_EQ(journal[*setTrans].input, (std::vector<uint8_t>{0x01, 0x00, 0x05}));
    EXPECT_EQ(WithCode(journal, kCodeSetTrans).size(), 1u);
}

TEST_F(Identifying, TransferOffIsLeftAlone) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_TRUE(sim.SetTransfer(0));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());

    const Journal journal = ReadCameraJournal();
    EXPECT_TRUE(IndexOf(journal, kCodeGetTrans).has_value());
    EXPECT_TRUE(WithCode(journal, kCodeSetTrans).empty());
}

TEST_F(Identifying, ExitReleasesTheCameraLastAndDeletesTheLog) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
    ASSERT_TRUE(LogPresent());

    ASSERT_TRUE(Click(Item(IDC_EXIT), Delivery::Posted));
    ASSERT_TRUE(updater.WaitExit(kExitMs));
    EXPECT_FALSE(LogPresent());
    ExpectConnectionReleasedLast();
}

// Notifications and clicks that could not have come from the camera's report, a worker or the
// operator: before the camera, and with it identified.
TEST_F(Identifying, NotificationsPostedBeforeAnyUpdateChangeNothing) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    // The camera opens at once, but the request that precedes its report is held for a while:
    // the library could answer a check meanwhile.
    ASSERT_TRUE(sim.DelayNext(kFunctionSetCtrlCurrent, tavik::test::Scaled(4000)));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(WaitUntil([&] { return OneRequestOutstanding(); }, kIdentifyMs))
        << "the camera was not opened";
    const auto postAll = [&] {
        EXPECT_TRUE(Post(dialog, WM_SYSCOMMAND, 0x10, 0));
        EXPECT_TRUE(Post(dialog, WM_SYSCOMMAND, 0x20, 0));
        EXPECT_TRUE(Post(dialog, WM_SYSCOMMAND, 0x30, -7));
    };
    postAll();
    EXPECT_TRUE(PostClick(IDC_UPDATE));  // disabled
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
    EXPECT_TRUE(OtherWindows().empty()) << "a box for a result no run had";
    camsim::StatusRecord status = {};
    ASSERT_TRUE(sim.ReadStatus(&status));
    ASSERT_EQ(status.outstanding, 1u) << "reported before the notifications were handled";
    EXPECT_EQ(status.received, 1u) << "the camera was asked before it was reported";
    EXPECT_EQ(LogTexts().size(), 1u);

    // The camera's own report still counts.
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
    postAll();
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
    EXPECT_TRUE(OtherWindows().empty()) << "a box for a result no run had";
    EXPECT_TRUE(IsEnabled(Item(IDC_UPDATE)));
    EXPECT_TRUE(LogPresent());
    EXPECT_EQ(LogTexts().size(), 2u);
    const Journal journal = ReadCameraJournal();
    EXPECT_EQ(WithCode(journal, kCodeGetVersion).size(), 1u) << "the camera was checked again";
    EXPECT_TRUE(WithCode(journal, kCodeSetSystemData).empty());

    ASSERT_TRUE(Click(Item(IDC_EXIT), Delivery::Posted));
    ASSERT_TRUE(updater.WaitExit(kExitMs));
    EXPECT_FALSE(LogPresent());
    ExpectConnectionReleasedLast();
}

// WM_QUIT ends the modal loop without any handler of the dialog.
class QuitPosted : public UpdaterRun {
protected:
    void QuitAndExpectReleased() {
        const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
        ASSERT_NE(thread, 0u);
        ASSERT_TRUE(PostThreadMessageW(thread, WM_QUIT, 0, 0));
        ASSERT_TRUE(updater.WaitExit(kExitMs)) << "the program did not end";
        EXPECT_EQ(updater.ExitCode(), 0u);
        // The scan and its callback end before the dialog: after the closing value, nothing.
        ExpectConnectionReleasedLast();
        const Journal journal = ReadCameraJournal();
        size_t opens = 0;
        for (const auto& entry : journal) {
            opens += IsConnectionControlWrite(entry, 0) ? 1 : 0;
        }
        EXPECT_EQ(opens, 1u);
        EXPECT_FALSE(LogPresent()) << "no update ran: the log goes as with Exit";
    }
};

TEST_F(QuitPosted, WhileWaitingWithAnUnknownCamera) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_TRUE(sim.SetProductCode(0x7014));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitRequest(kCodeGetVersion));
    ASSERT_NO_FATAL_FAILURE(QuitAndExpectReleased());
}

// The scan is still looking when the loop ends, and the camera comes right after: the scan
// must be gone before the dialog, with no report to it afterwards.
TEST_F(QuitPosted, WhileTheScanStillSearches) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_NO_FATAL_FAILURE(Start());
    const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    ASSERT_NE(thread, 0u);
    ASSERT_TRUE(PostThreadMessageW(thread, WM_QUIT, 0, 0));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_TRUE(updater.WaitExit(kExitMs)) << "the program did not end";
    EXPECT_EQ(updater.ExitCode(), 0u);
    EXPECT_FALSE(LogPresent());
    const Journal journal = ReadCameraJournal();
    EXPECT_TRUE(WithCode(journal, kCodeGetTrans).empty()) << "a check ran after the loop ended";
    if (!journal.empty()) {
        ExpectConnectionReleasedLast();  // opened in the meantime: closed as on every way out
    }
}

TEST_F(QuitPosted, WhileIdentified) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
    ASSERT_NO_FATAL_FAILURE(QuitAndExpectReleased());
}

}  // namespace
}  // namespace e2e
