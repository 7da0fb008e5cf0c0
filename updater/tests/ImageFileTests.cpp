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
    EXPECT_EQ(ReadImageFile(folder.PathOf(L"absent.bin"), &image), ImageReadResult::OpenFailed);
    EXPECT_EQ(ReadImageFile(folder.Path(), &image), ImageReadResult::OpenFailed) << "a folder";
    EXPECT_EQ(image.bytes.get(), nullptr);

    // Read without sharing: a file another program has open cannot be taken half-written.
    const std::wstring path = folder.PathOf(L"busy.bin");
    WriteBytes(path, "1234");
    UniqueHandle other(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(other);
    EXPECT_EQ(ReadImageFile(path, &image), ImageReadResult::OpenFailed);
    other.reset();
    EXPECT_EQ(ReadImageFile(path, &image), ImageReadResult::Read);
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
