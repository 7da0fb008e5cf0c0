#include "UpdaterRun.h"

#include <commctrl.h>

#include "TimeScale.h"

namespace e2e {

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::vector<uint8_t> ImageBytes(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        // Never 0xFF at the end, so padding stays visible.
        bytes[i] = static_cast<uint8_t>((seed * 31u + i * 7u) % 0xF0u);
    }
    return bytes;
}

void UpdaterRun::SetUp() {
    ASSERT_TRUE(sim.ok()) << "the simulated camera's driver is not running";
    ASSERT_TRUE(sim.Reset());
    logPath = DesktopLogPath();
    ASSERT_FALSE(logPath.empty());
    ASSERT_TRUE(RemoveFile(logPath));
    ASSERT_TRUE(folder.Create()) << folder.problem();
}

void UpdaterRun::TearDown() {
    updater.Terminate();
    sim.Reset();
    RemoveFile(logPath);
}

Package UpdaterRun::StandardPackage() {
    Package package;
    package.title = L"Camera Firmware Update";
    package.devName = L"ZP-Na7";
    package.entries.push_back({L"1", L"1", L"Main firmware", L"main.bin", L"5"});
    return package;
}

void UpdaterRun::WritePackage(const Package& package) {
    ASSERT_TRUE(folder.WriteDescription(PackageXml(package)));
}

void UpdaterRun::WriteImage(const std::wstring& name, const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(folder.WriteImage(name, bytes));
}

void UpdaterRun::WriteStandardPackage() {
    ASSERT_NO_FATAL_FAILURE(WritePackage(StandardPackage()));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"main.bin", ImageBytes(8, 1)));
}

void UpdaterRun::AttachCamera() {
    ASSERT_TRUE(sim.Attach(&camera));
}

void UpdaterRun::Launch() {
    ASSERT_TRUE(updater.Start(folder.ProgramPath(), L"", folder.Path()))
        << "CreateProcessW failed, error " << GetLastError();
}

void UpdaterRun::Start() {
    ASSERT_NO_FATAL_FAILURE(Launch());
    // Visible only once WM_INITDIALOG has returned, so the first log line is written by then.
    ASSERT_TRUE(WaitUntil(
        [&] {
            dialog = FindTopLevel(updater.id(), L"#32770", kDialogCaption);
            return dialog != nullptr && IsVisible(dialog);
        },
        kDialogMs))
        << "no dialog \"TAVIK Update 1.0.0\"; the program "
        << (updater.Running() ? "still runs" : "ended");
}

HWND UpdaterRun::Item(int id) const {
    return GetDlgItem(dialog, id);
}

std::wstring UpdaterRun::TextOfItem(int id) {
    const auto text = TextOf(Item(id));
    EXPECT_TRUE(text.has_value()) << "no text from control " << id;
    return text.value_or(L"<unreadable>");
}

std::vector<std::wstring> UpdaterRun::VersionList() {
    const auto lines = ListLines(Item(IDC_VERSION_LIST));
    EXPECT_TRUE(lines.has_value()) << "the version list cannot be read";
    return lines.value_or(std::vector<std::wstring>{L"<unreadable>"});
}

std::optional<ProgressRange> UpdaterRun::Range() {
    return ProgressRangeOf(Item(IDC_PROGRESS), updater.handle());
}

int UpdaterRun::Position() {
    return ProgressPosition(Item(IDC_PROGRESS)).value_or(-1);
}

void UpdaterRun::WaitVersionLine() {
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto lines = ListLines(Item(IDC_VERSION_LIST));
            return lines && !lines->empty();
        },
        kIdentifyMs))
        << "no version line";
    ASSERT_TRUE(RoundTrip(dialog));
}

void UpdaterRun::WaitIdentified() {
    ASSERT_NO_FATAL_FAILURE(WaitVersionLine());
    ASSERT_TRUE(WaitUntil([&] { return IsEnabled(Item(IDC_UPDATE)); }, kIdentifyMs))
        << "\"Update\" never enabled";
}

void UpdaterRun::WaitRequest(uint32_t code) {
    ASSERT_TRUE(WaitUntil(
        [&] {
            Journal journal;
            return sim.ReadJournal(&journal) && IndexOf(journal, code).has_value();
        },
        kIdentifyMs))
        << "no request 0x" << std::hex << code;
    ASSERT_TRUE(RoundTrip(dialog));
}

void UpdaterRun::WaitPostedHandled() {
    // The progress bar's step: the updater never uses it.
    const WPARAM value = 1000 + ++marker;
    HWND bar = Item(IDC_PROGRESS);
    ASSERT_TRUE(Post(bar, PBM_SETSTEP, value, 0));
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto step = Send(bar, PBM_GETSTEP, 0, 0);
            return step && static_cast<WPARAM>(*step) == value;
        },
        kBoxMs))
        << "the dialog's thread did not get to a message posted after the others";
}

bool UpdaterRun::PostClick(int id) {
    return Post(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}

HWND UpdaterRun::WaitBox(const std::wstring& caption, DWORD timeoutMs) {
    HWND box = nullptr;
    const bool shown = WaitUntil(
        [&] {
            box = FindMessageBox(updater.id(), caption, dialog);
            return box != nullptr;
        },
        timeoutMs);
    EXPECT_TRUE(shown) << "no message box \"" << Utf8(caption) << "\"";
    return shown ? box : nullptr;
}

MessageBoxView UpdaterRun::ReadBox(HWND box) {
    const auto view = ReadMessageBox(box);
    EXPECT_TRUE(view.has_value()) << "the message box cannot be read";
    return view.value_or(MessageBoxView{});
}

std::vector<HWND> UpdaterRun::OtherWindows() {
    return OtherVisibleWindows(updater.id(), dialog);
}

void UpdaterRun::UpdateUntilBox(const std::wstring& caption, HWND* box) {
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
    ASSERT_TRUE(Click(Item(IDC_UPDATE), Delivery::Posted));
    *box = WaitBox(caption);
    ASSERT_NE(*box, nullptr);
}

void UpdaterRun::PrepareLongWrite(DWORD writeMs) {
    constexpr DWORD kTimeoutMs = 60000;
    // Past the time-out the camera fails the write: the case would wait for a result that
    // never comes.
    ASSERT_LT(tavik::test::Scaled(writeMs), kTimeoutMs * 9 / 10) << "a write this long times out";
    Package package = StandardPackage();
    package.entries[0].timeout = std::to_wstring(kTimeoutMs / 1000);
    ASSERT_NO_FATAL_FAILURE(WritePackage(package));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"main.bin", ImageBytes(400, 1)));
    ASSERT_TRUE(sim.SetWriteTime(tavik::test::Scaled(writeMs) * 1000 / 400));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(WaitIdentified());
}

void UpdaterRun::BeginLongWrite(DWORD writeMs) {
    ASSERT_NO_FATAL_FAILURE(PrepareLongWrite(writeMs));
    ASSERT_NO_FATAL_FAILURE(ClickUpdateAndAwaitTheWrite());
}

void UpdaterRun::ClickUpdateAndAwaitTheWrite() {
    ASSERT_TRUE(Click(Item(IDC_UPDATE), Delivery::Posted));
    ASSERT_TRUE(WaitUntil([&] { return WriteUnderWay(); }, kBoxMs)) << "the write never started";
}

bool UpdaterRun::WriteUnderWay() {
    // The camera journals a request as it completes, and answers every other request at once.
    return OneRequestOutstanding();
}

void UpdaterRun::AnswerAndExpectExit(HWND box, int buttonId) {
    ASSERT_TRUE(AnswerMessageBox(box, buttonId));
    ASSERT_TRUE(updater.WaitExit(kExitMs)) << "the program did not end after the answer";
}

bool UpdaterRun::LogPresent() const {
    return FileExists(logPath);
}

ParsedLog UpdaterRun::ReadLog() {
    const auto bytes = ReadFileBytes(logPath);
    EXPECT_TRUE(bytes.has_value()) << "no log file";
    ParsedLog log = ParseLog(bytes.value_or(std::vector<uint8_t>{}));
    EXPECT_TRUE(log.ok || !bytes) << "malformed log: " << log.problem;
    return log;
}

std::vector<std::wstring> UpdaterRun::LogTexts() {
    return TextsOf(ReadLog());
}

Journal UpdaterRun::ReadCameraJournal() {
    Journal journal;
    EXPECT_TRUE(sim.ReadJournal(&journal));
    return journal;
}

void UpdaterRun::ExpectConnectionReleasedLast() {
    const Journal journal = ReadCameraJournal();
    ASSERT_FALSE(journal.empty());
    EXPECT_TRUE(IsConnectionControlWrite(journal.back(), 1))
        << "last request 0x" << std::hex << journal.back().code;
    size_t releases = 0;
    for (const auto& entry : journal) {
        releases += IsConnectionControlWrite(entry, 1) ? 1 : 0;
    }
    EXPECT_EQ(releases, 1u);
}

bool UpdaterRun::OneRequestOutstanding() {
    camsim::StatusRecord status = {};
    return sim.ReadStatus(&status) && status.outstanding == 1;
}

}  // namespace e2e
