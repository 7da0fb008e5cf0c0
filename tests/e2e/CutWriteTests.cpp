// A write cut off or told to end from outside: ended by force or by the end of the Windows
// session, it is told at every next start until an update reaches its result; ended by WM_QUIT,
// it still shows its result, and a failure ends the program with a non-zero status.
#include <algorithm>

#include "UpdaterRun.h"

namespace e2e {
namespace {

class CutWrite : public UpdaterRun {};

constexpr wchar_t kSessionEnded[] = L"The write was cut off by the end of the Windows session";
constexpr wchar_t kUnfinished[] =
    L"The last update of the camera did not finish.\r\nUpdate the camera again before you use "
    L"it.";

TEST_F(CutWrite, EndedMidWriteIsToldAtTheNextStartsUntilAnUpdateFinishes) {
    ASSERT_NO_FATAL_FAILURE(BeginLongWrite(3000));
    // Windows ends its session, then the process, whatever the program answered before.
    EXPECT_TRUE(Send(dialog, WM_ENDSESSION, TRUE, ENDSESSION_CRITICAL).has_value());
    EXPECT_TRUE(Send(dialog, WM_ENDSESSION, TRUE, ENDSESSION_CRITICAL).has_value());
    ASSERT_TRUE(OneRequestOutstanding()) << "the write ended before the program was";
    updater.Terminate();
    const auto texts = LogTexts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), kSessionEnded), 1);
    EXPECT_EQ(texts.empty() ? L"" : texts.back(), kSessionEnded);

    // Told before the library starts: the camera is neither opened nor asked anything.
    ASSERT_TRUE(sim.SetWriteTime(1));
    const size_t requests = ReadCameraJournal().size();
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND box = WaitBox(L"Warning");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ReadBox(box).text, kUnfinished);
    EXPECT_EQ(ReadCameraJournal().size(), requests) << "the camera was reached before the box";
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));

    // Then the run goes on as usual, and the update works.
    HWND finished = nullptr;
    ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Finished", &finished));
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(finished, IDOK));

    // Its result was told: the next start says nothing.
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
    EXPECT_TRUE(OtherWindows().empty()) << "a box after an update that finished";
    ASSERT_TRUE(Click(Item(IDC_EXIT), Delivery::Posted));
    ASSERT_TRUE(updater.WaitExit(kExitMs));
}

// The loop ended by WM_QUIT while the write runs; the write then fails. The operator still gets
// the failure, and no script can take the end for a success.
TEST_F(CutWrite, QuitDuringAFailingWriteStillShowsTheErrorAndEndsWithAFailure) {
    Package package = StandardPackage();
    package.entries[0].timeout = L"60";
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"main.bin", ImageBytes(8, 1)));
    ASSERT_TRUE(sim.HoldUntilDetach(20));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
    ASSERT_NO_FATAL_FAILURE(ClickUpdateAndAwaitTheWrite());

    // Posted to the thread, a quit comes in order: taken before the marker behind it.
    const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    ASSERT_TRUE(PostThreadMessageW(thread, WM_QUIT, 0, 0));
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
    ASSERT_TRUE(OneRequestOutstanding()) << "the write ended before the quit was taken";
    ASSERT_TRUE(sim.Detach(camera));

    HWND box = WaitBox(L"Error");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ReadBox(box).text.rfind(L"Failed!\r\nError=", 0), 0u) << Utf8(ReadBox(box).text);
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
    EXPECT_NE(updater.ExitCode().value_or(0), 0u);
    const auto texts = LogTexts();
    EXPECT_EQ(texts.empty() ? L"" : texts.back(), L"Main firmware Update:Failed");
}

}  // namespace
}  // namespace e2e
