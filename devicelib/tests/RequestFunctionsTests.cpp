// The request functions against the simulated camera: what each sends, what it delivers, and the
// success rule.
#include <windows.h>

#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "CameraTest.h"
#include "ImportPatch.h"
#include "LibraryState.h"

namespace {

std::vector<uint8_t> Pattern(uint32_t function, size_t size, size_t from = 0) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = camsim::PatternByte(function, static_cast<uint32_t>(from + i));
    }
    return bytes;
}

template <typename T>
std::vector<uint8_t> BytesOf(const T& value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    return std::vector<uint8_t>(p, p + sizeof(T));
}

const int32_t kGenericFailure = static_cast<int32_t>(0xC0000001);  // ERROR_GEN_FAILURE
const int32_t kFailureWithErrorZero = static_cast<int32_t>(0xC0070000);
const int32_t kBufferOverflow = static_cast<int32_t>(0x80000005);  // a warning, not an error

class RequestFunctions : public CameraTest {
protected:
    void SetUp() override {
        CameraTest::SetUp();
        Connect();
    }
    // The one request a call made.
    camsim::JournalEntry Only() {
        const auto journal = Journal();
        EXPECT_EQ(1u, journal.size());
        return journal.empty() ? camsim::JournalEntry{} : journal[0];
    }
};

// A pass-through function: its input goes out unchanged, its reply comes back unchanged.
struct PassThrough {
    const char* name;
    RequestFunction function;
    size_t inputSize;
    size_t outputSize;
    std::function<bool(const void*, void*)> call;
};

}  // namespace

TEST_F(RequestFunctions, EachPassThroughFunctionMakesOneRequestOfItsSizes) {
    const std::vector<PassThrough> functions = {
        {"GetCtrlSupport", kGetCtrlSupport, 0, 129,
         [](const void*, void* out) { return OrvaneUtil_GetCtrlSupport(out); }},
        {"GetImageSupport", kGetImageSupport, 0, 2242,
         [](const void*, void* out) { return OrvaneUtil_GetImageSupport(out); }},
        {"GetImageAttribute", kGetImageAttribute, 6, 60, &OrvaneUtil_GetImageAttribute},
        {"GetImageCurrent", kGetImageCurrent, 0, 32,
         [](const void*, void* out) { return OrvaneUtil_GetImageCurrent(out); }},
        {"GetImageTransfer", kGetImageTransfer, 8, 12, &OrvaneUtil_GetImageTransfer},
        {"SetImageCurrent", kSetImageCurrent, 20, 12, &OrvaneUtil_SetImageCurrent},
        {"GetSystemSupport", kGetSystemSupport, 0, 33,
         [](const void*, void* out) { return OrvaneUtil_GetSystemSupport(out); }},
        {"GetSystemData", kGetSystemData, 8, 4, &OrvaneUtil_GetSystemData},
        {"GetFrame", kGetFrame, 8, 8, &OrvaneUtil_GetFrame},
    };
    for (const auto& f : functions) {
        SCOPED_TRACE(f.name);
        ASSERT_TRUE(sim.ClearJournal());
        std::vector<uint8_t> input(f.inputSize);
        for (size_t i = 0; i < input.size(); ++i) {
            input[i] = static_cast<uint8_t>(0xA0 + i);
        }
        // One guard byte past the output: nothing may be written beyond the record.
        std::vector<uint8_t> output(f.outputSize + 1, 0xEE);
        EXPECT_TRUE(f.call(input.data(), output.data()));
        const auto request = Only();
        EXPECT_EQ(RequestCode(f.function), request.code);
        EXPECT_EQ(input, request.input);
        EXPECT_EQ(f.outputSize, request.outputSize);
        EXPECT_EQ(Pattern(f.function, f.outputSize),
                  std::vector<uint8_t>(output.begin(), output.end() - 1));
        EXPECT_EQ(0xEE, output.back());
    }
}

TEST_F(RequestFunctions, TimeOutIsSentAsFourBytes) {
    EXPECT_TRUE(OrvaneUtil_SetTimeOutInfo(0x00004E20));
    const auto request = Only();
    EXPECT_EQ(RequestCode(kSetTimeOutInfo), request.code);
    EXPECT_EQ((std::vector<uint8_t>{0x20, 0x4E, 0, 0}), request.input);
    EXPECT_EQ(0u, request.outputSize);
}

TEST_F(RequestFunctions, VersionIsClearedThenFilled) {
    ASSERT_TRUE(sim.SetProductCode(0x7013));
    VersionRecord version;
    std::memset(&version, 0xAB, sizeof(version));
    EXPECT_TRUE(OrvaneUtil_GetVersion(&version));
    EXPECT_EQ(0x7013, version.productCode);
    const auto request = Only();
    EXPECT_TRUE(request.input.empty());
    EXPECT_EQ(8u, request.outputSize);
}

TEST_F(RequestFunctions, CtrlCurrentReadsUpToTheCallersSize) {
    uint8_t block[15];
    std::memset(block, 0xEE, sizeof(block));
    EXPECT_TRUE(OrvaneUtil_GetCtrlCurrent(61, block, 14));
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 0, 5, 0, 1, 1, 3, 0, 0, 0, 2, 1}),
              std::vector<uint8_t>(block, block + 14));
    EXPECT_EQ(0xEE, block[14]);
    const auto request = Only();
    EXPECT_EQ((std::vector<uint8_t>{61}), request.input);
    EXPECT_EQ(14u, request.outputSize);
}

TEST_F(RequestFunctions, SetCtrlCurrentSendsTheHeadThenTheValue) {
    const uint8_t value[3] = {7, 8, 9};
    const CtrlValueRecord record = {0x21, 0x31, 0x41, value};
    EXPECT_TRUE(OrvaneUtil_SetCtrlCurrent(&record, 3));
    EXPECT_EQ((std::vector<uint8_t>{0x21, 0x31, 0x41, 0, 7, 8, 9}), Only().input);

    // The camera keeps it: reading the control back gives the value.
    uint8_t back[3] = {};
    EXPECT_TRUE(OrvaneUtil_GetCtrlCurrent(0x21, back, 3));
    EXPECT_EQ(0, std::memcmp(value, back, 3));

    ASSERT_TRUE(sim.ClearJournal());
    const CtrlValueRecord empty = {0x22, 1, 2, nullptr};
    EXPECT_TRUE(OrvaneUtil_SetCtrlCurrent(&empty, 0));
    const auto head = Only();
    EXPECT_EQ((std::vector<uint8_t>{0x22, 1, 2, 0}), head.input);
    EXPECT_EQ(0u, head.outputSize);
}

TEST_F(RequestFunctions, CtrlAttributeOfWidthOneLandsAtTheFourFieldStarts) {
    CtrlAttributeRecord record;
    std::memset(&record, 0xCC, sizeof(record));
    EXPECT_TRUE(OrvaneUtil_GetCtrlAttribute(0x12, &record, 1));
    const auto request = Only();
    EXPECT_EQ((std::vector<uint8_t>{0x12}), request.input);
    EXPECT_EQ(8u, request.outputSize);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    const auto reply = Pattern(kGetCtrlAttribute, 8);
    EXPECT_EQ(reply[0], bytes[0]);
    EXPECT_EQ(reply[4], bytes[1]);
    EXPECT_EQ(reply[5], bytes[65]);
    EXPECT_EQ(reply[6], bytes[129]);
    EXPECT_EQ(reply[7], bytes[193]);
    EXPECT_EQ(0xCC, bytes[2]);
    EXPECT_EQ(0xCC, bytes[256]);
}

TEST_F(RequestFunctions, CtrlAttributeOfFullWidthAsksForTheWholeReply) {
    CtrlAttributeRecord record;
    EXPECT_TRUE(OrvaneUtil_GetCtrlAttribute(1, &record, 64));
    EXPECT_EQ(260u, Only().outputSize);
    EXPECT_EQ(camsim::PatternByte(kGetCtrlAttribute, 4 + 3 * 64 + 63), record.value[3][63]);
}

TEST_F(RequestFunctions, CtrlAttributeFailureLeavesTheRecordUntouched) {
    ASSERT_TRUE(sim.SetFault(kGetCtrlAttribute, 3, kGenericFailure));
    CtrlAttributeRecord record;
    std::memset(&record, 0xCC, sizeof(record));
    EXPECT_FALSE(OrvaneUtil_GetCtrlAttribute(1, &record, 4));
    EXPECT_EQ(0xCC, record.header);
    EXPECT_EQ(0xCC, record.value[0][0]);
}

TEST_F(RequestFunctions, TransferModeIsReadAndSet) {
    uint8_t mode = 0xAB;
    EXPECT_TRUE(OrvaneUtil_GetTrans(&mode));
    EXPECT_EQ(1, mode);
    auto request = Only();
    EXPECT_EQ((std::vector<uint8_t>{0x01}), request.input);
    EXPECT_EQ(1u, request.outputSize);

    ASSERT_TRUE(sim.ClearJournal());
    EXPECT_TRUE(OrvaneUtil_SetTrans(0));
    request = Only();
    EXPECT_EQ(RequestCode(kSetTrans), request.code);
    EXPECT_EQ((std::vector<uint8_t>{0x01, 0x00, 0x05}), request.input);
    EXPECT_EQ(1u, request.outputSize);
    EXPECT_TRUE(OrvaneUtil_GetTrans(&mode));
    EXPECT_EQ(0, mode);
}

TEST_F(RequestFunctions, SystemDataIsReadFromTheCallersBufferWhileTheRequestRuns) {
    std::vector<uint8_t> image(4096);
    for (size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<uint8_t>(i * 7);
    }
    const SystemDataRecord record = {
        3, {0, 0, 0}, image.data(), static_cast<uint32_t>(image.size())};
    EXPECT_TRUE(OrvaneUtil_SetSystemData(&record));
    const auto request = Only();
    EXPECT_EQ(BytesOf(record), request.input);
    EXPECT_EQ(0u, request.outputSize);
    std::vector<uint8_t> received;
    ASSERT_TRUE(sim.ReadImage(3, &received));
    EXPECT_EQ(image, received);

    uint32_t size = 0;
    EXPECT_TRUE(OrvaneUtil_GetSystemDataSize(3, &size));
    EXPECT_EQ(BytesOf(uint8_t{3}), Requests(kGetSystemDataSize).at(0).input);
    EXPECT_EQ(4u, Requests(kGetSystemDataSize).at(0).outputSize);
}

TEST_F(RequestFunctions, SystemDataSlowerThanTheTimeOutFailsWithTheCamerasCode) {
    std::vector<uint8_t> image(20000, 0x5A);
    const SystemDataRecord record = {
        1, {0, 0, 0}, image.data(), static_cast<uint32_t>(image.size())};
    ASSERT_TRUE(sim.SetWriteTime(10));  // 200 ms for the whole image
    ASSERT_TRUE(OrvaneUtil_SetTimeOutInfo(50));
    EXPECT_FALSE(OrvaneUtil_SetSystemData(&record));
    uint32_t code = 0;
    EXPECT_TRUE(OrvaneUtil_GetLastError(&code));
    EXPECT_NE(0u, code);
    ASSERT_TRUE(OrvaneUtil_SetTimeOutInfo(20000));
    EXPECT_TRUE(OrvaneUtil_SetSystemData(&record));
}

TEST_F(RequestFunctions, BufferTableWritesBackTheBytesDelivered) {
    std::vector<uint8_t> table(100, 0xEE);
    uint32_t size = static_cast<uint32_t>(table.size());
    EXPECT_TRUE(OrvaneUtil_GetBufferTable(table.data(), &size));
    EXPECT_EQ(48u, size);
    EXPECT_EQ(100u, Only().outputSize);
    EXPECT_EQ(Pattern(kGetBufferTable, 48),
              std::vector<uint8_t>(table.begin(), table.begin() + 48));
    EXPECT_EQ(0xEE, table[48]);

    size = 16;
    EXPECT_TRUE(OrvaneUtil_GetBufferTable(table.data(), &size));
    EXPECT_EQ(16u, size);
}

TEST_F(RequestFunctions, RequestsAreSizedByTheHeaderLength) {
    RequestHeader header = {{1, 2, 3, 4, 5, 6}, 5};
    std::vector<uint8_t> data(6, 0xEE);
    EXPECT_TRUE(OrvaneUtil_GetRequest(&header, data.data()));
    auto request = Only();
    EXPECT_EQ(BytesOf(header), request.input);
    EXPECT_EQ(5u, request.outputSize);
    EXPECT_EQ(Pattern(kGetRequest, 5), std::vector<uint8_t>(data.begin(), data.begin() + 5));
    EXPECT_EQ(0xEE, data[5]);

    ASSERT_TRUE(sim.ClearJournal());
    const uint8_t payload[3] = {0xD0, 0xD1, 0xD2};
    RequestRecord record = {{{9, 8, 7, 6, 5, 4}, 3}, payload};
    EXPECT_TRUE(OrvaneUtil_SetRequest(&record));
    EXPECT_EQ((std::vector<uint8_t>{9, 8, 7, 6, 5, 4, 3, 0, 0xD0, 0xD1, 0xD2}), Only().input);

    ASSERT_TRUE(sim.ClearJournal());
    record.header.length = 0;
    record.data = nullptr;
    EXPECT_TRUE(OrvaneUtil_SetRequest(&record));
    EXPECT_EQ((std::vector<uint8_t>{9, 8, 7, 6, 5, 4, 0, 0}), Only().input);

    ASSERT_TRUE(sim.ClearJournal());
    header.length = 0;
    EXPECT_TRUE(OrvaneUtil_GetRequest(&header, nullptr));
    EXPECT_EQ(0u, Only().outputSize);
}

TEST_F(RequestFunctions, EventQueriesReportOnlyAPresentEvent) {
    CtrlCurEventRecord event;
    CtrlCurEventRecord queued = {};
    queued.present = 1;
    queued.data[74] = 0x77;
    ASSERT_TRUE(sim.SetEvent(kGetCtrlCurEvent, &queued, sizeof(queued)));
    EXPECT_TRUE(OrvaneUtil_GetCtrlCurEvent(&event));
    EXPECT_EQ(0, std::memcmp(&queued, &event, sizeof(event)));
    EXPECT_EQ(76u, Only().outputSize);

    // No event: the request succeeds, byte 0 is zero, and the result is 0.
    std::memset(&event, 0xAB, sizeof(event));
    EXPECT_FALSE(OrvaneUtil_GetCtrlCurEvent(&event));
    EXPECT_EQ(0, event.present);
    EXPECT_EQ(0, event.data[74]);

    // Byte 0 zero with other bytes set: result 0, the driver's reply kept.
    SizeErrorEventRecord sizeError = {};
    sizeError.data[0] = 0x42;
    ASSERT_TRUE(sim.SetEvent(kGetSizeErrorEvent, &sizeError, sizeof(sizeError)));
    SizeErrorEventRecord got;
    EXPECT_FALSE(OrvaneUtil_GetSizeErrorEvent(&got));
    EXPECT_EQ(0x42, got.data[0]);

    CtrlSignalEventRecord signal = {1, {}};
    TransErrorEventRecord transError = {2, {}};
    ImageRecvEventRecord imageRecv = {3, {}};
    ASSERT_TRUE(sim.SetEvent(kGetCtrlSignalEvent, &signal, sizeof(signal)));
    ASSERT_TRUE(sim.SetEvent(kGetTransErrorEvent, &transError, sizeof(transError)));
    ASSERT_TRUE(sim.SetEvent(kGetImageRecvEvent, &imageRecv, sizeof(imageRecv)));
    EXPECT_TRUE(OrvaneUtil_GetCtrlSignalEvent(&signal));
    EXPECT_TRUE(OrvaneUtil_GetTransErrorEvent(&transError));
    EXPECT_TRUE(OrvaneUtil_GetImageRecvEvent(&imageRecv));
    EXPECT_EQ(2, transError.present);
    EXPECT_EQ(3, imageRecv.present);
}

TEST_F(RequestFunctions, FailureWithSystemErrorZeroCountsAsSuccess) {
    ASSERT_TRUE(sim.SetFault(kGetTrans, 4, kFailureWithErrorZero));
    uint8_t mode = 0xAB;
    EXPECT_TRUE(OrvaneUtil_GetTrans(&mode));
    ASSERT_TRUE(sim.SetFault(kSetTimeOutInfo, 4, kGenericFailure));
    EXPECT_FALSE(OrvaneUtil_SetTimeOutInfo(1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_GEN_FAILURE), GetLastError());
}

TEST_F(RequestFunctions, LastErrorGivesTheCamerasCodeAfterAFailure) {
    ASSERT_TRUE(sim.SetFault(kSetSystemData, 0x1234, kGenericFailure));
    const uint8_t image[4] = {1, 2, 3, 4};
    const SystemDataRecord record = {1, {0, 0, 0}, image, 4};
    EXPECT_FALSE(OrvaneUtil_SetSystemData(&record));
    uint32_t code = 0;
    EXPECT_TRUE(OrvaneUtil_GetLastError(&code));
    EXPECT_EQ(0x1234u, code);
    EXPECT_EQ(32u, Requests(kGetLastError).at(0).outputSize);

    // The query itself failing gives code 0, whatever the camera holds.
    ASSERT_TRUE(sim.SetFault(kGetLastError, 0x99, kGenericFailure));
    code = 0xDEADBEEF;
    EXPECT_FALSE(OrvaneUtil_GetLastError(&code));
    EXPECT_EQ(0u, code);
}

TEST_F(RequestFunctions, FailedLastErrorQueryGivesCodeZeroAlsoWhenItsReplyCarriedBytes) {
    // A code in the camera, then a query that fails with a warning status: the driver still
    // delivers its reply, the code included.
    ASSERT_TRUE(sim.SetFault(kSetTimeOutInfo, 0x1234, kGenericFailure));
    EXPECT_FALSE(OrvaneUtil_SetTimeOutInfo(1));
    ASSERT_TRUE(sim.SetFault(kGetLastError, 0x1234, kBufferOverflow));
    uint32_t code = 0xDEADBEEF;
    EXPECT_FALSE(OrvaneUtil_GetLastError(&code));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(0u, code);
    const auto query = Requests(kGetLastError).at(0);
    EXPECT_EQ(kBufferOverflow, query.status);
    EXPECT_EQ(32u, query.information) << "the failed query's reply reached the library";

    EXPECT_TRUE(OrvaneUtil_GetLastError(&code));
    EXPECT_EQ(0x1234u, code);
}

TEST_F(RequestFunctions, ManyThreadsOnTheOneHandleLoseNoRequest) {
    ASSERT_TRUE(sim.SetCompletion(camsim::Completion::Pending));
    ASSERT_TRUE(sim.SetCompletionDelay(2));
    constexpr int kThreads = 4;
    constexpr int kCalls = 100;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&failures, t] {
            for (int i = 0; i < kCalls; ++i) {
                VersionRecord version;
                uint8_t block[14];
                const bool ok =
                    (t % 2 == 0) ? OrvaneUtil_GetVersion(&version) && version.productCode == 0x7012
                                 : OrvaneUtil_GetCtrlCurrent(61, block, 14) && block[4] == 0x05;
                if (!ok) {
                    failures.fetch_add(1);
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(0, failures.load());
    EXPECT_EQ(static_cast<size_t>(kThreads / 2 * kCalls), Requests(kGetVersion).size());
    EXPECT_EQ(static_cast<size_t>(kThreads / 2 * kCalls), Requests(kGetCtrlCurrent).size());
}

namespace {
void* __cdecl FailingCalloc(size_t, size_t) {
    return nullptr;
}
}  // namespace

TEST_F(RequestFunctions, NoTemporaryBufferMeansNoRequest) {
    const uint8_t value[2] = {1, 2};
    const CtrlValueRecord control = {0x21, 0, 0, value};
    const RequestRecord request = {{{1, 2, 3, 4, 5, 6}, 2}, value};
    CtrlAttributeRecord attribute;
    std::memset(&attribute, 0xCC, sizeof(attribute));
    {
        ImportPatch patch("msvcrt.dll", "calloc", reinterpret_cast<const void*>(&FailingCalloc));
        ASSERT_TRUE(patch.ok());
        EXPECT_FALSE(OrvaneUtil_SetCtrlCurrent(&control, 2));
        EXPECT_FALSE(OrvaneUtil_SetRequest(&request));
        EXPECT_FALSE(OrvaneUtil_GetCtrlAttribute(1, &attribute, 4));
    }
    EXPECT_TRUE(Journal().empty());
    EXPECT_EQ(0xCC, attribute.header);
}
