// The session trace written in-process against the simulated camera: what a line holds, that a
// session is added and never destroys a file, and what a target that cannot be made, is slow or
// fills up costs (nothing but the trace).
#include <nlohmann/json.hpp>

#include <sstream>
#include <thread>

#include "CameraTest.h"
#include "ImportPatch.h"
#include "LibraryState.h"
#include "TempFolder.h"
#include "Trace.h"
#include "TraceTarget.h"
#include "TraceWriter.h"

namespace {

class Trace : public CameraTest {
protected:
    void TearDown() override {
        CameraTest::TearDown();
        trace::End();
        SetEnvironmentVariableW(kTraceVariable, nullptr);
    }

    // Every line of the file as it is now, each parsed; a line that is not whole JSON fails
    // the case.
    std::vector<nlohmann::json> LinesNow() {
        std::vector<nlohmann::json> lines;
        if (!FileExists(path)) {
            return lines;  // the writer has not made it yet
        }
        std::istringstream text(ReadBytes(path));
        for (std::string line; std::getline(text, line);) {
            lines.push_back(nlohmann::json::parse(line, nullptr, false));
            EXPECT_FALSE(lines.back().is_discarded()) << "not a whole line: " << line;
        }
        return lines;
    }

    // Every line, once what was handed is written.
    std::vector<nlohmann::json> Lines() {
        trace::End();
        return LinesNow();
    }

    // One whole use of the library, as a program makes it: started, the camera reported and
    // asked, shut down. The camera is attached already.
    void UseOnce() {
        CallbackProbe connected;
        ASSERT_TRUE(OrvaneUtil_Init(&connected, &CallbackProbe::Callback, false));
        ASSERT_TRUE(connected.WaitCalled());
        VersionRecord version = {};
        EXPECT_TRUE(OrvaneUtil_GetVersion(&version)) << "the request paid for the trace";
        OrvaneUtil_Uninit();
    }

    // The library's lines about the trace on the debugger output.
    size_t Said(const std::wstring& start) {
        size_t said = 0;
        for (const auto& line : diagnostics.Lines(diag::Stream::Debugger)) {
            said += line.find(start) == 0 ? 1 : 0;
        }
        return said;
    }

    TempFolder folder;
    std::wstring path = folder.PathOf(L"s\u00e9ance 1.jsonl");  // not ASCII, a blank
};

std::vector<nlohmann::json> RequestsOf(const std::vector<nlohmann::json>& lines) {
    std::vector<nlohmann::json> requests;
    for (const auto& line : lines) {
        if (line.value("event", "") == "request") {
            requests.push_back(line);
        }
    }
    return requests;
}

TEST_F(Trace, HoldsTheSessionAndKeepsNoLargeImage) {
    ASSERT_TRUE(trace::BeginAt(path.c_str()));
    ASSERT_TRUE(trace::On());
    ASSERT_NO_FATAL_FAILURE(Connect());
    VersionRecord version = {};
    ASSERT_TRUE(OrvaneUtil_GetVersion(&version));
    std::vector<uint8_t> large(1000, 0x5A);
    const SystemDataRecord record = {3, {0, 0, 0}, large.data(), 1000};
    ASSERT_TRUE(OrvaneUtil_SetTimeOutInfo(60000));
    ASSERT_TRUE(OrvaneUtil_SetSystemData(&record));
    uint8_t small[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const SystemDataRecord smallRecord = {4, {0, 0, 0}, small, 8};
    ASSERT_TRUE(OrvaneUtil_SetSystemData(&smallRecord));
    OrvaneUtil_Uninit();
    EXPECT_FALSE(trace::On()) << "the session outlived OrvaneUtil_Uninit";

    const auto lines = Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0]["schemaVersion"], 2);
    EXPECT_EQ(lines[0]["program"], "devicelib_trace.exe");
    EXPECT_EQ(lines[1]["event"], "found");
    const auto requests = RequestsOf(lines);
    ASSERT_EQ(requests.size(), 6u);
    for (size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i]["seq"], i + 1) << "numbered in the order they were issued";
    }
    EXPECT_EQ(requests[0]["export"], "OrvaneUtil_Init") << "the connection control's opening";
    EXPECT_EQ(requests[1]["export"], "OrvaneUtil_GetVersion");
    EXPECT_EQ(requests[1]["code"], 0x00220068);
    EXPECT_EQ(requests[1]["out"], "0800127001000000");
    EXPECT_EQ(requests[1]["returned"], 8);
    EXPECT_EQ(requests[1]["ok"], true);
    // The large image: its length and digest only; the record without its pointer.
    EXPECT_EQ(requests[3]["in"],
              "030000000000000"
              "0e8030000");
    EXPECT_EQ(requests[3]["imageLength"], 1000);
    EXPECT_EQ(requests[3]["imageSha256"],
              "8fe15844cfeedd35f5dc30a9fa5ed38afd849dbe4f8dcae5642d934be0afb13d");
    EXPECT_FALSE(requests[3].contains("image"));
    EXPECT_EQ(requests[4]["image"], "0102030405060708");
    EXPECT_EQ(requests[5]["export"], "OrvaneUtil_Uninit");
    EXPECT_EQ(lines.back()["event"], "closed");
    // Milliseconds since the first line, in the order things happened.
    for (size_t i = 2; i < lines.size(); ++i) {
        EXPECT_GE(lines[i]["ms"], lines[i - 1]["ms"]) << "line " << i;
    }
}

TEST_F(Trace, RecordsWhatWasSentNotWhatCameBackNorABadPointer) {
    ASSERT_TRUE(trace::BeginAt(path.c_str()));
    ASSERT_NO_FATAL_FAILURE(Connect());
    // One buffer for the query and the reply: the reply lands where the query was.
    uint8_t buffer[ORVANE_IMAGE_ATTRIBUTE_REPLY_SIZE] = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(OrvaneUtil_GetImageAttribute(buffer, buffer));
    ASSERT_NE(buffer[0], 1) << "the camera's reply did not land in the query";
    // A query the caller cannot hand over: the request fails, and so does nothing else.
    uint8_t reply[ORVANE_IMAGE_ATTRIBUTE_REPLY_SIZE] = {};
    const void* nowhere = reinterpret_cast<const void*>(static_cast<uintptr_t>(0x10));
    EXPECT_FALSE(OrvaneUtil_GetImageAttribute(nowhere, reply));
    const DWORD error = GetLastError();

    const auto requests = RequestsOf(Lines());
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1]["in"], "010203040506");
    EXPECT_EQ(requests[1]["out"].get<std::string>().size(), 2u * sizeof(buffer));
    EXPECT_EQ(requests[2]["ok"], false);
    EXPECT_EQ(requests[2]["error"], error);
    EXPECT_EQ(requests[2]["inLength"], 6);
    EXPECT_EQ(requests[2]["inSha256"], "unreadable");
}

TEST_F(Trace, FromTwoThreadsAtOnceEveryLineIsWholeAndNumbered) {
    ASSERT_TRUE(trace::BeginAt(path.c_str()));
    ASSERT_NO_FATAL_FAILURE(Connect());
    constexpr int kEach = 200;
    const auto ask = [] {
        for (int i = 0; i < kEach; ++i) {
            uint8_t mode = 0;
            OrvaneUtil_GetTrans(&mode);
        }
    };
    std::thread other(ask);
    ask();
    other.join();
    const auto requests = RequestsOf(Lines());
    ASSERT_EQ(requests.size(), 2u * kEach + 1u);  // and the opening's control write
    std::vector<bool> seen(requests.size() + 1, false);
    for (const auto& request : requests) {
        const size_t sequence = request.value("seq", 0u);
        ASSERT_TRUE(sequence >= 1 && sequence < seen.size() && !seen[sequence]) << sequence;
        seen[sequence] = true;
    }
}

// Each start of the library adds a session at the end, its header line first: a second
// program's trace (TAVIKInfo after the update, to check the version) keeps the first one's.
TEST_F(Trace, EachStartAddsASessionAndKeepsWhatTheFileHeld) {
    ASSERT_TRUE(SetEnvironmentVariableW(kTraceVariable, path.c_str()));
    // An earlier session that was cut off inside a line, by a power cut say.
    WriteBytes(path, "{\"schemaVersion\":2,\"program\":\"earlier.exe\"}\n{\"ms\":1,\"ev");
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_NO_FATAL_FAILURE(UseOnce());
    ASSERT_NO_FATAL_FAILURE(UseOnce());
    std::istringstream text(ReadBytes(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "{\"schemaVersion\":2,\"program\":\"earlier.exe\"}");
    EXPECT_EQ(lines[1], "{\"ms\":1,\"ev") << "the cut line keeps a line to itself";
    size_t sessions = 0;
    for (const auto& line : lines) {
        sessions += line.rfind(kTraceFileStart, 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(sessions, 3u);
    EXPECT_EQ(Said(L"TAVIK_TRACE"), 0u);
}

// What cannot hold a trace is refused before anything is written, said in one line that names
// the file and the reason, by the library on its debugger output and by TraceProblem for a
// program to show; the program goes on, and the file is left as it was.
TEST_F(Trace, WhatCannotHoldATraceIsRefusedInOneLineAndLeftAsItWas) {
    const std::wstring document = folder.PathOf(L"notes.txt");
    WriteBytes(document, "not a trace\r\n");
    const std::wstring sub = folder.PathOf(L"sub");
    ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
    ASSERT_TRUE(sim.Attach(&camera));
    const struct {
        std::wstring variable;
        const wchar_t* reason;
    } cases[] = {
        {folder.PathOf(L"missing\\trace.jsonl"), L"its folder does not exist"},
        {sub, L"it is a folder, not a file"},
        {document, L"it holds something other than session traces"},
        {folder.PathOf(L"COM1.jsonl"), L"names a device"},
        {L"\\\\.\\pipe\\tavik-trace", L"names a device"},
        {L"\\\\server\\pipe\\tavik-trace", L"names a device"},
        {folder.PathOf(std::wstring(300, L'x')), L"characters long, more than the 259"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        diagnostics.Clear();
        ASSERT_TRUE(SetEnvironmentVariableW(kTraceVariable, c.variable.c_str()));
        const std::wstring problem = TraceProblem();
        EXPECT_EQ(problem.find(L"TAVIK_TRACE: no session trace is written"), 0u);
        EXPECT_NE(problem.find(c.reason), std::wstring::npos);
        EXPECT_EQ(problem.find(L'\n'), std::wstring::npos) << "one line";
        ASSERT_NO_FATAL_FAILURE(UseOnce());
        const auto said = diagnostics.Lines(diag::Stream::Debugger);
        size_t lines = 0;
        for (const auto& line : said) {
            if (line.find(L"TAVIK_TRACE") == 0) {
                ++lines;
                EXPECT_EQ(line, problem + L"\r\n");
            }
        }
        EXPECT_EQ(lines, 1u);
    }
    EXPECT_EQ(ReadBytes(document), "not a trace\r\n");
    EXPECT_FALSE(FileExists(folder.PathOf(L"missing")));
    // A file that can hold a trace gets no word, and a look leaves nothing behind.
    ASSERT_TRUE(SetEnvironmentVariableW(kTraceVariable, path.c_str()));
    EXPECT_EQ(TraceProblem(), L"");
    EXPECT_FALSE(FileExists(path));
}

// A target whose writes do not come back, as a share that stopped answering: requests go on
// at once, OrvaneUtil_Uninit is done in a bounded time, and the trace says once that it ended.
HANDLE g_releaseWrites = nullptr;
decltype(&WriteFile) g_writeFile = nullptr;

BOOL WINAPI HeldWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                          LPOVERLAPPED overlapped) {
    WaitForSingleObject(g_releaseWrites, INFINITE);
    return g_writeFile(file, data, size, written, overlapped);
}

TEST_F(Trace, AWriteThatHangsStallsNoRequestNorTheShutDown) {
    UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(release);
    g_releaseWrites = release.get();
    g_writeFile = &WriteFile;
    {
        const ImportPatch held("KERNEL32.dll", "WriteFile",
                               reinterpret_cast<const void*>(&HeldWriteFile));
        ASSERT_TRUE(held.ok());
        ASSERT_TRUE(trace::BeginAt(path.c_str()));
        ASSERT_NO_FATAL_FAILURE(Connect());  // its lines are waiting behind the first
        for (int i = 0; i < 20; ++i) {
            VersionRecord version = {};
            EXPECT_TRUE(OrvaneUtil_GetVersion(&version));
        }
        OrvaneUtil_Uninit();  // returns while the write still hangs
        EXPECT_EQ(WaitForSingleObject(release.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_FALSE(trace::On());
    }
    EXPECT_EQ(Said(L"TAVIK_TRACE: the trace ends here: writing "), 1u);
    SetEvent(release.get());
    // The writer, once its write is back, stops without another word.
    EXPECT_TRUE(WaitUntil([&] { return !LinesNow().empty(); }));
    EXPECT_EQ(Said(L"TAVIK_TRACE"), 1u);
}

BOOL WINAPI DiskFull(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) {
    if (written != nullptr) {
        *written = 0;
    }
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

TEST_F(Trace, AFullDiskEndsTheTraceOnceAndNothingElse) {
    ASSERT_TRUE(trace::BeginAt(path.c_str()));
    ASSERT_NO_FATAL_FAILURE(Connect());
    // The header and the opening's lines are on disk before the disk fills.
    ASSERT_TRUE(WaitUntil([&] { return RequestsOf(LinesNow()).size() == 1; }));
    {
        const ImportPatch full("KERNEL32.dll", "WriteFile",
                               reinterpret_cast<const void*>(&DiskFull));
        ASSERT_TRUE(full.ok());
        for (int i = 0; i < 3; ++i) {
            VersionRecord version = {};
            EXPECT_TRUE(OrvaneUtil_GetVersion(&version)) << "the request paid for the trace";
        }
        trace::End();
    }
    EXPECT_EQ(Said(L"TAVIK_TRACE: the trace ends here: writing "), 1u);
    EXPECT_EQ(RequestsOf(Lines()).size(), 1u) << "only the lines written before the disk filled";
}

}  // namespace
