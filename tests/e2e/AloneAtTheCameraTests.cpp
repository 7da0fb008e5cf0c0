// One program at the camera: a second updater never reaches it, and while an update writes no
// other program, nor any message from one, comes between.
#include "LibraryClient.h"
#include "TimeScale.h"
#include "UpdaterRun.h"

namespace e2e {
namespace {

constexpr wchar_t kAlreadyRunning[] =
    L"An update program is already running on this PC.\r\nUse its window to update the camera.";

size_t ConnectionControlWrites(const Journal& journal, uint8_t value) {
    size_t writes = 0;
    for (const auto& entry : journal) {
        writes += IsConnectionControlWrite(entry, value) ? 1 : 0;
    }
    return writes;
}

// Requests that reached the camera while the run's one write was under way.
Journal DuringTheWrite(const Journal& journal) {
    Journal during;
    const Journal writes = WithCode(journal, kCodeSetSystemData);
    EXPECT_EQ(writes.size(), 1u);
    if (writes.size() == 1) {
        for (const auto& entry : journal) {
            if (entry.sequence > writes[0].sequence && entry.sequence <= writes[0].completedAfter) {
                during.push_back(entry);
            }
        }
    }
    return during;
}

class SecondUpdater : public UpdaterRun {
protected:
    // A second TAVIKUpdate in a folder of its own: it says that an update program runs and
    // ends when told, having shown no dialog of its own.
    void StartsAndDefers() {
        WorkFolder other;
        ASSERT_TRUE(other.Create()) << other.problem();
        ASSERT_TRUE(other.WriteDescription(PackageXml(StandardPackage())));
        ASSERT_TRUE(other.WriteImage(L"main.bin", ImageBytes(8, 2)));
        tavik::test::ChildProcess second;
        ASSERT_TRUE(second.Start(other.ProgramPath(), L"", other.Path()));
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                box = FindMessageBox(second.id(), L"Warning", nullptr);
                return box != nullptr;
            },
            kDialogMs))
            << "the second updater said nothing; it "
            << (second.Running() ? "still runs" : "ended");
        EXPECT_EQ(ReadBox(box).text, kAlreadyRunning);
        EXPECT_EQ(FindTopLevel(second.id(), L"#32770", kDialogCaption), nullptr);
        ASSERT_TRUE(AnswerMessageBox(box, IDOK));
        ASSERT_TRUE(second.WaitExit(kExitMs)) << "the second updater did not end";
    }
};

// While the first waits with "Update" enabled: the second neither starts the library nor
// disturbs the first.
TEST_F(SecondUpdater, NeverReachesTheCameraWhileTheFirstWaits) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
    ASSERT_NO_FATAL_FAILURE(StartsAndDefers());
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
    EXPECT_TRUE(IsEnabled(Item(IDC_UPDATE))) << "the first updater was disturbed";
    EXPECT_EQ(VersionList(), std::vector<std::wstring>{kDefaultVersionLine});
    const Journal journal = ReadCameraJournal();
    EXPECT_EQ(WithCode(journal, kCodeGetVersion).size(), 1u) << "a second device check";
    EXPECT_EQ(ConnectionControlWrites(journal, 0), 1u) << "a second library start";
}

// While the first writes: the second is refused as well, and the first's write ends as usual.
TEST_F(SecondUpdater, NeverReachesTheCameraWhileTheFirstWrites) {
    // Longer than a second program's start and end on a loaded machine, and shorter than the
    // package's 60 s time-out, after which the camera fails the write, also when widened.
    ASSERT_NO_FATAL_FAILURE(BeginLongWrite(4000));
    ASSERT_NO_FATAL_FAILURE(StartsAndDefers());
    ASSERT_TRUE(OneRequestOutstanding()) << "the write ended before the second updater was seen";

    HWND box = WaitBox(L"Finished");
    ASSERT_NE(box, nullptr);
    const Journal journal = ReadCameraJournal();
    EXPECT_EQ(WithCode(journal, kCodeSetSystemData).size(), 1u);
    EXPECT_EQ(WithCode(journal, kCodeGetVersion).size(), 1u) << "a second device check";
    EXPECT_EQ(ConnectionControlWrites(journal, 0), 1u) << "a second library start";
    EXPECT_TRUE(DuringTheWrite(journal).empty());
    const std::vector<std::wstring> expected = {kDefaultVersionLine, L"Main firmware Update",
                                                L"FileName=main.bin",
                                                L"Main firmware Update:Succeeded"};
    const auto texts = LogTexts();
    EXPECT_EQ(std::vector<std::wstring>(texts.begin() + (texts.empty() ? 0 : 1), texts.end()),
              expected);
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
    ExpectConnectionReleasedLast();
}

class OtherPrograms : public UpdaterRun {};

// A program on the library that connected before the write: its request fails at once with
// ERROR_BUSY, its shut-down sends nothing, and a new search opens the camera only after the
// write. Messages another program sends to the dialog meanwhile change nothing.
TEST_F(OtherPrograms, NothingOfTheirsComesBetweenAWriteAndTheCamera) {
    LibraryClient client;
    ASSERT_TRUE(client.ok()) << "TAVIKUtilDll.dll beside the test program could not be loaded";
    ASSERT_NO_FATAL_FAILURE(PrepareLongWrite(3000));
    ASSERT_TRUE(client.Init());
    ASSERT_TRUE(client.Connected(kIdentifyMs));
    VersionRecord version = {};
    DWORD error = 0;
    ASSERT_TRUE(client.GetVersion(&version, &error)) << "error " << error;

    ASSERT_NO_FATAL_FAILURE(ClickUpdateAndAwaitTheWrite());
    EXPECT_FALSE(client.GetVersion(&version, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_BUSY));
    client.Uninit();
    ASSERT_TRUE(client.Init());

    // The worker's doorbell and the dialog's earlier private messages (stop the bar's timer,
    // hide the caution, enable Exit), sent as another program would.
    const int before = Position();
    EXPECT_TRUE(Send(dialog, WM_APP + 1, 0, 0).has_value());
    EXPECT_TRUE(Send(dialog, WM_APP + 2, 1, 0).has_value());
    EXPECT_TRUE(Send(dialog, WM_APP + 3, IDC_CAUTION, SW_HIDE).has_value());
    EXPECT_TRUE(Send(dialog, WM_APP + 4, IDC_EXIT, TRUE).has_value());
    EXPECT_TRUE(IsVisible(Item(IDC_CAUTION)));
    EXPECT_FALSE(IsEnabled(Item(IDC_EXIT)));
    int after = before;
    ASSERT_TRUE(WaitUntil(
        [&] {
            after = Position();
            return after >= before + 2 || !WriteUnderWay();
        },
        kBoxMs));
    EXPECT_TRUE(after >= before + 2 && after < 120)
        << "the bar stood at " << before << ", then at " << after;
    ASSERT_TRUE(OneRequestOutstanding()) << "the write ended before it was watched";
    EXPECT_FALSE(client.Connected()) << "the camera was opened during the write";

    HWND box = WaitBox(L"Finished");
    ASSERT_NE(box, nullptr);
    // Called back within its search's usual time of the write's end.
    EXPECT_TRUE(client.Connected(kIdentifyMs)) << "no connection after the write";
    const Journal journal = ReadCameraJournal();
    EXPECT_TRUE(DuringTheWrite(journal).empty());
    EXPECT_EQ(ConnectionControlWrites(journal, 1), 0u) << "a closing write reached the camera";
    EXPECT_EQ(ConnectionControlWrites(journal, 0), 3u);  // the client twice, the updater once
    EXPECT_EQ(WithCode(journal, kCodeGetVersion).size(), 2u) << "a refused request came through";
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
}

}  // namespace
}  // namespace e2e
