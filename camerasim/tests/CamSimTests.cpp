// The simulated camera, checked the way the device library reaches it: SetupAPI, CreateFileW
// and overlapped DeviceIoControl on the interface path.
#include "CamSimControl.h"
#include "ReplayScript.h"
#include "TimeScale.h"
#include "UniqueAny.h"
#include "WaitUntil.h"

#include <setupapi.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <cwchar>
#include <vector>

namespace {

using camsim::Control;
using camsim::PatternByte;
using camsim::RequestCode;
using tavik::test::Scaled;

constexpr DWORD kWaitMs = 10000;
// STATUS_DEVICE_NOT_CONNECTED as the caller sees it.
constexpr DWORD kErrorDetached = ERROR_DEVICE_NOT_CONNECTED;

struct DevInfo {
    HDEVINFO set;
    explicit DevInfo(HDEVINFO s) : set(s) {}
    ~DevInfo() {
        if (set != INVALID_HANDLE_VALUE) {
            SetupDiDestroyDeviceInfoList(set);
        }
    }
    DevInfo(const DevInfo&) = delete;
    DevInfo& operator=(const DevInfo&) = delete;
};

std::vector<std::wstring> PresentCameras() {
    std::vector<std::wstring> paths;
    DevInfo info(SetupDiGetClassDevsW(&camsim::kCameraInterfaceGuid, nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    EXPECT_NE(info.set, INVALID_HANDLE_VALUE);
    if (info.set == INVALID_HANDLE_VALUE) {
        return paths;
    }
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    for (DWORD i = 0;
         SetupDiEnumDeviceInterfaces(info.set, nullptr, &camsim::kCameraInterfaceGuid, i, &data);
         ++i) {
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailW(info.set, &data, nullptr, 0, &size, nullptr);
        std::vector<uint8_t> buffer(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        EXPECT_TRUE(
            SetupDiGetDeviceInterfaceDetailW(info.set, &data, detail, size, nullptr, nullptr));
        paths.push_back(detail->DevicePath);
    }
    return paths;
}

UniqueHandle Open(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr));
}

// One overlapped request, started at construction and waited for by Wait().
class Request {
public:
    Request(HANDLE device, uint32_t function, std::vector<uint8_t> in, uint32_t outSize)
        : device_(device),
          event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          in_(std::move(in)),
          out_(outSize, 0xCC) {
        EXPECT_TRUE(event_);
        overlapped_.hEvent = event_.get();
        DWORD bytes = 0;
        BOOL done =
            DeviceIoControl(device, RequestCode(function), in_.empty() ? nullptr : in_.data(),
                            static_cast<DWORD>(in_.size()), out_.empty() ? nullptr : out_.data(),
                            static_cast<DWORD>(out_.size()), &bytes, &overlapped_);
        error_ = done ? ERROR_SUCCESS : GetLastError();
        pending_ = !done && error_ == ERROR_IO_PENDING;
        if (!pending_) {
            ok_ = done != FALSE;
            bytes_ = bytes;
            finished_ = true;
        }
    }
    ~Request() { Wait(); }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    bool Wait() {
        if (!finished_) {
            EXPECT_EQ(WaitForSingleObject(event_.get(), Scaled(kWaitMs)), WAIT_OBJECT_0);
            DWORD bytes = 0;
            // Not waiting again: a request that never completes fails the test, not hangs it.
            ok_ = GetOverlappedResult(device_, &overlapped_, &bytes, FALSE) != FALSE;
            error_ = ok_ ? ERROR_SUCCESS : GetLastError();
            bytes_ = bytes;
            finished_ = true;
        }
        return ok_;
    }
    bool Completed() const { return WaitForSingleObject(event_.get(), 0) == WAIT_OBJECT_0; }

    bool pending() const { return pending_; }
    DWORD error() const { return error_; }
    DWORD bytes() const { return bytes_; }
    const std::vector<uint8_t>& out() const { return out_; }

private:
    HANDLE device_;
    UniqueHandle event_;
    OVERLAPPED overlapped_{};
    std::vector<uint8_t> in_;
    std::vector<uint8_t> out_;
    bool pending_ = false;
    bool finished_ = false;
    bool ok_ = false;
    DWORD error_ = 0;
    DWORD bytes_ = 0;
};

std::vector<uint8_t> Pattern(uint32_t function, uint32_t size) {
    std::vector<uint8_t> bytes(size);
    for (uint32_t i = 0; i < size; ++i) {
        bytes[i] = PatternByte(function, i);
    }
    return bytes;
}

std::vector<uint8_t> U32(uint32_t v) {
    std::vector<uint8_t> bytes(4);
    std::memcpy(bytes.data(), &v, 4);
    return bytes;
}

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at = 0) {
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

class CamSim : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(control_.ok()) << "control device not open, error " << GetLastError();
        ASSERT_TRUE(control_.Reset());
    }
    void TearDown() override { EXPECT_TRUE(control_.Reset()); }

    // Attaches one camera and opens it.
    UniqueHandle AttachAndOpen(uint32_t* index = nullptr) {
        uint32_t slot = 0;
        EXPECT_TRUE(control_.Attach(&slot));
        std::wstring path;
        EXPECT_TRUE(control_.InterfacePath(slot, &path));
        if (index != nullptr) {
            *index = slot;
        }
        UniqueHandle device = Open(path);
        EXPECT_TRUE(device) << "open failed, error " << GetLastError();
        return device;
    }

    uint32_t LastError(HANDLE device) {
        Request r(device, 25, {}, 32);
        EXPECT_TRUE(r.Wait());
        return ReadU32(r.out());
    }

    Control control_;
};

TEST_F(CamSim, AttachAndDetachChangeThePresentInterfaces) {
    EXPECT_TRUE(PresentCameras().empty());
    uint32_t index = 99;
    ASSERT_TRUE(control_.Attach(&index));
    std::wstring path;
    ASSERT_TRUE(control_.InterfacePath(index, &path));
    std::vector<std::wstring> present = PresentCameras();
    ASSERT_EQ(present.size(), 1u);
    EXPECT_EQ(_wcsicmp(present[0].c_str(), path.c_str()), 0);
    ASSERT_TRUE(control_.Detach(index));
    EXPECT_TRUE(PresentCameras().empty());
}

TEST_F(CamSim, ImmediateRequestIsJournalled) {
    UniqueHandle device = AttachAndOpen();
    ASSERT_TRUE(control_.SetProductCode(0x7013));
    Request r(device.get(), 26, {}, 8);
    EXPECT_FALSE(r.pending());
    ASSERT_TRUE(r.Wait());
    EXPECT_EQ(r.bytes(), 8u);
    EXPECT_EQ(r.out()[2], 0x13);
    EXPECT_EQ(r.out()[3], 0x70);

    std::vector<camsim::JournalEntry> journal;
    ASSERT_TRUE(control_.ReadJournal(&journal));
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0].code, RequestCode(26));
    EXPECT_EQ(journal[0].outputSize, 8u);
    EXPECT_EQ(journal[0].status, 0);
    EXPECT_EQ(journal[0].information, 8u);
    EXPECT_TRUE(journal[0].input.empty());
}

TEST_F(CamSim, TwoCamerasAreListedAndServedSeparately) {
    uint32_t first = 0, second = 0;
    UniqueHandle a = AttachAndOpen(&first);
    UniqueHandle b = AttachAndOpen(&second);
    EXPECT_NE(first, second);
    std::vector<std::wstring> present = PresentCameras();
    ASSERT_EQ(present.size(), 2u);
    EXPECT_NE(_wcsicmp(present[0].c_str(), present[1].c_str()), 0);

    Request ra(a.get(), 26, {}, 8);
    Request rb(b.get(), 15, {0x01}, 1);
    EXPECT_TRUE(ra.Wait());
    EXPECT_TRUE(rb.Wait());
    std::vector<camsim::JournalEntry> journal;
    ASSERT_TRUE(control_.ReadJournal(&journal));
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0].camera, first);
    EXPECT_EQ(journal[1].camera, second);
    EXPECT_LT(journal[0].sequence, journal[1].sequence);

    ASSERT_TRUE(control_.Detach(first));
    present = PresentCameras();
    ASSERT_EQ(present.size(), 1u);
    std::wstring path;
    ASSERT_TRUE(control_.InterfacePath(second, &path));
    EXPECT_EQ(_wcsicmp(present[0].c_str(), path.c_str()), 0);
}

TEST_F(CamSim, RefusedOpenFailsWithAccessDenied) {
    uint32_t index = 0;
    ASSERT_TRUE(control_.Attach(&index));
    std::wstring path;
    ASSERT_TRUE(control_.InterfacePath(index, &path));
    ASSERT_TRUE(control_.RefuseOpen(index, true));
    // Opened by the path exactly as SetupAPI lists it, as the device library does.
    std::vector<std::wstring> present = PresentCameras();
    ASSERT_EQ(present.size(), 1u);
    EXPECT_EQ(_wcsicmp(present[0].c_str(), path.c_str()), 0);
    SetLastError(0);
    UniqueHandle refused = Open(present[0]);
    EXPECT_FALSE(refused);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ASSERT_TRUE(control_.RefuseOpen(index, false));
    UniqueHandle opened = Open(present[0]);
    EXPECT_TRUE(opened) << GetLastError();
}

TEST_F(CamSim, WrongSizesAreRejected) {
    UniqueHandle device = AttachAndOpen();
    struct Case {
        uint32_t function;
        std::vector<uint8_t> in;
        uint32_t out;
    };
    const Case wrong[] = {
        {0, {1, 2, 3}, 0},
        {26, {}, 7},
        {1, {}, 75},
        {7, {1}, 6},
        {9, {1, 2, 3}, 0},
        {10, {}, 2241},
        {16, {1, 0}, 1},
        {20, std::vector<uint8_t>(11), 0},
        {23, {0, 0, 0, 0, 0, 0, 5, 0}, 4},
        {24, {0, 0, 0, 0, 0, 0, 2, 0, 9}, 0},
    };
    for (const Case& c : wrong) {
        Request r(device.get(), c.function, c.in, c.out);
        EXPECT_FALSE(r.Wait()) << "function " << c.function;
        EXPECT_EQ(r.error(), static_cast<DWORD>(ERROR_INVALID_PARAMETER))
            << "function " << c.function;
    }
    const Case right[] = {
        {0, {1, 2, 3, 4}, 0},
        {7, {1}, 4 + 4 * 3},
        {9, {1, 0, 0, 0}, 0},
        {23, {0, 0, 0, 0, 0, 0, 5, 0}, 5},
        {24, {0, 0, 0, 0, 0, 0, 1, 0, 9}, 0},
    };
    for (const Case& c : right) {
        Request r(device.get(), c.function, c.in, c.out);
        EXPECT_TRUE(r.Wait()) << "function " << c.function << " error " << r.error();
    }
}

TEST_F(CamSim, PassThroughRepliesHaveTheirExactSizes) {
    UniqueHandle device = AttachAndOpen();
    Request support(device.get(), 10, {}, 2242);
    ASSERT_TRUE(support.Wait());
    EXPECT_EQ(support.bytes(), 2242u);
    EXPECT_EQ(support.out(), Pattern(10, 2242));

    Request attribute(device.get(), 7, {5}, 4 + 4 * 64);
    ASSERT_TRUE(attribute.Wait());
    EXPECT_EQ(attribute.out(), Pattern(7, 4 + 4 * 64));

    Request request(device.get(), 23, {1, 2, 3, 4, 5, 6, 20, 0}, 20);
    ASSERT_TRUE(request.Wait());
    EXPECT_EQ(request.out(), Pattern(23, 20));

    Request big(device.get(), 22, {}, 100);
    ASSERT_TRUE(big.Wait());
    EXPECT_EQ(big.bytes(), camsim::kBufferTableSize);
    EXPECT_EQ(std::vector<uint8_t>(big.out().begin(), big.out().begin() + 48), Pattern(22, 48));
    EXPECT_EQ(big.out()[48], 0xCC);
    Request small(device.get(), 22, {}, 10);
    ASSERT_TRUE(small.Wait());
    EXPECT_EQ(small.bytes(), 10u);
}

TEST_F(CamSim, PendingCompletionReportsIoPendingAndTheRightBytes) {
    UniqueHandle device = AttachAndOpen();
    ASSERT_TRUE(control_.SetCompletion(camsim::Completion::Pending));
    // Long enough for all three to be made before the first completes.
    ASSERT_TRUE(control_.SetCompletionDelay(Scaled(100)));
    // Several requests outstanding on the one handle at once.
    Request support(device.get(), 6, {}, 129);
    Request version(device.get(), 26, {}, 8);
    Request frame(device.get(), 21, std::vector<uint8_t>(8, 1), 8);
    EXPECT_TRUE(support.pending());
    EXPECT_TRUE(version.pending());
    EXPECT_TRUE(frame.pending());
    EXPECT_FALSE(support.Completed());
    ASSERT_TRUE(frame.Wait());
    ASSERT_TRUE(version.Wait());
    ASSERT_TRUE(support.Wait());
    EXPECT_EQ(support.bytes(), 129u);
    EXPECT_EQ(support.out(), Pattern(6, 129));
    EXPECT_EQ(frame.out(), Pattern(21, 8));
    EXPECT_EQ(version.out()[2], 0x12);
    EXPECT_EQ(version.out()[3], 0x70);

    ASSERT_TRUE(control_.SetCompletion(camsim::Completion::Immediate));
    Request now(device.get(), 6, {}, 129);
    EXPECT_FALSE(now.pending());
    EXPECT_TRUE(now.Wait());
}

TEST_F(CamSim, FaultWithErrorZeroStatusAndLastError) {
    UniqueHandle device = AttachAndOpen();
    ASSERT_TRUE(control_.SetFault(26, 0x55, camsim::kStatusFailWithoutError, 1));
    SetLastError(1234);
    Request failed(device.get(), 26, {}, 8);
    EXPECT_FALSE(failed.Wait());
    EXPECT_EQ(failed.error(), 0u);
    EXPECT_EQ(LastError(device.get()), 0x55u);
    Request next(device.get(), 26, {}, 8);
    EXPECT_TRUE(next.Wait());

    // Pending, the same status still reads as error 0; then one with an error, for ever.
    ASSERT_TRUE(control_.SetCompletion(camsim::Completion::Pending));
    ASSERT_TRUE(control_.SetFault(26, 0x56, camsim::kStatusFailWithoutError, 1));
    Request pendingFault(device.get(), 26, {}, 8);
    EXPECT_TRUE(pendingFault.pending());
    EXPECT_FALSE(pendingFault.Wait());
    EXPECT_EQ(pendingFault.error(), 0u);
    EXPECT_EQ(LastError(device.get()), 0x56u);

    ASSERT_TRUE(control_.SetFault(15, 7, static_cast<int32_t>(0xC0070005u), 0));
    for (int i = 0; i < 3; ++i) {
        Request r(device.get(), 15, {1}, 1);
        EXPECT_TRUE(r.pending());
        EXPECT_FALSE(r.Wait());
        EXPECT_EQ(r.error(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    EXPECT_EQ(LastError(device.get()), 7u);
    ASSERT_TRUE(control_.ClearFaults());
    Request cleared(device.get(), 15, {1}, 1);
    EXPECT_TRUE(cleared.Wait());
    EXPECT_EQ(cleared.out()[0], 1);
}

TEST_F(CamSim, SystemDataWriteStoresTheCallersBytes) {
    UniqueHandle device = AttachAndOpen();
    std::vector<uint8_t> data(100000);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    }
    std::vector<uint8_t> record(12, 0);
    record[0] = 3;
    uint32_t pointer = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data.data()));
    uint32_t length = static_cast<uint32_t>(data.size());
    std::memcpy(&record[4], &pointer, 4);
    std::memcpy(&record[8], &length, 4);
    Request write(device.get(), 20, record, 0);
    EXPECT_TRUE(write.pending());
    ASSERT_TRUE(write.Wait()) << write.error();

    std::vector<uint8_t> image;
    ASSERT_TRUE(control_.ReadImage(3, &image));
    EXPECT_EQ(image, data);
    std::vector<uint8_t> none;
    EXPECT_FALSE(control_.ReadImage(4, &none));

    Request size(device.get(), 18, {3}, 4);
    ASSERT_TRUE(size.Wait());
    EXPECT_EQ(ReadU32(size.out()), length);

    std::vector<camsim::JournalEntry> journal;
    ASSERT_TRUE(control_.ReadJournal(&journal));
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal[0].code, RequestCode(20));
    EXPECT_EQ(journal[0].input, record);
}

TEST_F(CamSim, SystemDataWriteLongerThanTheTimeOutFails) {
    UniqueHandle device = AttachAndOpen();
    // Two seconds at 100 us per byte (widened, as the bound below is): far past the time-out.
    ASSERT_TRUE(control_.SetWriteTime(Scaled(100)));
    Request timeout(device.get(), 0, U32(50), 0);
    ASSERT_TRUE(timeout.Wait());
    std::vector<uint8_t> data(20000, 0x5A);
    std::vector<uint8_t> record(12, 0);
    record[0] = 1;
    uint32_t pointer = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data.data()));
    uint32_t length = static_cast<uint32_t>(data.size());
    std::memcpy(&record[4], &pointer, 4);
    std::memcpy(&record[8], &length, 4);
    DWORD start = GetTickCount();
    Request write(device.get(), 20, record, 0);
    EXPECT_TRUE(write.pending());
    EXPECT_FALSE(write.Wait());
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(write.error(), static_cast<DWORD>(ERROR_SEM_TIMEOUT));
    EXPECT_GE(elapsed, 40u);
    EXPECT_LT(elapsed, Scaled(1500)) << "failed at the time-out, not after the write";
    EXPECT_EQ(LastError(device.get()), camsim::kDriverErrorTimeout);
    std::vector<uint8_t> image;
    EXPECT_FALSE(control_.ReadImage(1, &image));

    // A time-out long enough lets the same write through.
    Request longer(device.get(), 0, U32(20000), 0);
    ASSERT_TRUE(longer.Wait());
    ASSERT_TRUE(control_.SetWriteTime(1));
    Request again(device.get(), 20, record, 0);
    EXPECT_TRUE(again.Wait());
    ASSERT_TRUE(control_.ReadImage(1, &image));
    EXPECT_EQ(image, data);
}

TEST_F(CamSim, ControlValuesVersionBlockAndTransfer) {
    UniqueHandle device = AttachAndOpen();
    Request block(device.get(), 8, {61}, 14);
    ASSERT_TRUE(block.Wait());
    const std::vector<uint8_t> defaults = {0, 0, 0, 0, 5, 0, 1, 1, 3, 0, 0, 0, 2, 1};
    EXPECT_EQ(block.out(), defaults);

    Request write(device.get(), 9, {0x3E, 0, 0, 0, 1}, 0);
    ASSERT_TRUE(write.Wait());
    Request read(device.get(), 8, {0x3E}, 3);
    ASSERT_TRUE(read.Wait());
    EXPECT_EQ(read.bytes(), 3u);
    EXPECT_EQ(read.out(), (std::vector<uint8_t>{1, 0, 0}));
    const uint8_t value[] = {9, 8, 7};
    ASSERT_TRUE(control_.SetControlValue(0x10, value, 3));
    Request cut(device.get(), 8, {0x10}, 2);
    ASSERT_TRUE(cut.Wait());
    EXPECT_EQ(cut.out(), (std::vector<uint8_t>{9, 8}));

    Request get(device.get(), 15, {1}, 1);
    ASSERT_TRUE(get.Wait());
    EXPECT_EQ(get.out()[0], 1);
    Request set(device.get(), 16, {1, 0, 5}, 1);
    ASSERT_TRUE(set.Wait());
    Request again(device.get(), 15, {1}, 1);
    ASSERT_TRUE(again.Wait());
    EXPECT_EQ(again.out()[0], 0);

    std::vector<camsim::JournalEntry> journal;
    ASSERT_TRUE(control_.ReadJournal(&journal));
    ASSERT_GE(journal.size(), 2u);
    EXPECT_EQ(journal[1].code, RequestCode(9));
    EXPECT_EQ(journal[1].input, (std::vector<uint8_t>{0x3E, 0, 0, 0, 1}));
    ASSERT_TRUE(control_.ClearJournal());
    ASSERT_TRUE(control_.ReadJournal(&journal));
    EXPECT_TRUE(journal.empty());
}

TEST_F(CamSim, EventsAreReportedOnce) {
    UniqueHandle device = AttachAndOpen();
    const uint8_t event[] = {1, 2, 3};
    ASSERT_TRUE(control_.SetEvent(2, event, sizeof(event)));
    Request first(device.get(), 2, {}, 12);
    ASSERT_TRUE(first.Wait());
    EXPECT_EQ(first.out(), (std::vector<uint8_t>{1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    Request second(device.get(), 2, {}, 12);
    ASSERT_TRUE(second.Wait());
    EXPECT_EQ(second.out(), std::vector<uint8_t>(12, 0));
    Request other(device.get(), 1, {}, 76);
    ASSERT_TRUE(other.Wait());
    EXPECT_EQ(other.out(), std::vector<uint8_t>(76, 0));
}

TEST_F(CamSim, HeldRequestFailsWhenTheCameraIsDetached) {
    uint32_t index = 0;
    UniqueHandle device = AttachAndOpen(&index);
    ASSERT_TRUE(control_.HoldUntilDetach(20));
    std::vector<uint8_t> record(12, 0);
    Request held(device.get(), 20, record, 0);
    ASSERT_TRUE(held.pending());
    // Other requests still pass while it is held.
    Request other(device.get(), 26, {}, 8);
    EXPECT_TRUE(other.Wait());
    EXPECT_FALSE(held.Completed());
    ASSERT_TRUE(control_.Detach(index));
    EXPECT_FALSE(held.Wait());
    EXPECT_EQ(held.error(), kErrorDetached);

    // The handle stays dead, also after a new camera takes the same slot.
    Request late(device.get(), 26, {}, 8);
    EXPECT_FALSE(late.Wait());
    EXPECT_EQ(late.error(), kErrorDetached);
    uint32_t again = 0;
    UniqueHandle fresh = AttachAndOpen(&again);
    EXPECT_EQ(again, index);
    Request stale(device.get(), 26, {}, 8);
    EXPECT_FALSE(stale.Wait());
    Request works(fresh.get(), 26, {}, 8);
    EXPECT_TRUE(works.Wait());
}

TEST_F(CamSim, JournalKeepsOnlyTheLatestEntries) {
    UniqueHandle device = AttachAndOpen();
    for (uint32_t i = 0; i < 4200; ++i) {
        Request r(device.get(), 0, U32(i), 0);
        ASSERT_TRUE(r.Wait());
    }
    std::vector<camsim::JournalEntry> journal;
    ASSERT_TRUE(control_.ReadJournal(&journal));
    ASSERT_EQ(journal.size(), 4096u);
    EXPECT_EQ(journal.back().input, U32(4199));
    EXPECT_EQ(journal.front().input, U32(4200 - 4096));
}

TEST_F(CamSim, DefaultScenarioAttachesOneCameraShortlyAfter) {
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(control_.ApplyDefaultScenario());
    // Nothing announces the arrival to a test; poll the condition itself.
    std::vector<std::wstring> present;
    ASSERT_TRUE(tavik::test::WaitUntil(
        [&] {
            present = PresentCameras();
            return !present.empty();
        },
        kWaitMs));
    // A second after the scenario was set, so a program started with it sees the arrival;
    // however slow the host, the camera can only come later, never sooner.
    EXPECT_GE(GetTickCount64() - start, 950u);
    ASSERT_EQ(present.size(), 1u);
    UniqueHandle device = Open(present[0]);
    ASSERT_TRUE(device);
    Request version(device.get(), 26, {}, 8);
    ASSERT_TRUE(version.Wait());
    EXPECT_EQ(version.out()[2], 0x12);
    EXPECT_EQ(version.out()[3], 0x70);
}

TEST_F(CamSim, LargestRequestRecordsPassWhole) {
    UniqueHandle device = AttachAndOpen();
    std::vector<uint8_t> set(8 + 65535);
    for (size_t i = 0; i < set.size(); ++i) {
        set[i] = static_cast<uint8_t>(i ^ (i >> 8));
    }
    set[6] = 0xFF;
    set[7] = 0xFF;
    Request write(device.get(), 24, set, 0);
    ASSERT_TRUE(write.Wait()) << write.error();
    Request read(device.get(), 23, {0, 0, 0, 0, 0, 0, 0xFF, 0xFF}, 65535);
    ASSERT_TRUE(read.Wait()) << read.error();
    EXPECT_EQ(read.bytes(), 65535u);
    EXPECT_EQ(read.out(), Pattern(23, 65535));

    std::vector<camsim::JournalEntry> journal;
    ASSERT_TRUE(control_.ReadJournal(&journal));
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0].input, set);
    EXPECT_EQ(journal[1].outputSize, 65535u);
    EXPECT_EQ(journal[1].information, 65535u);
}

// Stopping the driver ends what is still outstanding, and it starts again in the same prefix.
TEST(CamSimDriver, StopFailsOutstandingRequestsAndRestarts) {
    {
        Control control;
        ASSERT_TRUE(control.ok());
        ASSERT_TRUE(control.Reset());
        uint32_t index = 0;
        ASSERT_TRUE(control.Attach(&index));
        std::wstring path;
        ASSERT_TRUE(control.InterfacePath(index, &path));
        ASSERT_TRUE(control.HoldUntilDetach(15));
        ASSERT_TRUE(control.SetCompletion(camsim::Completion::Pending));
        ASSERT_TRUE(control.SetCompletionDelay(Scaled(60000)));
        UniqueHandle device = Open(path);
        ASSERT_TRUE(device);
        Request held(device.get(), 15, {1}, 1);
        Request slow(device.get(), 26, {}, 8);
        ASSERT_TRUE(held.pending());
        ASSERT_TRUE(slow.pending());
        ASSERT_TRUE(camsim::StopDriver());
        EXPECT_FALSE(held.Wait());
        EXPECT_FALSE(slow.Wait());
        EXPECT_TRUE(PresentCameras().empty());
    }
    ASSERT_TRUE(camsim::StartDriver());
    Control control;
    ASSERT_TRUE(control.ok());
    uint32_t index = 0;
    ASSERT_TRUE(control.Attach(&index));
    EXPECT_EQ(PresentCameras().size(), 1u);
    EXPECT_TRUE(control.Reset());
    EXPECT_TRUE(PresentCameras().empty());
}

TEST_F(CamSim, EveryRequestCompletesTheWayTheModeSays) {
    UniqueHandle device = AttachAndOpen();
    for (camsim::Completion mode : {camsim::Completion::Immediate, camsim::Completion::Pending}) {
        ASSERT_TRUE(control_.SetCompletion(mode));
        for (int i = 0; i < 100; ++i) {
            Request r(device.get(), 26, {}, 8);
            ASSERT_EQ(r.pending(), mode == camsim::Completion::Pending);
            ASSERT_TRUE(r.Wait());
        }
    }
}

TEST_F(CamSim, DelayedAttachGivenUpBeforeItComes) {
    uint32_t first = 0;
    ASSERT_TRUE(control_.AttachLater(Scaled(200), &first));
    ASSERT_TRUE(control_.Detach(first));
    uint32_t second = 0;
    ASSERT_TRUE(control_.AttachLater(Scaled(5000), &second));
    EXPECT_EQ(second, first);  // the slot was free again
    // Outlast the given-up attach with a pending request that the worker completes later.
    uint32_t other = 0;
    UniqueHandle device = AttachAndOpen(&other);
    EXPECT_NE(other, second);
    ASSERT_TRUE(control_.SetCompletion(camsim::Completion::Pending));
    ASSERT_TRUE(control_.SetCompletionDelay(Scaled(400)));
    Request r(device.get(), 26, {}, 8);
    ASSERT_TRUE(r.Wait());
    // Only the camera attached at once; the second delayed one is not due yet.
    EXPECT_EQ(PresentCameras().size(), 1u);
}

TEST_F(CamSim, DelayedRequestCompletesLaterAndOthersPassItMeanwhile) {
    UniqueHandle device = AttachAndOpen();
    // Long enough for the second request to pass it.
    ASSERT_TRUE(control_.DelayNext(9, Scaled(300)));
    Request slow(device.get(), 9, {0x3E, 0, 0, 0, 0}, 0);
    ASSERT_TRUE(slow.pending()) << "delayed also while completion is immediate";
    camsim::StatusRecord status{};
    ASSERT_TRUE(control_.ReadStatus(&status));
    EXPECT_EQ(status.outstanding, 1u);
    // Only the next one is delayed.
    Request next(device.get(), 9, {0x3E, 0, 0, 0, 1}, 0);
    EXPECT_FALSE(next.pending());
    EXPECT_TRUE(next.Wait());
    EXPECT_FALSE(slow.Completed());
    ASSERT_TRUE(slow.Wait());

    std::vector<camsim::JournalEntry> journal;
    ASSERT_TRUE(control_.ReadJournal(&journal));
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0].input, (std::vector<uint8_t>{0x3E, 0, 0, 0, 0}));
    // The first arrived first and completed after the second had arrived; the second
    // completed before anything else arrived.
    EXPECT_GT(journal[1].sequence, journal[0].sequence);
    EXPECT_GE(journal[0].completedAfter, journal[1].sequence);
    EXPECT_EQ(journal[1].completedAfter, journal[1].sequence);
    ASSERT_TRUE(control_.ReadStatus(&status));
    EXPECT_EQ(status.received, 2u);
    EXPECT_EQ(status.outstanding, 0u);
    EXPECT_EQ(status.opens, 1u);
}

TEST_F(CamSim, CancelledRequestsCompleteAsCancelledAndTheCameraServesOn) {
    uint32_t index = 0;
    UniqueHandle device = AttachAndOpen(&index);
    for (camsim::Completion mode : {camsim::Completion::Immediate, camsim::Completion::Pending}) {
        SCOPED_TRACE(mode == camsim::Completion::Pending ? "pending" : "immediate");
        ASSERT_TRUE(control_.ClearJournal());
        ASSERT_TRUE(control_.SetCompletion(mode));
        ASSERT_TRUE(control_.DelayNext(9, Scaled(60000)));
        ASSERT_TRUE(control_.HoldUntilDetach(26));
        Request queued(device.get(), 9, {0x3E, 0, 0, 0, 0}, 0);
        Request held(device.get(), 26, {}, 8);
        ASSERT_TRUE(queued.pending());
        ASSERT_TRUE(held.pending());

        ASSERT_TRUE(CancelIoEx(device.get(), nullptr)) << GetLastError();
        EXPECT_FALSE(queued.Wait());
        EXPECT_EQ(queued.error(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
        EXPECT_FALSE(held.Wait());
        EXPECT_EQ(held.error(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
        std::vector<camsim::JournalEntry> journal;
        ASSERT_TRUE(control_.ReadJournal(&journal));
        ASSERT_EQ(journal.size(), 2u);
        EXPECT_EQ(journal[0].status, camsim::kStatusCancelled);
        EXPECT_EQ(journal[1].status, camsim::kStatusCancelled);
        camsim::StatusRecord status{};
        ASSERT_TRUE(control_.ReadStatus(&status));
        EXPECT_EQ(status.outstanding, 0u);

        // A cancel with nothing waiting cancels nothing (Wine's CancelIoEx may still report
        // success), and the camera goes on serving.
        CancelIoEx(device.get(), nullptr);
        Request after(device.get(), 26, {}, 8);
        EXPECT_TRUE(after.Wait());
    }
    camsim::StatusRecord status{};
    ASSERT_TRUE(control_.ReadStatus(&status));
    EXPECT_EQ(status.cancelled, 4u);
    EXPECT_TRUE(control_.Detach(index)) << "nothing held is left for the detach";
}

TEST_F(CamSim, WarningStatusStillDeliversTheReply) {
    UniqueHandle device = AttachAndOpen();
    ASSERT_TRUE(control_.SetProductCode(0x7013));
    const int32_t bufferOverflow = static_cast<int32_t>(0x80000005u);
    for (camsim::Completion mode : {camsim::Completion::Immediate, camsim::Completion::Pending}) {
        ASSERT_TRUE(control_.SetCompletion(mode));
        ASSERT_TRUE(control_.SetFault(26, 0x66, bufferOverflow, 1));
        Request warned(device.get(), 26, {}, 8);
        EXPECT_FALSE(warned.Wait());
        EXPECT_EQ(warned.error(), static_cast<DWORD>(ERROR_MORE_DATA));
        EXPECT_EQ(warned.out()[2], 0x13);
        EXPECT_EQ(warned.out()[3], 0x70);
        EXPECT_EQ(LastError(device.get()), 0x66u);
    }
    std::vector<camsim::JournalEntry> journal;
    ASSERT_TRUE(control_.ReadJournal(&journal));
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal[0].status, bufferOverflow);
    EXPECT_EQ(journal[0].information, 8u);
}

camsim::ReplayStatus ReplayStatusOf(Control& control) {
    camsim::ReplayStatus status{};
    EXPECT_TRUE(control.ReadReplayStatus(&status));
    return status;
}

// The replay's cases, an entry of their own: they wait for recorded times.
class CamSimReplay : public CamSim {};

// A recorded session: the camera there, a slow version query, a short reply with
// ERROR_MORE_DATA, and the camera unplugged 100 ms after.
const char kSession[] =
    "{\"schemaVersion\":1,\"library\":\"1.0.0.1\",\"program\":\"x.exe\",\"time\":\"t\"}\n"
    "{\"ms\":5,\"event\":\"found\",\"path\":\"p\"}\n"
    "{\"ms\":6,\"event\":\"opened\",\"path\":\"p\"}\n"
    "{\"ms\":300,\"event\":\"request\",\"export\":\"OrvaneUtil_GetVersion\",\"code\":2228328,"
    "\"in\":\"\",\"out\":\"0800137001000000\",\"returned\":8,\"ok\":true,\"error\":0,"
    "\"us\":250000}\n"
    "{\"ms\":301,\"event\":\"request\",\"export\":\"OrvaneUtil_GetLastError\",\"code\":2228324,"
    "\"in\":\"\",\"out\":\"6600\",\"returned\":2,\"ok\":false,\"error\":234,\"us\":10}\r\n"
    "{\"ms\":401,\"event\":\"removed\",\"path\":\"p\"}\n";

template <size_t N>
std::string HexOf(const uint8_t (&bytes)[N]) {
    std::string hex;
    for (const uint8_t byte : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof(digits), "%02x", byte);
        hex += digits;
    }
    return hex;
}

std::vector<uint8_t> ScriptOf(const std::string& trace) {
    std::vector<uint8_t> script;
    std::string problem;
    EXPECT_TRUE(camsim::ScriptFromTrace(trace, &script, &problem)) << problem;
    return script;
}

TEST_F(CamSimReplay, ReplayAnswersAsRecordedAndEndsAtTheFirstRequestThatDiffers) {
    ASSERT_TRUE(control_.LoadReplay(ScriptOf(kSession)));
    std::vector<std::wstring> present = PresentCameras();
    ASSERT_EQ(present.size(), 1u) << "the camera is there before the first request";
    UniqueHandle device = Open(present[0]);
    ASSERT_TRUE(device);

    Request version(device.get(), 26, {}, 8);
    EXPECT_TRUE(version.pending()) << "the recorded 250 ms were not kept";
    EXPECT_TRUE(version.Wait());
    EXPECT_EQ(version.bytes(), 8u);
    EXPECT_EQ(version.out(), (std::vector<uint8_t>{8, 0, 0x13, 0x70, 1, 0, 0, 0}));
    Request partial(device.get(), 25, {}, 32);
    EXPECT_FALSE(partial.Wait());
    EXPECT_EQ(partial.error(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(partial.bytes(), 2u);
    EXPECT_EQ(partial.out()[0], 0x66);
    // Complete only once the recorded removal has happened too.
    camsim::ReplayStatus status = ReplayStatusOf(control_);
    if (!PresentCameras().empty()) {
        EXPECT_EQ(status.state, camsim::kReplayRunning) << "complete before the removal";
    }
    EXPECT_TRUE(tavik::test::WaitUntil([] { return PresentCameras().empty(); }, kWaitMs))
        << "the recorded removal never came";
    EXPECT_TRUE(tavik::test::WaitUntil(
        [&] { return ReplayStatusOf(control_).state == camsim::kReplayComplete; }, kWaitMs));
    ASSERT_TRUE(control_.ReadReplayStatus(&status));
    EXPECT_EQ(status.done, 5u);  // found, opened, two answers, removed

    Request beyond(device.get(), 26, {}, 8);
    EXPECT_FALSE(beyond.Wait());
    EXPECT_EQ(beyond.error(), static_cast<DWORD>(ERROR_IO_DEVICE));
    ASSERT_TRUE(control_.ReadReplayStatus(&status));
    EXPECT_EQ(status.state, camsim::kReplayMismatch);
    EXPECT_EQ(status.differences, static_cast<uint32_t>(camsim::kBeyondTheEnd));
    EXPECT_EQ(status.sequence, 3u);

    // Loaded again: a request of another code ends it, and every later one fails.
    ASSERT_TRUE(control_.LoadReplay(ScriptOf(kSession)));
    present = PresentCameras();
    ASSERT_EQ(present.size(), 1u);
    device = Open(present[0]);
    Request other(device.get(), 15, {}, 1);
    EXPECT_FALSE(other.Wait());
    EXPECT_EQ(other.error(), static_cast<DWORD>(ERROR_IO_DEVICE));
    Request expected(device.get(), 26, {}, 8);
    EXPECT_FALSE(expected.Wait()) << "a replay went on after a mismatch";
    ASSERT_TRUE(control_.ReadReplayStatus(&status));
    EXPECT_EQ(status.state, camsim::kReplayMismatch);
    EXPECT_EQ(status.differences, static_cast<uint32_t>(camsim::kDiffersCode));
    EXPECT_EQ(status.step, 2u);
    EXPECT_EQ(status.expectedCode, RequestCode(26));
    EXPECT_EQ(status.receivedCode, RequestCode(15));

    // A reset ends the replay: the camera answers as itself again.
    ASSERT_TRUE(control_.Reset());
    ASSERT_TRUE(control_.ReadReplayStatus(&status));
    EXPECT_EQ(status.state, camsim::kReplayNone);
}

TEST(ReplayScript, WhatCannotBeReplayedFaithfullyIsRefusedWithItsLine) {
    const std::string header = "{\"schemaVersion\":1}\n";
    const std::string request =
        "{\"ms\":1,\"event\":\"request\",\"code\":2228328,\"in\":\"\",\"out\":\"08\","
        "\"ok\":true,\"error\":0,\"us\":5";
    const struct {
        std::string trace;
        const char* problem;
        uint32_t session = 0;  // the last
    } cases[] = {
        {"", "empty"},
        {"{\"schemaVersion\":3}\n", "line 1"},
        {"{\"ms\":1,\"event\":\"found\"}\n", "line 1: not a TAVIK_TRACE header"},
        {header + "{\"ms\":1,\"event\":\"request\",\"code\":2228331,\"in\":\"\",\"out\":\"\","
                  "\"returned\":0,\"ok\":true,\"error\":0,\"us\":5}\n",
         "line 2: a request whose code is not a buffered one"},
        {header + header, "holds 2 sessions, not 3", 3},
        {header + "not json\n", "line 2: not a JSON object"},
        {header + request + ",\"returned\":2}\n", "line 2: a request's output"},
        {header + "{\"ms\":1,\"event\":\"request\",\"code\":2228328,\"in\":\"0g\",\"out\":\"\","
                  "\"returned\":0,\"ok\":true,\"error\":0,\"us\":5}\n",
         "input"},
        {header +
             "{\"ms\":1,\"event\":\"request\",\"code\":2228304,\"in\":\"000000000000000000000000\","
             "\"imageLength\":300,\"imageSha256\":\"unreadable\",\"out\":\"\",\"returned\":0,"
             "\"ok\":true,\"error\":0,\"us\":5}\n",
         "unreadable"},
        {header + "{\"ms\":1,\"event\":\"teleported\"}\n", "unknown event"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> script;
        std::string problem;
        EXPECT_FALSE(camsim::ScriptFromTrace(c.trace, &script, &problem, c.session)) << c.trace;
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.trace << " -> " << problem;
    }
    std::vector<uint8_t> script;
    std::string problem;
    ASSERT_TRUE(camsim::ScriptFromTrace(header + request + ",\"returned\":1}", &script, &problem))
        << problem;

    // The driver takes nothing it cannot walk whole, nor a request it could not answer as a
    // driver must: one whose code is not buffered, or whose status is not final.
    Control control;
    ASSERT_TRUE(control.ok());
    constexpr size_t kCode = sizeof(camsim::ReplayScript) + offsetof(camsim::ReplayStep, code);
    constexpr size_t kStatus = sizeof(camsim::ReplayScript) + offsetof(camsim::ReplayStep, status);
    const std::vector<uint8_t> good = script;
    for (const auto& patch : {std::make_pair(kCode, 0x0022006Bu), std::make_pair(kStatus, 0x103u),
                              std::make_pair(kStatus, 0x40000001u)}) {
        script = good;
        std::memcpy(&script[patch.first], &patch.second, 4);
        EXPECT_FALSE(control.LoadReplay(script)) << std::hex << patch.second;
    }
    script = good;
    script.pop_back();
    EXPECT_FALSE(control.LoadReplay(script));
    script.push_back(0);
    script[0] ^= 1;
    EXPECT_FALSE(control.LoadReplay(script));
    EXPECT_TRUE(control.LoadReplay(good));
    EXPECT_EQ(camsim::StatusOfOutcome(false, 0), camsim::kStatusFailWithoutError);
    EXPECT_TRUE(control.Reset());
}

// Each start of the library adds a session to the file: the last one is replayed, or the one
// asked for, and no line of another session matters, not even one cut off.
TEST(ReplayScript, TheLastSessionOrTheOneAskedFor) {
    const auto session = [](const char* program, const char* out) {
        return "{\"schemaVersion\":2,\"program\":\"" + std::string(program) +
               "\",\"time\":\"t\"}\n{\"ms\":3,\"event\":\"request\",\"seq\":1,\"code\":2228328,"
               "\"in\":\"\",\"out\":\"" +
               out + "\",\"returned\":1,\"ok\":true,\"error\":0,\"us\":5}\n";
    };
    const std::string trace =
        session("first.exe", "01") + "{\"ms\":9,\"ev\n" + session("second.exe", "02");
    std::vector<uint8_t> script;
    std::string problem;
    camsim::SessionFound found;
    ASSERT_TRUE(camsim::ScriptFromTrace(trace, &script, &problem, 0, &found)) << problem;
    EXPECT_EQ(found.number, 2u);
    EXPECT_EQ(found.count, 2u);
    EXPECT_EQ(found.program, "second.exe");
    const size_t output = sizeof(camsim::ReplayScript) + sizeof(camsim::ReplayStep);
    ASSERT_GT(script.size(), output);
    EXPECT_EQ(script[output], 0x02);
    EXPECT_FALSE(camsim::ScriptFromTrace(trace, &script, &problem, 1, &found));
    EXPECT_NE(problem.find("line 3: not a JSON object"), std::string::npos) << problem;
    ASSERT_TRUE(camsim::ScriptFromTrace(session("first.exe", "01") + session("second.exe", "02"),
                                        &script, &problem, 1, &found))
        << problem;
    EXPECT_EQ(found.program, "first.exe");
    EXPECT_EQ(script[output], 0x01);
}

// A recorded line: a request to function `function` (empty input), numbered `sequence`,
// answered at `ms` after `us` microseconds with `out`.
std::string RequestLine(uint32_t ms, uint32_t sequence, uint32_t function, const char* out,
                        uint64_t us) {
    return "{\"ms\":" + std::to_string(ms) +
           ",\"event\":\"request\",\"seq\":" + std::to_string(sequence) +
           ",\"code\":" + std::to_string(RequestCode(function)) + ",\"in\":\"\",\"out\":\"" + out +
           "\",\"returned\":" + std::to_string(std::strlen(out) / 2) +
           ",\"ok\":true,\"error\":0,\"us\":" + std::to_string(us) + "}\n";
}

std::string EventLine(uint32_t ms, const char* event) {
    return "{\"ms\":" + std::to_string(ms) + ",\"event\":\"" + event + "\",\"path\":\"p\"" +
           (std::strcmp(event, "open-failed") == 0 ? ",\"error\":5" : "") + "}\n";
}

const char kHeader[] = "{\"schemaVersion\":2,\"program\":\"x.exe\",\"time\":\"t\"}\n";

// Unplugged mid-request, as recorded: the camera goes while the slow answer is on its way, the
// answer still comes as recorded, and the replay is complete only once both have happened.
TEST_F(CamSimReplay, ARecordedRemovalLeavesAReplayedAnswerAndCompleteMeansAllHappened) {
    const uint32_t slowMs = Scaled(500);
    const std::string trace = std::string(kHeader) + EventLine(0, "found") +
                              RequestLine(10, 1, 15, "01", 1000) + EventLine(110, "removed") +
                              RequestLine(10 + slowMs, 2, 26, "0800137001000000", slowMs * 1000ull);
    ASSERT_TRUE(control_.LoadReplay(ScriptOf(trace)));
    std::vector<std::wstring> present = PresentCameras();
    ASSERT_EQ(present.size(), 1u);
    UniqueHandle device = Open(present[0]);
    ASSERT_TRUE(device);
    Request transfer(device.get(), 15, {}, 1);
    ASSERT_TRUE(transfer.Wait());
    Request version(device.get(), 26, {}, 8);
    EXPECT_TRUE(version.pending());
    ASSERT_TRUE(tavik::test::WaitUntil([] { return PresentCameras().empty(); }, kWaitMs))
        << "the recorded removal never came";
    camsim::ReplayStatus status = ReplayStatusOf(control_);
    if (!version.Completed()) {
        EXPECT_EQ(status.state, camsim::kReplayRunning) << "complete before the last answer";
        EXPECT_GE(status.outstanding, 1u);
    }
    ASSERT_TRUE(version.Wait()) << "the removal failed the answer, error " << version.error();
    EXPECT_EQ(version.out(), (std::vector<uint8_t>{8, 0, 0x13, 0x70, 1, 0, 0, 0}));
    status = ReplayStatusOf(control_);
    EXPECT_EQ(status.state, camsim::kReplayComplete);
    EXPECT_EQ(status.done, status.steps);
    EXPECT_EQ(status.outstanding, 0u);
}

// Two threads of the recording: the slow request was issued first but written last. The replay
// answers in the order of issue.
TEST_F(CamSimReplay, RequestsReplayInTheOrderTheyWereIssued) {
    const std::string trace = std::string(kHeader) + EventLine(0, "found") +
                              RequestLine(20, 2, 15, "01", 1000) +
                              RequestLine(40, 1, 26, "0800137001000000", 30000);
    ASSERT_TRUE(control_.LoadReplay(ScriptOf(trace)));
    std::vector<std::wstring> present = PresentCameras();
    ASSERT_EQ(present.size(), 1u);
    UniqueHandle device = Open(present[0]);
    ASSERT_TRUE(device);
    Request version(device.get(), 26, {}, 8);
    Request transfer(device.get(), 15, {}, 1);
    EXPECT_TRUE(version.Wait()) << version.error();
    EXPECT_TRUE(transfer.Wait()) << transfer.error();
    EXPECT_EQ(ReplayStatusOf(control_).state, camsim::kReplayComplete);
}

// A recorded refused open: the camera refuses opens until the recorded open that worked.
TEST_F(CamSimReplay, ARecordedRefusedOpenIsReplayedAsOne) {
    const uint32_t refusedMs = Scaled(500);
    const std::string trace = std::string(kHeader) + EventLine(0, "found") +
                              EventLine(1, "open-failed") + EventLine(1 + refusedMs, "found") +
                              EventLine(2 + refusedMs, "opened") +
                              RequestLine(3 + refusedMs, 1, 15, "01", 1000);
    ASSERT_TRUE(control_.LoadReplay(ScriptOf(trace)));
    std::vector<std::wstring> present = PresentCameras();
    ASSERT_EQ(present.size(), 1u) << "found again, the camera stays one";
    ASSERT_TRUE(tavik::test::WaitUntil(
        [&] {
            UniqueHandle refused = Open(present[0]);
            return !refused && GetLastError() == ERROR_ACCESS_DENIED;
        },
        kWaitMs))
        << "the open was not refused";
    UniqueHandle device;
    ASSERT_TRUE(tavik::test::WaitUntil(
        [&] {
            device = Open(present[0]);
            return static_cast<bool>(device);
        },
        kWaitMs))
        << "the refusal outlasted the recorded open";
    Request transfer(device.get(), 15, {}, 1);
    EXPECT_TRUE(transfer.Wait());
    EXPECT_EQ(ReplayStatusOf(control_).state, camsim::kReplayComplete);
    EXPECT_EQ(PresentCameras().size(), 1u);
}

// A reload between a camera event's check that its replay still runs and its action: the old
// event must not act on the new replay. The driver pauses each event there, and the reload comes
// during the pause.
TEST_F(CamSimReplay, AReloadDuringACameraEventLeavesTheNewReplayAlone) {
    const std::string trace = std::string(kHeader) + EventLine(0, "found") +
                              RequestLine(10, 1, 15, "01", 1000) + EventLine(10, "removed");
    const std::vector<uint8_t> script = ScriptOf(trace);
    ASSERT_TRUE(control_.LoadReplay(script));
    ASSERT_TRUE(control_.SetReplayEventPause(Scaled(500)));
    std::vector<std::wstring> present = PresentCameras();
    ASSERT_EQ(present.size(), 1u);
    {
        UniqueHandle device = Open(present[0]);
        ASSERT_TRUE(device);
        Request transfer(device.get(), 15, {}, 1);  // the removal falls due with its answer
        ASSERT_TRUE(transfer.Wait());
    }
    camsim::ReplayStatus seen{};
    ASSERT_TRUE(tavik::test::WaitUntil(
        [&] {
            seen = ReplayStatusOf(control_);
            return seen.eventsActing == 1;
        },
        kWaitMs))
        << "state " << seen.state << ", " << seen.done << " of " << seen.steps << " done, "
        << seen.outstanding << " on their way, cameras " << PresentCameras().size();
    ASSERT_TRUE(control_.LoadReplay(script));  // the same session from its start
    ASSERT_TRUE(tavik::test::WaitUntil([&] { return ReplayStatusOf(control_).eventsActing == 0; },
                                       kWaitMs));
    EXPECT_EQ(PresentCameras().size(), 1u) << "the old removal took the new replay's camera";
    const camsim::ReplayStatus status = ReplayStatusOf(control_);
    EXPECT_EQ(status.state, camsim::kReplayRunning);
    EXPECT_EQ(status.done, 1u);
}

// The driver's own SHA-256 against known answers, around the padding's edges: each image is
// recorded by its digest only, so the replay completes only when every digest the driver
// computes is the known one, and a mismatch shows the driver's digest in the replay's status.
TEST_F(CamSimReplay, TheReplaysSha256GivesTheKnownAnswers) {
    const struct {
        std::string input;
        const char* sha256;
    } answers[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {std::string(1000, 'a'),
         "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3"},
    };
    std::string trace = std::string(kHeader) + EventLine(0, "found");
    uint32_t sequence = 0;
    for (const auto& answer : answers) {
        ++sequence;
        const uint32_t length = static_cast<uint32_t>(answer.input.size());
        const uint8_t record[12] = {
            1, 0, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
            0, 0};
        trace += "{\"ms\":" + std::to_string(sequence) +
                 ",\"event\":\"request\",\"seq\":" + std::to_string(sequence) +
                 ",\"code\":2228304,\"in\":\"" + HexOf(record) +
                 "\",\"imageLength\":" + std::to_string(answer.input.size()) +
                 ",\"imageSha256\":\"" + answer.sha256 +
                 "\",\"out\":\"\",\"returned\":0,\"ok\":true,\"error\":0,\"us\":1}\n";
    }
    ASSERT_TRUE(control_.LoadReplay(ScriptOf(trace)));
    std::vector<std::wstring> present = PresentCameras();
    ASSERT_EQ(present.size(), 1u);
    UniqueHandle device = Open(present[0]);
    ASSERT_TRUE(device);
    for (const auto& answer : answers) {
        std::vector<uint8_t> record(12, 0);
        record[0] = 1;
        const uint32_t pointer =
            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(answer.input.data()));
        const uint32_t length = static_cast<uint32_t>(answer.input.size());
        std::memcpy(&record[4], &pointer, 4);
        std::memcpy(&record[8], &length, 4);
        Request write(device.get(), 20, record, 0);
        write.Wait();
        const camsim::ReplayStatus status = ReplayStatusOf(control_);
        ASSERT_NE(status.state, camsim::kReplayMismatch)
            << answer.input.size() << " bytes: the driver's digest is "
            << HexOf(status.receivedImageSha256) << ", known " << answer.sha256;
    }
    const camsim::ReplayStatus status = ReplayStatusOf(control_);
    EXPECT_EQ(status.state, camsim::kReplayComplete);
    EXPECT_EQ(status.done, status.steps);
}

}  // namespace
