// OrvaneCamSimCtl: installs, starts and steers the simulated camera from a shell or a script.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "CamSimControl.h"
#include "ReplayScript.h"
#include "SystemErrorText.h"
#include "UniqueAny.h"

namespace {

const wchar_t kUsage[] =
    L"usage: OrvaneCamSimCtl COMMAND [ARGS]\n"
    L"  install | start | install-start | stop | uninstall\n"
    L"  reset | attach [delayMs] | detach N | refuse N on|off\n"
    L"  completion immediate|pending [delayMs]\n"
    L"  product CODE | transfer MODE | writetime US\n"
    L"  fault F E S [count] | clearfaults | hold F | delay F MS\n"
    L"  journal | status | image SEL FILE | scenario default\n"
    L"  replay TRACE [--session N] (the last session, or the Nth from 1)\n"
    L"  replay-status (status 0 complete, 3 mismatch, 4 running or none)\n";

int Fail(const wchar_t* what) {
    const std::wstring why = SystemErrorText(GetLastError());
    std::fwprintf(stderr, L"OrvaneCamSimCtl: %ls failed: %ls\n", what, why.c_str());
    return 1;
}

int Usage() {
    std::fputws(kUsage, stderr);
    return 2;
}

// Accepts decimal or 0x-prefixed hexadecimal; the whole argument must be a number.
bool Number(const wchar_t* text, uint32_t* value) {
    wchar_t* end = nullptr;
    errno = 0;
    unsigned long long v = std::wcstoull(text, &end, 0);
    if (end == text || *end != 0 || errno != 0 || v > 0xFFFFFFFFull) {
        return false;
    }
    *value = static_cast<uint32_t>(v);
    return true;
}

int Check(bool done, const wchar_t* what) {
    return done ? 0 : Fail(what);
}

std::wstring Hex(const uint8_t (&digest)[32]) {
    wchar_t text[65];
    for (int i = 0; i < 32; ++i) {
        std::swprintf(text + 2 * i, 3, L"%02x", digest[i]);
    }
    return text;
}

std::wstring Request(uint32_t code, uint32_t in, uint32_t imageSize, const uint8_t (&sha)[32]) {
    wchar_t text[96];
    std::swprintf(text, 96, L"function %u (0x%08X), in %u bytes", camsim::RequestFunction(code),
                  code, in);
    std::wstring line = text;
    if (imageSize == camsim::kImageUnreadable) {
        line += L", image unreadable";
    } else if (imageSize != 0) {
        line += L", image " + std::to_wstring(imageSize) + L" bytes sha256 " + Hex(sha);
    }
    return line;
}

// What the camera expected and what it received, on the lines after the request's own.
std::wstring Mismatch(const camsim::ReplayStatus& s) {
    std::wstring text = L"  expected: ";
    text += (s.differences & camsim::kBeyondTheEnd) != 0
                ? L"nothing, the recording had ended"
                : Request(s.expectedCode, s.expectedInputSize, s.expectedImageSize,
                          s.expectedImageSha256);
    text += L"\n  received: " + Request(s.receivedCode, s.receivedInputSize, s.receivedImageSize,
                                        s.receivedImageSha256);
    text += L"\n  differs in:";
    const std::pair<uint32_t, const wchar_t*> kinds[] = {{camsim::kDiffersCode, L" code"},
                                                         {camsim::kDiffersInput, L" input"},
                                                         {camsim::kDiffersImage, L" image"},
                                                         {camsim::kBeyondTheEnd, L" order"}};
    for (const auto& kind : kinds) {
        if ((s.differences & kind.first) != 0) {
            text += kind.second;
        }
    }
    return text + L"\n";
}

// Where in the script a replay ended.
std::wstring Step(const camsim::ReplayStatus& s) {
    if ((s.differences & camsim::kBeyondTheEnd) != 0) {
        return L"the end of its " + std::to_wstring(s.steps) + L" steps";
    }
    return L"step " + std::to_wstring(s.step + 1) + L" of " + std::to_wstring(s.steps);
}

int PrintReplayStatus(camsim::Control& control) {
    camsim::ReplayStatus s{};
    if (!control.ReadReplayStatus(&s)) {
        return Fail(L"replay-status");
    }
    switch (s.state) {
        case camsim::kReplayComplete:
            std::wprintf(L"replay complete: %u of %u steps\n", s.done, s.steps);
            return 0;
        case camsim::kReplayMismatch:
            std::wprintf(L"replay ended on a mismatch at %ls, request #%u\n%ls", Step(s).c_str(),
                         s.sequence, Mismatch(s).c_str());
            return 3;
        case camsim::kReplayRunning:
            std::wprintf(L"replay running: %u of %u steps\n", s.done, s.steps);
            return 4;
        default:
            std::wprintf(L"no replay loaded\n");
            return 4;
    }
}

// The last session of the file, or session `session` counted from 1.
int LoadReplay(camsim::Control& control, const wchar_t* file, uint32_t session) {
    std::vector<uint8_t> script;
    std::string problem;
    camsim::SessionFound found;
    if (!camsim::ScriptFromTraceFile(file, &script, &problem, session, &found)) {
        std::fwprintf(stderr, L"OrvaneCamSimCtl: %ls: %hs\n", file, problem.c_str());
        return 1;
    }
    if (!control.LoadReplay(script)) {
        return Fail(L"replay");
    }
    std::wprintf(L"replaying session %u of %u: %hs, %hs\n", found.number, found.count,
                 found.program.c_str(), found.time.c_str());
    return 0;
}

int PrintJournal(camsim::Control& control) {
    std::vector<camsim::JournalEntry> entries;
    camsim::ReplayStatus replay{};
    if (!control.ReadJournal(&entries) || !control.ReadReplayStatus(&replay)) {
        return Fail(L"journal");
    }
    for (const camsim::JournalEntry& e : entries) {
        std::wprintf(
            L"#%u camera %u function %u (0x%08X) out %u status 0x%08X info %u done after #%u "
            L"in %u:",
            e.sequence, e.camera, camsim::RequestFunction(e.code), e.code, e.outputSize,
            static_cast<uint32_t>(e.status), e.information, e.completedAfter,
            static_cast<uint32_t>(e.input.size()));
        size_t shown = e.input.size() < 16 ? e.input.size() : 16;
        for (size_t i = 0; i < shown; ++i) {
            std::wprintf(L" %02X", e.input[i]);
        }
        std::wprintf(shown < e.input.size() ? L" ...\n" : L"\n");
        if (replay.state == camsim::kReplayMismatch && replay.sequence == e.sequence) {
            std::wprintf(L"  the replay ended here, at %ls\n%ls", Step(replay).c_str(),
                         Mismatch(replay).c_str());
        }
    }
    return 0;
}

int SaveImage(camsim::Control& control, uint32_t selector, const wchar_t* file) {
    std::vector<uint8_t> bytes;
    if (selector > 255 || !control.ReadImage(static_cast<uint8_t>(selector), &bytes)) {
        return Fail(L"image");
    }
    UniqueHandle out(CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) {
        return Fail(L"creating the file");
    }
    DWORD written = 0;
    if (!bytes.empty() &&
        (!WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
         written != bytes.size())) {
        return Fail(L"writing the file");
    }
    return 0;
}

int Steer(int argc, wchar_t** argv) {
    const std::wstring command = argv[1];
    camsim::Control control;
    if (!control.ok()) {
        return Fail(L"opening the control device (is the driver started?)");
    }
    uint32_t a = 0, b = 0, c = 0, d = 1;
    if (command == L"reset" && argc == 2) {
        return Check(control.Reset(), L"reset");
    }
    if (command == L"attach" && argc <= 3) {
        if (argc == 3 && !Number(argv[2], &a)) {
            return Usage();
        }
        uint32_t index = 0;
        if (!control.AttachLater(a, &index)) {
            return Fail(L"attach");
        }
        std::wprintf(L"%u\n", index);
        return 0;
    }
    if (command == L"detach" && argc == 3 && Number(argv[2], &a)) {
        return Check(control.Detach(a), L"detach");
    }
    if (command == L"refuse" && argc == 4 && Number(argv[2], &a)) {
        std::wstring how = argv[3];
        if (how != L"on" && how != L"off") {
            return Usage();
        }
        return Check(control.RefuseOpen(a, how == L"on"), L"refuse");
    }
    if (command == L"completion" && (argc == 3 || argc == 4)) {
        std::wstring mode = argv[2];
        if ((mode != L"immediate" && mode != L"pending") || (argc == 4 && !Number(argv[3], &a))) {
            return Usage();
        }
        bool done = control.SetCompletion(mode == L"pending" ? camsim::Completion::Pending
                                                             : camsim::Completion::Immediate);
        if (done && argc == 4) {
            done = control.SetCompletionDelay(a);
        }
        return Check(done, L"completion");
    }
    if (command == L"product" && argc == 3 && Number(argv[2], &a) && a <= 0xFFFF) {
        return Check(control.SetProductCode(static_cast<uint16_t>(a)), L"product");
    }
    if (command == L"transfer" && argc == 3 && Number(argv[2], &a) && a <= 0xFF) {
        return Check(control.SetTransfer(static_cast<uint8_t>(a)), L"transfer");
    }
    if (command == L"writetime" && argc == 3 && Number(argv[2], &a)) {
        return Check(control.SetWriteTime(a), L"writetime");
    }
    if (command == L"fault" && (argc == 5 || argc == 6) && Number(argv[2], &a) &&
        Number(argv[3], &b) && Number(argv[4], &c) && (argc == 5 || Number(argv[5], &d))) {
        return Check(control.SetFault(a, b, static_cast<int32_t>(c), d), L"fault");
    }
    if (command == L"clearfaults" && argc == 2) {
        return Check(control.ClearFaults(), L"clearfaults");
    }
    if (command == L"hold" && argc == 3 && Number(argv[2], &a)) {
        return Check(control.HoldUntilDetach(a), L"hold");
    }
    if (command == L"delay" && argc == 4 && Number(argv[2], &a) && Number(argv[3], &b)) {
        return Check(control.DelayNext(a, b), L"delay");
    }
    if (command == L"status" && argc == 2) {
        camsim::StatusRecord status{};
        if (!control.ReadStatus(&status)) {
            return Fail(L"status");
        }
        std::wprintf(L"received %u outstanding %u cancelled %u opens %u\n", status.received,
                     status.outstanding, status.cancelled, status.opens);
        return 0;
    }
    if (command == L"journal" && argc == 2) {
        return PrintJournal(control);
    }
    if (command == L"image" && argc == 4 && Number(argv[2], &a)) {
        return SaveImage(control, a, argv[3]);
    }
    if (command == L"replay" && argc == 3) {
        return LoadReplay(control, argv[2], 0);
    }
    if (command == L"replay" && argc == 5 && std::wstring(argv[3]) == L"--session" &&
        Number(argv[4], &a) && a > 0) {
        return LoadReplay(control, argv[2], a);
    }
    if (command == L"replay-status" && argc == 2) {
        return PrintReplayStatus(control);
    }
    if (command == L"scenario" && argc == 3 && std::wstring(argv[2]) == L"default") {
        return Check(control.ApplyDefaultScenario(), L"scenario");
    }
    return Usage();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return Usage();
    }
    const std::wstring command = argv[1];
    if (argc == 2) {
        if (command == L"install") {
            return Check(camsim::InstallDriver(), L"install");
        }
        if (command == L"start") {
            return Check(camsim::StartDriver(), L"start");
        }
        if (command == L"install-start") {
            // A driver left running by an earlier run makes way for the one built now.
            return Check(camsim::StopDriver() && camsim::InstallDriver() && camsim::StartDriver(),
                         L"install-start");
        }
        if (command == L"stop") {
            return Check(camsim::StopDriver(), L"stop");
        }
        if (command == L"uninstall") {
            return Check(camsim::UninstallDriver(), L"uninstall");
        }
    }
    return Steer(argc, argv);
}
