// The progress bar and the blinking label while a write runs, and what the dialog does with
// keys and close commands meanwhile.
#include <algorithm>
#include <chrono>

#include "DebugOutput.h"
#include "TimeScale.h"
#include "UpdaterRun.h"

namespace e2e {
namespace {

class Writing : public UpdaterRun {};

using Clock = std::chrono::steady_clock;

struct Sample {
    int64_t ms = 0;  // since the click
    ProgressRange range;
    int position = 0;
    bool labelVisible = false;
};

class Progress : public UpdaterRun {
protected:
    // Clicks "Update" and samples bar and label until the "Finished" box shows. A sample is
    // kept only when the position did not move while the label was read.
    std::vector<Sample> SampleUntilFinished(int label, HWND* box) {
        std::vector<Sample> samples;
        const auto start = Clock::now();
        EXPECT_TRUE(Click(Item(IDC_UPDATE), Delivery::Posted));
        const bool finished = WaitUntil(
            [&] {
                *box = FindMessageBox(updater.id(), L"Finished", dialog);
                if (*box != nullptr) {
                    return true;
                }
                const auto range = Range();
                const int before = Position();
                const bool visible = IsVisible(Item(label));
                if (range && before >= 0 && Position() == before) {
                    const auto ms =
                        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start)
                            .count();
                    samples.push_back(Sample{ms, *range, before, visible});
                }
                return false;
            },
            30000, 2);
        EXPECT_TRUE(finished) << "no \"Finished\" box";
        return samples;
    }
};

TEST_F(Progress, BarRunsAgainstTheTimeOutAndTheLabelBlinksWithEachTick) {
    Package package = StandardPackage();
    package.entries[0].timeout = L"3";
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"main.bin", ImageBytes(400, 1)));
    ASSERT_TRUE(sim.SetWriteTime(5000));  // about 2 s
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());

    HWND box = nullptr;
    std::vector<Sample> samples = SampleUntilFinished(IDC_FILE1, &box);
    ASSERT_NE(box, nullptr);
    // Before the worker set the entry's range the bar keeps its default.
    const ProgressRange entryRange{0, 6};
    const auto begin = std::find_if(samples.begin(), samples.end(),
                                    [&](const Sample& s) { return s.range == entryRange; });
    ASSERT_NE(begin, samples.end()) << "the range 0 to 6 was never seen";
    samples.erase(samples.begin(), begin);
    EXPECT_EQ(samples.front().position, 0);

    std::vector<int64_t> tickTimes;  // when each position 1, 2, ... was first seen
    int last = 0;
    int64_t lastMs = samples.front().ms;
    for (const Sample& s : samples) {
        EXPECT_EQ(s.range, entryRange) << "at " << s.ms << " ms";
        if (s.position != last) {
            // Ticks add one; only the end of a good write jumps to the full bar. A sample late
            // by a tick or more (a loaded machine) may see more than one.
            const int64_t missable = (s.ms - lastMs) / 250;
            EXPECT_TRUE((s.position > last && s.position - last <= 1 + missable) ||
                        s.position == entryRange.high)
                << last << " to " << s.position << " at " << s.ms << " ms";
            if (s.position == last + 1) {
                tickTimes.push_back(s.ms);
            }
            last = s.position;
        }
        lastMs = s.ms;
        if (s.position < entryRange.high) {
            EXPECT_EQ(s.labelVisible, s.position % 2 == 0)
                << "label at position " << s.position << ", " << s.ms << " ms";
        }
    }
    // About 2 s of writing at a tick per 500 ms; loose, for a slow machine.
    // A tick is seen late, never early: tick N, counted from the click, is no sooner than
    // N half-periods, however late the one before it was seen.
    EXPECT_GE(tickTimes.size(), 2u);
    for (size_t i = 0; i < tickTimes.size(); ++i) {
        EXPECT_GE(tickTimes[i], static_cast<int64_t>(i + 1) * 250) << "tick " << i + 1;
    }
    for (size_t i = 1; i < tickTimes.size(); ++i) {
        const int64_t gap = tickTimes[i] - tickTimes[i - 1];
        EXPECT_LE(gap, tavik::test::Scaled(1500)) << "tick " << i + 1;
    }

    // Full and hidden once written, and nothing ticks any more while the box shows: no event
    // marks a tick that does not come, so the watch lasts a few of its periods.
    EXPECT_EQ(Position(), entryRange.high);
    EXPECT_FALSE(IsVisible(Item(IDC_FILE1)));
    EXPECT_TRUE(StaysTrue(
        [&] {
            return Position() == entryRange.high && !IsVisible(Item(IDC_FILE1)) &&
                   Range() == entryRange;
        },
        tavik::test::Scaled(kSilentMs)))
        << "the bar or the label changed after the write";
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
}

TEST_F(Progress, RangeFollowsEachEntrysTimeOut) {
    Package package = StandardPackage();
    package.entries = {
        {L"1", L"1", L"Default", L"one.bin", std::nullopt},
        {L"2", L"2", L"Short", L"two.bin", L"1"},
    };
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"one.bin", ImageBytes(300, 1)));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"two.bin", ImageBytes(300, 2)));
    ASSERT_TRUE(sim.SetWriteTime(1000));  // 0.3 s each
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
    const auto initial = Range();
    ASSERT_TRUE(initial.has_value());

    HWND box = nullptr;
    const std::vector<Sample> samples = SampleUntilFinished(IDC_FILE1, &box);
    ASSERT_NE(box, nullptr);
    std::vector<ProgressRange> ranges;
    for (const Sample& s : samples) {
        if (!(s.range == *initial) && (ranges.empty() || !(ranges.back() == s.range))) {
            ranges.push_back(s.range);
        }
    }
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[0], (ProgressRange{0, 120}));
    EXPECT_EQ(ranges[1], (ProgressRange{0, 2}));
    EXPECT_EQ(Range(), (ProgressRange{0, 2}));
    EXPECT_EQ(Position(), 2);
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
}

TEST_F(Writing, EnterEscapeAndCloseCommandsDuringAWriteChangeNothing) {
    // Two seconds on this machine, time enough for the commands to be handled meanwhile.
    ASSERT_NO_FATAL_FAILURE(BeginLongWrite(2000));

    EXPECT_TRUE(Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0));
    EXPECT_TRUE(Post(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0));
    EXPECT_TRUE(Post(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001));
    EXPECT_TRUE(Post(dialog, WM_SYSCOMMAND, SC_CLOSE, 0));
    EXPECT_TRUE(Post(dialog, WM_CLOSE, 0, 0));
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
    // "Exit" comes back only at the worker's end.
    ASSERT_FALSE(IsEnabled(Item(IDC_EXIT))) << "the write ended before the commands were handled";
    EXPECT_TRUE(updater.Running());
    EXPECT_TRUE(IsVisible(dialog));
    EXPECT_FALSE(IsEnabled(Item(IDC_UPDATE)));
    EXPECT_TRUE(OtherWindows().empty()) << "a box shown during the write";

    HWND box = WaitBox(L"Finished");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ReadBox(box).text, L"The upgrade ended.\r\nPlease reactivate the ZP-Na7.");
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
}

// Clicks on disabled buttons and notifications that no worker of this run posted, while it
// runs: one run, its own result.
TEST_F(Writing, InputsPostedDuringAWriteStartNothingAndEndNothing) {
    DebugOutputReader debugOutput;
    ASSERT_TRUE(debugOutput.ok()) << "another reader has the debugger output";
    Package package = StandardPackage();
    package.entries = {
        {L"1", L"1", L"One", L"one.bin", L"60"},
        {L"2", L"2", L"Two", L"two.bin", L"60"},
    };
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"one.bin", ImageBytes(400, 1)));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"two.bin", ImageBytes(8, 2)));
    // The first image takes a second, time enough for the inputs to be handled meanwhile.
    ASSERT_TRUE(sim.SetWriteTime(tavik::test::Scaled(1000) * 1000 / 400));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
    ASSERT_TRUE(Click(Item(IDC_UPDATE), Delivery::Posted));
    // The entry's time-out is set just before its write.
    ASSERT_TRUE(WaitUntil(
        [&] {
            Journal journal;
            if (sim.ReadJournal(&journal)) {
                for (const auto& entry : WithCode(journal, kCodeSetTimeOut)) {
                    if (InputWord(entry, 0) == 60000u) {
                        return true;
                    }
                }
            }
            return false;
        },
        kBoxMs))
        << "the write never started";

    EXPECT_TRUE(PostClick(IDC_UPDATE));
    EXPECT_TRUE(PostClick(IDC_EXIT));
    EXPECT_TRUE(Post(dialog, WM_SYSCOMMAND, 0x10, 0));
    EXPECT_TRUE(Post(dialog, WM_SYSCOMMAND, 0x20, 0));
    EXPECT_TRUE(Post(dialog, WM_SYSCOMMAND, 0x30, -7));
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
    // "Exit" comes back only at the worker's end.
    ASSERT_FALSE(IsEnabled(Item(IDC_EXIT))) << "the run ended before the inputs were handled";
    EXPECT_FALSE(IsEnabled(Item(IDC_UPDATE))) << "enabled again by a second device check";
    EXPECT_TRUE(OtherWindows().empty()) << "a result shown before the run's own";

    HWND box = WaitBox(L"Finished");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ReadBox(box).text, L"The upgrade ended.\r\nPlease reactivate the ZP-Na7.");
    const Journal journal = ReadCameraJournal();
    const Journal writes = WithCode(journal, kCodeSetSystemData);
    ASSERT_EQ(writes.size(), 2u) << "one request per image";
    EXPECT_EQ(SystemDataOf(writes[0]).value_or(SystemDataInput{}).selector, 1);
    EXPECT_EQ(SystemDataOf(writes[1]).value_or(SystemDataInput{}).selector, 2);
    EXPECT_EQ(WithCode(journal, kCodeGetVersion).size(), 1u) << "the camera was checked again";
    const auto lines = debugOutput.LinesOf(updater.id());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "UpdateThread Srart\r\n"), 1)
        << "the update threads started";
    const std::vector<std::wstring> expected = {
        kDefaultVersionLine, L"One Update",       L"FileName=one.bin",    L"One Update:Succeeded",
        L"Two Update",       L"FileName=two.bin", L"Two Update:Succeeded"};
    const auto texts = LogTexts();
    EXPECT_EQ(std::vector<std::wstring>(texts.begin() + (texts.empty() ? 0 : 1), texts.end()),
              expected);

    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
    EXPECT_FALSE(LogPresent());
    ExpectConnectionReleasedLast();
}

TEST_F(Writing, TheRunningLabelTurnsBoldAndAfterAFailureKeepsItsLastTick) {
    Package package = StandardPackage();
    package.entries = {
        {L"1", L"1", L"One", L"one.bin", L"60"},
        {L"2", L"2", L"Two", L"two.bin", L"60"},
    };
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"one.bin", ImageBytes(8, 1)));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"two.bin", ImageBytes(8, 2)));
    ASSERT_TRUE(sim.HoldUntilDetach(20));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
    const ProgramProbe fonts(updater.handle());
    ASSERT_TRUE(fonts.ok()) << "the font probe could not be loaded into the updater";
    const auto dialogFont = fonts.FontOf(dialog);
    const auto bold = fonts.FontOf(Item(IDC_TITLE));
    ASSERT_TRUE(dialogFont && bold);
    ASSERT_NE(bold, dialogFont);
    EXPECT_EQ(fonts.FontOf(Item(IDC_FILE1)), dialogFont);

    ASSERT_TRUE(Click(Item(IDC_UPDATE), Delivery::Posted));
    ASSERT_TRUE(WaitUntil([&] { return Position() >= 3; }, kBoxMs)) << "the bar never ran";
    EXPECT_EQ(fonts.FontOf(Item(IDC_FILE1)), bold);
    EXPECT_EQ(fonts.FontOf(Item(IDC_FILE2)), dialogFont) << "bold before its turn";

    ASSERT_TRUE(sim.Detach(camera));
    HWND box = WaitBox(L"Error");
    ASSERT_NE(box, nullptr);
    // One step per tick; the label hides at odd ticks and shows at even ones.
    const int ticks = Position();
    ASSERT_LT(ticks, 120) << "a full bar does not count its ticks";
    EXPECT_EQ(IsVisible(Item(IDC_FILE1)), ticks % 2 == 0) << "after " << ticks << " ticks";
    EXPECT_EQ(fonts.FontOf(Item(IDC_FILE1)), bold);
    EXPECT_EQ(fonts.FontOf(Item(IDC_FILE2)), dialogFont);
    EXPECT_TRUE(IsVisible(Item(IDC_FILE2)));
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
}

// Windows and other programs during a write: a log-off asked for, a result that cannot be
// posted. The writing thread keeps the PC awake until the result.
TEST_F(Writing, NoShutDownOrLostResultCutsItAndThePcStaysAwakeMeanwhile) {
    ASSERT_NO_FATAL_FAILURE(PrepareLongWrite(3000));
    const ProgramProbe probe(updater.handle());
    ASSERT_TRUE(probe.ok()) << "the probe could not be loaded into the updater";
    ASSERT_TRUE(probe.WatchExecutionState());
    ASSERT_TRUE(probe.RefuseResultPosts());

    // Outside a write the query is answered as always, and nothing ends.
    EXPECT_EQ(Send(dialog, WM_QUERYENDSESSION, 0, 0).value_or(-1), TRUE);
    ASSERT_NO_FATAL_FAILURE(WaitPostedHandled());
    EXPECT_TRUE(updater.Running());
    EXPECT_TRUE(IsVisible(dialog));

    ASSERT_NO_FATAL_FAILURE(ClickUpdateAndAwaitTheWrite());
    EXPECT_EQ(Send(dialog, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF).value_or(-1), FALSE)
        << "a log-off was let through during the write";
    // Read at once: each call into the probe takes a thread of the program's own.
    ASSERT_TRUE(OneRequestOutstanding()) << "the write ended before the query was answered";
    EXPECT_EQ(probe.LastExecutionState().value_or(0), ES_CONTINUOUS | ES_SYSTEM_REQUIRED)
        << "the PC may sleep during the write";
    const uint32_t writer = probe.LastExecutionStateThread().value_or(0);
    EXPECT_NE(writer, GetWindowThreadProcessId(dialog, nullptr)) << "not the writing thread";

    HWND box = WaitBox(L"Finished");
    ASSERT_NE(box, nullptr);
    EXPECT_GE(probe.RefusedResultPosts().value_or(0), 1u) << "the result was not refused its post";
    EXPECT_EQ(probe.LastExecutionState().value_or(0), ES_CONTINUOUS) << "still kept awake";
    EXPECT_EQ(probe.LastExecutionStateThread().value_or(0), writer);
    EXPECT_EQ(WithCode(ReadCameraJournal(), kCodeSetSystemData).size(), 1u);
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
    ExpectConnectionReleasedLast();
}

// The loop ended by WM_QUIT during a write: until the worker is done the dialog keeps painting
// and ticking, so Windows never offers to end it as hung; then it shows the write's result and
// ends as after any result.
TEST_F(Writing, QuitPostedKeepsTheBarRunningUntilTheWriteEndsThenShowsTheResult) {
    ASSERT_NO_FATAL_FAILURE(BeginLongWrite(3000));
    ASSERT_TRUE(WaitUntil([&] { return Position() >= 1; }, kBoxMs)) << "the bar never ran";

    const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    ASSERT_TRUE(PostThreadMessageW(thread, WM_QUIT, 0, 0));
    // WM_QUIT comes before any later tick: two more steps are ticks after the loop ended. The
    // end of the write fills the bar at once, so only a bar below full counts.
    const int atQuit = Position();
    int seen = atQuit;
    ASSERT_TRUE(WaitUntil(
        [&] {
            seen = Position();
            return seen >= atQuit + 2 || !OneRequestOutstanding();
        },
        kBoxMs));
    EXPECT_TRUE(seen >= atQuit + 2 && seen < 120)
        << "the bar stood at " << atQuit << " after the loop ended, then " << seen;

    HWND box = WaitBox(L"Finished");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WithCode(ReadCameraJournal(), kCodeSetSystemData).size(), 1u);
    const auto texts = LogTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), L"Main firmware Update:Succeeded");
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
    EXPECT_EQ(updater.ExitCode(), 0u);
    ExpectConnectionReleasedLast();
    EXPECT_FALSE(LogPresent()) << "the result was told: the log goes as after any success";
}

}  // namespace
}  // namespace e2e
