#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "FailingReads.h"
#include "ImageFile.h"
#include "ImportPatch.h"
#include "TempFolder.h"

namespace {

std::string Bytes(const ImageBuffer& image) {
    return std::string(static_cast<const char*>(image.bytes.get()), image.length);
}

using ReadFileFunction = decltype(&ReadFile);

// The system's own: ReadFile here would come back through the patched import.
const ReadFileFunction g_readFile =
    reinterpret_cast<ReadFileFunction>(reinterpret_cast<void (*)(void)>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "ReadFile")));
int g_shortReads = 0;

// A read that delivers at most 3 bytes, then reports success with nothing: the end of a file
// that shrank while it was read.
BOOL WINAPI ShortReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED) {
    if (++g_shortReads > 1) {
        *read = 0;
        return TRUE;
    }
    return g_readFile(file, buffer, size < 3 ? size : 3, read, nullptr);
}

void* __cdecl NoMalloc(size_t) {
    return nullptr;
}

// A read during which another program tries to delete, rename and write the file.
std::wstring g_heldPath;
std::wstring g_movedPath;
int g_attempts = 0;
int g_changes = 0;
BOOL WINAPI ReadFileTryingToChange(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read,
                                   LPOVERLAPPED overlapped) {
    ++g_attempts;
    g_changes += DeleteFileW(g_heldPath.c_str()) ? 1 : 0;
    g_changes += MoveFileW(g_heldPath.c_str(), g_movedPath.c_str()) ? 1 : 0;
    UniqueHandle writer(CreateFileW(g_heldPath.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    g_changes += writer ? 1 : 0;
    // The system's own ReadFile: this program's import of it is the patched one.
    using ReadFileFunction = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    const auto system = reinterpret_cast<ReadFileFunction>(reinterpret_cast<void (*)(void)>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "ReadFile")));
    return system(file, buffer, size, read, overlapped);
}

}  // namespace

TEST(ImageFile, ReadWholePaddedWithFFToFourBytes) {
    TempFolder folder;
    const struct {
        std::string bytes;
        std::string sent;
    } cases[] = {
        {"", ""},
        {"A", std::string("A\xFF\xFF\xFF")},
        {"ABCDE", std::string("ABCDE\xFF\xFF\xFF")},
        {"ABCDEFGH", "ABCDEFGH"},
        {std::string("\xFF\x00\x01", 3), std::string("\xFF\x00\x01\xFF", 4)},
    };
    for (const auto& c : cases) {
        const std::wstring path = folder.PathOf(L"image.bin");
        WriteBytes(path, c.bytes);
        ImageBuffer image;
        ASSERT_EQ(ReadImageFile(path, &image), ImageReadResult::Read) << c.bytes;
        EXPECT_EQ(image.length, c.sent.size());
        EXPECT_NE(image.bytes.get(), nullptr) << "an empty image still has a buffer";
        EXPECT_EQ(Bytes(image), c.sent);
    }
}

TEST(ImageFile, FilesThatCannotBeOpened) {
    TempFolder folder;
    ImageBuffer image;
    EXPECT_EQ(ReadImageFile(folder.PathOf(L"absent.bin"), &image),
              ImageReadResult::OpenOrSizeFailed);
    EXPECT_EQ(ReadImageFile(folder.Path(), &image), ImageReadResult::OpenOrSizeFailed)
        << "a folder";
    EXPECT_EQ(image.bytes.get(), nullptr);

    // Shared for reading only: a file another program may write is never taken half-written,
    // nor one held without sharing (an anti-virus scan).
    const std::wstring path = folder.PathOf(L"busy.bin");
    WriteBytes(path, "1234");
    UniqueHandle other(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(other);
    EXPECT_EQ(ReadImageFile(path, &image), ImageReadResult::OpenOrSizeFailed);
    other.reset();
    other.reset(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(other);
    EXPECT_EQ(ReadImageFile(path, &image), ImageReadResult::OpenOrSizeFailed);
    other.reset();
    EXPECT_EQ(ReadImageFile(path, &image), ImageReadResult::Read);
}

TEST(ImageFile, HeldForReadingOnlyWhileItIsRead) {
    TempFolder folder;
    const std::wstring path = folder.PathOf(L"image.bin");
    WriteBytes(path, "ABCD");
    // Two entries naming the same file: the second opens it while the first holds it...
    ImageBuffer image;
    {
        UniqueHandle first(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(first);
        EXPECT_EQ(ReadImageFile(path, &image), ImageReadResult::Read);
    }
    g_heldPath = path;
    g_movedPath = folder.PathOf(L"moved.bin");
    {
        ImportPatch patch("kernel32.dll", "ReadFile",
                          reinterpret_cast<const void*>(&ReadFileTryingToChange));
        ASSERT_TRUE(patch.ok());
        ASSERT_EQ(ReadImageFile(path, &image), ImageReadResult::Read);
    }
    // ...and nobody can delete, rename or write it while it is read.
    EXPECT_GT(g_attempts, 0);
    EXPECT_EQ(g_changes, 0);
    EXPECT_EQ(Bytes(image), "ABCD");
}

TEST(ImageFile, AShortOrFailedReadIsNeverTakenForTheImage) {
    TempFolder folder;
    const std::wstring path = folder.PathOf(L"image.bin");
    WriteBytes(path, "ABCDEFGHIJ");
    ImageBuffer image;
    {
        g_shortReads = 0;
        ImportPatch patch("kernel32.dll", "ReadFile",
                          reinterpret_cast<const void*>(&ShortReadFile));
        ASSERT_TRUE(patch.ok());
        EXPECT_EQ(ReadImageFile(path, &image), ImageReadResult::ReadFailed);
        EXPECT_EQ(image.bytes.get(), nullptr);
        EXPECT_EQ(image.length, 0u);
        EXPECT_EQ(g_shortReads, 2) << "3 bytes, then the end";
    }
    {
        FailingReads failing(ERROR_CRC);
        ASSERT_TRUE(failing.ok());
        EXPECT_EQ(ReadImageFile(path, &image), ImageReadResult::ReadFailed);
    }
    // The file was closed on the way out: it opens without sharing again.
    EXPECT_EQ(ReadImageFile(path, &image), ImageReadResult::Read);
    EXPECT_EQ(Bytes(image), std::string("ABCDEFGHIJ\xFF\xFF"));
}

TEST(ImageFile, NoBufferForTheImage) {
    TempFolder folder;
    const std::wstring path = folder.PathOf(L"image.bin");
    WriteBytes(path, "ABCDE");
    ImageBuffer image;
    {
        ImportPatch patch("msvcrt.dll", "malloc", reinterpret_cast<const void*>(&NoMalloc));
        ASSERT_TRUE(patch.ok());
        EXPECT_EQ(ReadImageFile(path, &image), ImageReadResult::NoMemory);
    }
    EXPECT_EQ(ReadImageFile(path, &image), ImageReadResult::Read) << "and the file was closed";
}
