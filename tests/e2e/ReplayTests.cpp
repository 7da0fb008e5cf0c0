// A session recorded with TAVIK_TRACE and replayed by the simulated camera: the updater shows
// what it showed against the camera the trace was recorded from, and a replay stops at the
// first request that differs from the recording.
#include <algorithm>

#include "ReplayScript.h"
#include "UpdaterRun.h"

namespace e2e {
namespace {

// What an operator is left with: the result box and the log's lines after the first.
struct Seen {
    std::wstring text;
    std::vector<std::wstring> log;
};

class ReplayedRun : public UpdaterRun {
protected:
    void TearDown() override {
        SetEnvironmentVariableW(L"TAVIK_TRACE", nullptr);
        UpdaterRun::TearDown();
    }

    std::wstring TracePath() const { return folder.Path() + L"\\session.trace"; }

    // One run from start to its answered result box, recorded when `record` says so.
    void RunToBox(const std::wstring& caption, bool record, Seen* seen) {
        if (record) {
            ASSERT_TRUE(SetEnvironmentVariableW(L"TAVIK_TRACE", TracePath().c_str()));
        }
        ASSERT_NO_FATAL_FAILURE(Start());
        SetEnvironmentVariableW(L"TAVIK_TRACE", nullptr);  // the updater has its own copy
        HWND box = nullptr;
        ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(caption, &box));
        seen->text = ReadBox(box).text;
        const std::vector<std::wstring> log = LogTexts();
        seen->log.assign(log.size() > 1 ? log.begin() + 1 : log.end(), log.end());
        ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));
        ASSERT_TRUE(RemoveFile(logPath));
    }

    void ReplayTheTrace() {
        std::vector<uint8_t> script;
        std::string problem;
        ASSERT_TRUE(camsim::ScriptFromTraceFile(TracePath(), &script, &problem)) << problem;
        ASSERT_TRUE(sim.LoadReplay(script));
    }

    camsim::ReplayStatus ReplayState() {
        camsim::ReplayStatus status{};
        EXPECT_TRUE(sim.ReadReplayStatus(&status));
        return status;
    }

    void ExpectComplete() {
        const camsim::ReplayStatus status = ReplayState();
        EXPECT_EQ(status.state, camsim::kReplayComplete)
            << status.done << " of " << status.steps << " steps; request #" << status.sequence
            << " differed (" << status.differences << ")";
        EXPECT_GT(status.steps, 0u);
    }

    // A run recorded to its result box, then the same run against the replayed trace: the same
    // box, the same log lines, and the whole recording used.
    void RecordAndReplay(const std::wstring& caption, Seen* recorded) {
        ASSERT_NO_FATAL_FAILURE(RunToBox(caption, true, recorded));
        ASSERT_NO_FATAL_FAILURE(ReplayTheTrace());
        Seen replayed;
        ASSERT_NO_FATAL_FAILURE(RunToBox(caption, false, &replayed));
        EXPECT_EQ(replayed.text, recorded->text);
        EXPECT_EQ(replayed.log, recorded->log);
        ExpectComplete();
    }
};

class ReplayOfAnUpdate : public ReplayedRun {};

// Entry 2's image is larger than a trace copies, so it is compared by its digest.
TEST_F(ReplayOfAnUpdate, ReplaysAsRecordedAndAChangedImageStopsItAtThatWrite) {
    Package package = StandardPackage();
    package.entries = {{L"1", L"1", L"Main firmware", L"main.bin", L"5"},
                       {L"2", L"2", L"Lens firmware", L"lens.bin", L"5"}};
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"main.bin", ImageBytes(200, 1)));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"lens.bin", ImageBytes(4096, 2)));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    Seen recorded;
    ASSERT_NO_FATAL_FAILURE(RecordAndReplay(L"Finished", &recorded));
    ASSERT_EQ(recorded.log.size(), 7u);
    std::vector<uint8_t> image;
    EXPECT_FALSE(sim.ReadImage(2, &image)) << "the camera's own write ran, not the replay";

    auto changed = ImageBytes(4096, 2);
    changed[4000] ^= 0x01;
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"lens.bin", changed));
    ASSERT_NO_FATAL_FAILURE(ReplayTheTrace());
    Seen stopped;
    ASSERT_NO_FATAL_FAILURE(RunToBox(L"Error", false, &stopped));
    // The camera's code cannot be read either once the replay has ended.
    EXPECT_EQ(stopped.text, L"Failed!\r\nError=0");
    const std::vector<std::wstring> expected(recorded.log.begin(), recorded.log.begin() + 6);
    ASSERT_GE(stopped.log.size(), 7u);
    EXPECT_EQ(std::vector<std::wstring>(stopped.log.begin(), stopped.log.begin() + 6), expected);
    EXPECT_EQ(stopped.log.back(), L"Lens firmware Update:Failed");

    const camsim::ReplayStatus status = ReplayState();
    EXPECT_EQ(status.state, camsim::kReplayMismatch);
    EXPECT_EQ(status.differences, static_cast<uint32_t>(camsim::kDiffersImage));
    EXPECT_EQ(status.expectedCode, kCodeSetSystemData);
    EXPECT_EQ(status.receivedCode, kCodeSetSystemData);
    EXPECT_EQ(status.expectedImageSize, 4096u);
    EXPECT_EQ(status.receivedImageSize, 4096u);
    EXPECT_NE(std::vector<uint8_t>(status.expectedImageSha256, status.expectedImageSha256 + 32),
              std::vector<uint8_t>(status.receivedImageSha256, status.receivedImageSha256 + 32));
    const Journal journal = ReadCameraJournal();
    const auto ended = std::find_if(journal.begin(), journal.end(), [&](const auto& entry) {
        return entry.sequence == status.sequence;
    });
    ASSERT_NE(ended, journal.end());
    EXPECT_EQ(ended->code, kCodeSetSystemData);
    EXPECT_EQ(ended->status, camsim::kStatusReplayEnded);
    EXPECT_EQ(WithCode(journal, kCodeSetSystemData).size(), 2u) << "nothing after the failure";
}

class ReplayOfAFailure : public ReplayedRun {};

TEST_F(ReplayOfAFailure, ACameraThatFailsAWriteReplaysToTheSameErrorAndCode) {
    ASSERT_NO_FATAL_FAILURE(WriteStandardPackage());
    ASSERT_TRUE(sim.SetFault(20, 0x1234, static_cast<int32_t>(0xC0000001u)));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    Seen recorded;
    ASSERT_NO_FATAL_FAILURE(RecordAndReplay(L"Error", &recorded));
    EXPECT_EQ(recorded.text, L"Failed!\r\nError=4660");
}

}  // namespace
}  // namespace e2e
