// The session trace written in-process against the simulated camera: what a line holds, and
// what a trace file that cannot be made or written costs (nothing but the trace).
#include <nlohmann/json.hpp>

#include <sstream>
#include <thread>

#include "CameraTest.h"
#include "ImportPatch.h"
#include "TempFolder.h"
#include "Trace.h"

namespace {

class Trace : public CameraTest {
protected:
    void TearDown() override {
        CameraTest::TearDown();
        trace::Stop();
    }

    // Every line of the file, each parsed; a line that is not whole JSON fails the case.
    std::vector<nlohmann::json> Lines() {
        trace::Stop();  // closed, so every line is on disk
        std::vector<nlohmann::json> lines;
        std::istringstream text(ReadBytes(path));
        for (std::string line; std::getline(text, line);) {
            lines.push_back(nlohmann::json::parse(line, nullptr, false));
            EXPECT_FALSE(lines.back().is_discarded()) << "not a whole line: " << line;
        }
        return lines;
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
    trace::StartAt(path.c_str());
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

    const auto lines = Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0]["schemaVersion"], 1);
    EXPECT_EQ(lines[0]["program"], "devicelib_trace.exe");
    EXPECT_EQ(lines[1]["event"], "found");
    const auto requests = RequestsOf(lines);
    ASSERT_EQ(requests.size(), 6u);
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
    EXPECT_EQ(requests[3]["imageSha256"].get<std::string>().size(), 64u);
    EXPECT_FALSE(requests[3].contains("image"));
    EXPECT_EQ(requests[4]["image"], "0102030405060708");
    EXPECT_EQ(requests[5]["export"], "OrvaneUtil_Uninit");
    EXPECT_EQ(lines.back()["event"], "closed");
    // Milliseconds since the first line, in the order things happened.
    for (size_t i = 2; i < lines.size(); ++i) {
        EXPECT_GE(lines[i]["ms"], lines[i - 1]["ms"]) << "line " << i;
    }
}

TEST_F(Trace, FromTwoThreadsAtOnceEveryLineIsWhole) {
    trace::StartAt(path.c_str());
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
    EXPECT_EQ(RequestsOf(Lines()).size(), 2u * kEach + 1u);  // and the opening's control write
}

TEST_F(Trace, AFileThatCannotBeMadeCostsOnlyTheTrace) {
    const std::wstring nowhere = folder.PathOf(L"missing\\trace.jsonl");
    trace::StartAt(nowhere.c_str());
    EXPECT_FALSE(trace::On());
    ASSERT_NO_FATAL_FAILURE(Connect());
    VersionRecord version = {};
    EXPECT_TRUE(OrvaneUtil_GetVersion(&version));
    size_t said = 0;
    for (const auto& line : diagnostics.Lines(diag::Stream::Debugger)) {
        said += line.find(L"TAVIK_TRACE: cannot create") == 0 ? 1 : 0;
    }
    EXPECT_EQ(said, 1u);
    EXPECT_FALSE(FileExists(nowhere));
}

BOOL WINAPI DiskFull(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) {
    if (written != nullptr) {
        *written = 0;
    }
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

TEST_F(Trace, AFullDiskEndsTheTraceOnceAndNothingElse) {
    trace::StartAt(path.c_str());
    ASSERT_NO_FATAL_FAILURE(Connect());
    {
        const ImportPatch full("KERNEL32.dll", "WriteFile",
                               reinterpret_cast<const void*>(&DiskFull));
        ASSERT_TRUE(full.ok());
        for (int i = 0; i < 3; ++i) {
            VersionRecord version = {};
            EXPECT_TRUE(OrvaneUtil_GetVersion(&version)) << "the request paid for the trace";
        }
        EXPECT_FALSE(trace::On());
    }
    size_t said = 0;
    for (const auto& line : diagnostics.Lines(diag::Stream::Debugger)) {
        said += line.find(L"TAVIK_TRACE: writing") == 0 ? 1 : 0;
    }
    EXPECT_EQ(said, 1u);
    EXPECT_EQ(RequestsOf(Lines()).size(), 1u) << "only the lines written before the disk filled";
}

}  // namespace
