#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ComPtr.h"
#include "FailingReads.h"
#include "FileStream.h"
#include "TempFolder.h"
#include "UniqueAny.h"

namespace {

const std::string kContent = "0123456789";

LARGE_INTEGER Move(LONGLONG distance) {
    LARGE_INTEGER move;
    move.QuadPart = distance;
    return move;
}

ULARGE_INTEGER Unsigned(ULONGLONG value) {
    ULARGE_INTEGER result;
    result.QuadPart = value;
    return result;
}

// The file is closed exactly when nobody else holds it: only then does an unshared open work.
DWORD ErrorOfExclusiveOpen(const std::wstring& path) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    return file ? ERROR_SUCCESS : ::GetLastError();
}

class FileStreamTest : public ::testing::Test {
protected:
    void SetUp() override { WriteBytes(path_, kContent); }

    ComPtr<IStream> Open(DWORD access) {
        UniqueHandle file(::CreateFileW(path_.c_str(), access, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(file) << "error " << ::GetLastError();
        ComPtr<IStream> stream;
        EXPECT_EQ(FileStream::Create(std::move(file), stream.Put()), S_OK);
        EXPECT_TRUE(stream);
        return stream;
    }

    ULONGLONG Position(IStream* stream) {
        ULARGE_INTEGER position = Unsigned(~0ull);
        EXPECT_EQ(stream->Seek(Move(0), STREAM_SEEK_CUR, &position), S_OK);
        return position.QuadPart;
    }

    TempFolder folder_;
    std::wstring path_ = folder_.PathOf(L"data.bin");
};

}  // namespace

TEST_F(FileStreamTest, UnsupportedOperationsAreNotImplemented) {
    ComPtr<IStream> stream = Open(GENERIC_READ);
    ComPtr<IStream> target = Open(GENERIC_READ);
    ULARGE_INTEGER read = Unsigned(7);
    ULARGE_INTEGER written = Unsigned(7);
    EXPECT_EQ(stream->SetSize(Unsigned(3)), E_NOTIMPL);
    EXPECT_EQ(stream->CopyTo(target.Get(), Unsigned(3), &read, &written), E_NOTIMPL);
    EXPECT_EQ(stream->Commit(STGC_DEFAULT), E_NOTIMPL);
    EXPECT_EQ(stream->Revert(), E_NOTIMPL);
    EXPECT_EQ(stream->LockRegion(Unsigned(0), Unsigned(1), LOCK_EXCLUSIVE), E_NOTIMPL);
    EXPECT_EQ(stream->UnlockRegion(Unsigned(0), Unsigned(1), LOCK_EXCLUSIVE), E_NOTIMPL);
    IStream* clone = stream.Get();
    EXPECT_EQ(stream->Clone(&clone), E_NOTIMPL);
    EXPECT_EQ(clone, nullptr);
    EXPECT_EQ(Position(stream.Get()), 0u) << "none of them moved the stream";
}

TEST_F(FileStreamTest, ReadsFromTheCurrentPosition) {
    ComPtr<IStream> stream = Open(GENERIC_READ);
    char buffer[4] = {};
    ULONG read = 99;
    ASSERT_EQ(stream->Read(buffer, 4, &read), S_OK);
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    ASSERT_EQ(stream->Read(buffer, 2, nullptr), S_OK) << "the count may be left out";
    EXPECT_EQ(std::string(buffer, 2), "45");
    EXPECT_EQ(Position(stream.Get()), 6u);
}

TEST_F(FileStreamTest, ReadsShortAtTheEndAndNothingPastIt) {
    ComPtr<IStream> stream = Open(GENERIC_READ);
    char buffer[16] = {};
    ULONG read = 0;
    ASSERT_EQ(stream->Read(buffer, sizeof(buffer), &read), S_OK);
    EXPECT_EQ(read, kContent.size());
    read = 99;
    EXPECT_EQ(stream->Read(buffer, sizeof(buffer), &read), S_OK);
    EXPECT_EQ(read, 0u);
}

TEST_F(FileStreamTest, WritesAtTheCurrentPosition) {
    {
        ComPtr<IStream> stream = Open(GENERIC_READ | GENERIC_WRITE);
        ASSERT_EQ(stream->Seek(Move(2), STREAM_SEEK_SET, nullptr), S_OK);
        ULONG written = 0;
        ASSERT_EQ(stream->Write("ab", 2, &written), S_OK);
        EXPECT_EQ(written, 2u);
        ASSERT_EQ(stream->Seek(Move(0), STREAM_SEEK_END, nullptr), S_OK);
        ASSERT_EQ(stream->Write("Z", 1, nullptr), S_OK) << "the count may be left out";
    }
    EXPECT_EQ(ReadBytes(path_), "01ab456789Z");
}

TEST_F(FileStreamTest, WriteOnAReadOnlyFileIsAccessDenied) {
    ComPtr<IStream> stream = Open(GENERIC_READ);
    ULONG written = 99;
    EXPECT_EQ(stream->Write("ab", 2, &written), static_cast<HRESULT>(0x80070005));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(ReadBytes(path_), kContent);
}

TEST_F(FileStreamTest, FailedReadGivesItsErrorAndNeverSuccess) {
    ComPtr<IStream> stream = Open(GENERIC_READ);
    char buffer[4];
    ULONG read = 99;
    {
        FailingReads failing(ERROR_LOCK_VIOLATION);
        ASSERT_TRUE(failing.ok());
        EXPECT_EQ(stream->Read(buffer, 4, &read), HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION));
        EXPECT_EQ(read, 0u);
    }
    // A failure that leaves no error behind must not read as S_OK.
    FailingReads failing(ERROR_SUCCESS);
    ASSERT_TRUE(failing.ok());
    EXPECT_EQ(stream->Read(buffer, 4, &read), E_FAIL);
}

TEST_F(FileStreamTest, SeeksFromEachOriginAndReportsTheNewPosition) {
    ComPtr<IStream> stream = Open(GENERIC_READ);
    ULARGE_INTEGER position = Unsigned(99);
    ASSERT_EQ(stream->Seek(Move(3), STREAM_SEEK_SET, &position), S_OK);
    EXPECT_EQ(position.QuadPart, 3u);
    ASSERT_EQ(stream->Seek(Move(4), STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position.QuadPart, 7u);
    ASSERT_EQ(stream->Seek(Move(-2), STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position.QuadPart, 5u);
    ASSERT_EQ(stream->Seek(Move(-1), STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position.QuadPart, 9u);
    char c = 0;
    ASSERT_EQ(stream->Read(&c, 1, nullptr), S_OK);
    EXPECT_EQ(c, '9');
    ASSERT_EQ(stream->Seek(Move(1), STREAM_SEEK_SET, nullptr), S_OK)
        << "the position may be left out";
    EXPECT_EQ(Position(stream.Get()), 1u);
}

TEST_F(FileStreamTest, SeekWithAnUnknownOriginIsRefusedAndDoesNotMove) {
    ComPtr<IStream> stream = Open(GENERIC_READ);
    ASSERT_EQ(stream->Seek(Move(4), STREAM_SEEK_SET, nullptr), S_OK);
    ULARGE_INTEGER position = Unsigned(99);
    EXPECT_EQ(stream->Seek(Move(1), 3, &position), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Seek(Move(1), 0xFFFFFFFF, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(Position(stream.Get()), 4u);
}

TEST_F(FileStreamTest, SeekBeforeTheStartFailsWithTheSystemError) {
    ComPtr<IStream> stream = Open(GENERIC_READ);
    ASSERT_EQ(stream->Seek(Move(4), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(stream->Seek(Move(-1), STREAM_SEEK_SET, nullptr),
              HRESULT_FROM_WIN32(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(Position(stream.Get()), 4u);
}

TEST_F(FileStreamTest, StatGivesTheSizeAndTypeAndNoName) {
    ComPtr<IStream> stream = Open(GENERIC_READ);
    STATSTG record;
    std::memset(&record, 0xCC, sizeof(record));
    ASSERT_EQ(stream->Stat(&record, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(record.cbSize.QuadPart, kContent.size());
    EXPECT_EQ(record.type, static_cast<DWORD>(STGTY_STREAM));
    EXPECT_EQ(record.pwcsName, nullptr);
    EXPECT_EQ(record.grfMode, 0u);
    EXPECT_EQ(record.grfLocksSupported, 0u);
    EXPECT_EQ(record.mtime.dwLowDateTime | record.mtime.dwHighDateTime, 0u);
    EXPECT_EQ(record.clsid, CLSID_NULL);

    ASSERT_EQ(stream->Seek(Move(0), STREAM_SEEK_END, nullptr), S_OK);
    ASSERT_EQ(stream.Get()->Stat(&record, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(record.cbSize.QuadPart, kContent.size()) << "the size, not the position";
}

TEST_F(FileStreamTest, StatFollowsTheFileAsItGrows) {
    ComPtr<IStream> stream = Open(GENERIC_READ | GENERIC_WRITE);
    ASSERT_EQ(stream->Seek(Move(0), STREAM_SEEK_END, nullptr), S_OK);
    ASSERT_EQ(stream->Write("abc", 3, nullptr), S_OK);
    STATSTG record = {};
    ASSERT_EQ(stream->Stat(&record, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(record.cbSize.QuadPart, kContent.size() + 3);
}

TEST_F(FileStreamTest, HandsOutItselfForItsThreeInterfaces) {
    ComPtr<IStream> stream = Open(GENERIC_READ);
    ComPtr<IUnknown> unknown;
    ComPtr<ISequentialStream> sequential;
    ComPtr<IStream> again;
    ASSERT_EQ(stream->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.Put())), S_OK);
    ASSERT_EQ(
        stream->QueryInterface(IID_ISequentialStream, reinterpret_cast<void**>(sequential.Put())),
        S_OK);
    ASSERT_EQ(stream->QueryInterface(IID_IStream, reinterpret_cast<void**>(again.Put())), S_OK);
    EXPECT_EQ(unknown.Get(), static_cast<IUnknown*>(stream.Get()));
    EXPECT_EQ(sequential.Get(), static_cast<ISequentialStream*>(stream.Get()));
    EXPECT_EQ(again.Get(), stream.Get());
    EXPECT_EQ(stream->AddRef(), 5u) << "each answer added one reference";
    EXPECT_EQ(stream->Release(), 4u);
}

TEST_F(FileStreamTest, RefusesOtherInterfacesWithoutTouchingTheCount) {
    ComPtr<IStream> stream = Open(GENERIC_READ);
    void* object = stream.Get();
    EXPECT_EQ(stream->QueryInterface(IID_IStorage, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    object = stream.Get();
    EXPECT_EQ(stream->QueryInterface(IID_IPersistStream, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(stream->QueryInterface(IID_IStream, nullptr), E_POINTER);
    EXPECT_EQ(stream->AddRef(), 2u);
    EXPECT_EQ(stream->Release(), 1u);
}

TEST_F(FileStreamTest, CountsReferencesTakenOnSeveralThreadsAtOnce) {
    ComPtr<IStream> stream = Open(GENERIC_READ);
    IStream* shared = stream.Get();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([shared] {
            for (int i = 0; i < 100000; ++i) {
                shared->AddRef();
                shared->Release();
            }
            shared->AddRef();
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(stream->AddRef(), 6u) << "no increment or decrement was lost";
    for (int i = 0; i < 5; ++i) {
        stream->Release();
    }
}

class FileStreamHoldersTest : public FileStreamTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FileStreamHoldersTest, FileClosesOnTheLastReleaseOnly) {
    const bool makerReleasesFirst = GetParam();
    IStream* maker = Open(GENERIC_READ).Detach();
    ASSERT_NE(maker, nullptr);
    IStream* reader = nullptr;
    ASSERT_EQ(maker->QueryInterface(IID_IStream, reinterpret_cast<void**>(&reader)), S_OK);
    EXPECT_EQ(ErrorOfExclusiveOpen(path_), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    IStream* first = makerReleasesFirst ? maker : reader;
    IStream* second = makerReleasesFirst ? reader : maker;
    EXPECT_EQ(first->Release(), 1u);
    EXPECT_EQ(ErrorOfExclusiveOpen(path_), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    char c = 0;
    EXPECT_EQ(second->Read(&c, 1, nullptr), S_OK) << "the survivor still reads";
    EXPECT_EQ(c, '0');
    EXPECT_EQ(second->Release(), 0u);
    EXPECT_EQ(ErrorOfExclusiveOpen(path_), static_cast<DWORD>(ERROR_SUCCESS));
}

INSTANTIATE_TEST_SUITE_P(EitherOrder, FileStreamHoldersTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "MakerFirst" : "ReaderFirst";
                         });

TEST_F(FileStreamTest, CreateWithoutAnOutPointerClosesTheFile) {
    UniqueHandle file(::CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    EXPECT_EQ(FileStream::Create(std::move(file), nullptr), E_POINTER);
    EXPECT_EQ(ErrorOfExclusiveOpen(path_), static_cast<DWORD>(ERROR_SUCCESS));
}
