#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "LogFile.h"
#include "TempFolder.h"
#include "UniqueAny.h"

namespace {

const std::string kByteOrderMark = "\xFF\xFE";

// The log's bytes as UTF-16 code units; the byte-order mark must be there and is dropped.
std::wstring ReadLogText(const std::wstring& path) {
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.substr(0, 2), kByteOrderMark);
    EXPECT_EQ(bytes.size() % 2, 0u);
    if (bytes.size() < 2) {
        return {};
    }
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto low = static_cast<unsigned char>(bytes[2 + 2 * i]);
        const auto high = static_cast<unsigned char>(bytes[3 + 2 * i]);
        text[i] = static_cast<wchar_t>(low | (high << 8));
    }
    return text;
}

// The text after the time stamp, which has the fixed length of "[yyyy/mm/dd hh:mm:ss.mmm] ".
std::wstring WithoutTimeStamp(const std::wstring& line) {
    const std::size_t stampLength = 26;
    EXPECT_GE(line.size(), stampLength);
    EXPECT_EQ(line.substr(0, 1), L"[");
    EXPECT_EQ(line.substr(stampLength - 2, 2), L"] ");
    return line.size() < stampLength ? std::wstring() : line.substr(stampLength);
}

// The number of `count` decimal digits at `position`, or -1 if any is not a digit.
int DigitsAt(const std::wstring& text, std::size_t position, std::size_t count) {
    if (position + count > text.size()) {
        return -1;
    }
    int value = 0;
    for (std::size_t i = position; i < position + count; ++i) {
        if (text[i] < L'0' || text[i] > L'9') {
            return -1;
        }
        value = value * 10 + (text[i] - L'0');
    }
    return value;
}

// Reads "[yyyy/mm/dd hh:mm:ss.mmm] " back; the year has four digits in our lifetime.
bool ParseTimeStamp(const std::wstring& line, SYSTEMTIME& stamp) {
    const std::wstring separators = L"[// ::.] ";
    const std::size_t separatorPositions[] = {0, 5, 8, 11, 14, 17, 20, 24, 25};
    for (std::size_t i = 0; i < separators.size(); ++i) {
        if (line.size() <= separatorPositions[i] || line[separatorPositions[i]] != separators[i]) {
            return false;
        }
    }
    const int fields[] = {DigitsAt(line, 1, 4),  DigitsAt(line, 6, 2),  DigitsAt(line, 9, 2),
                          DigitsAt(line, 12, 2), DigitsAt(line, 15, 2), DigitsAt(line, 18, 2),
                          DigitsAt(line, 21, 3)};
    for (int field : fields) {
        if (field < 0) {
            return false;
        }
    }
    stamp.wYear = static_cast<WORD>(fields[0]);
    stamp.wMonth = static_cast<WORD>(fields[1]);
    stamp.wDay = static_cast<WORD>(fields[2]);
    stamp.wHour = static_cast<WORD>(fields[3]);
    stamp.wMinute = static_cast<WORD>(fields[4]);
    stamp.wSecond = static_cast<WORD>(fields[5]);
    stamp.wMilliseconds = static_cast<WORD>(fields[6]);
    return true;
}

ULONGLONG AsTicks(const SYSTEMTIME& time) {
    FILETIME file = {};
    EXPECT_TRUE(::SystemTimeToFileTime(&time, &file));
    return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

UniqueHandle OpenExclusively(const std::wstring& path) {
    return UniqueHandle(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::wstring DesktopFolder() {
    wchar_t desktop[MAX_PATH] = {};
    EXPECT_TRUE(::SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    return desktop;
}

// Under Wine, drive Z: is the Unix root: a Unix path becomes a Windows one.
std::wstring UnixPathOnDriveZ(const std::wstring& unixPath) {
    std::wstring path = L"Z:" + unixPath;
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

std::wstring Environment(const wchar_t* name) {
    const DWORD length = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0) {
        return {};
    }
    std::wstring value(length, L'\0');
    value.resize(::GetEnvironmentVariableW(name, &value[0], length));
    return value;
}

class WriteLogTest : public ::testing::Test {
protected:
    TempFolder folder_;
    std::wstring log_ = folder_.PathOf(L"TAVIKUpdate.log");
};

}  // namespace

TEST_F(WriteLogTest, NewFileStartsWithByteOrderMarkThenTheLine) {
    ASSERT_FALSE(FileExists(log_));
    WriteLog(log_, L"Start");
    const std::string bytes = ReadBytes(log_);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 2), kByteOrderMark);
    EXPECT_EQ(bytes.substr(2, 2), std::string("[\0", 2)) << "UTF-16LE right after the mark";
    const std::wstring text = ReadLogText(log_);
    EXPECT_EQ(WithoutTimeStamp(text), L"Start\r\n");
}

TEST_F(WriteLogTest, StampsTheLineWithTheLocalTimeOfWriting) {
    SYSTEMTIME before;
    ::GetLocalTime(&before);
    WriteLog(log_, L"Start");
    SYSTEMTIME after;
    ::GetLocalTime(&after);

    SYSTEMTIME stamp = {};
    const std::wstring text = ReadLogText(log_);
    ASSERT_TRUE(ParseTimeStamp(text, stamp)) << "line: " << ::testing::PrintToString(text);
    EXPECT_LE(AsTicks(before), AsTicks(stamp));
    EXPECT_LE(AsTicks(stamp), AsTicks(after));
}

TEST_F(WriteLogTest, ZeroLengthFileGetsTheByteOrderMark) {
    WriteBytes(log_, "");
    WriteLog(log_, L"Start");
    EXPECT_EQ(WithoutTimeStamp(ReadLogText(log_)), L"Start\r\n");
}

TEST_F(WriteLogTest, AppendsAfterTheLastByteWithASingleByteOrderMark) {
    WriteLog(log_, L"first");
    WriteLog(log_, L"second");
    const std::string bytes = ReadBytes(log_);
    EXPECT_EQ(bytes.find(kByteOrderMark, 2), std::string::npos);
    const std::wstring text = ReadLogText(log_);
    const std::size_t firstEnd = text.find(L"\r\n") + 2;
    EXPECT_EQ(WithoutTimeStamp(text.substr(0, firstEnd)), L"first\r\n");
    EXPECT_EQ(WithoutTimeStamp(text.substr(firstEnd)), L"second\r\n");
}

TEST_F(WriteLogTest, LeavesExistingBytesAloneAndAddsNoMarkToANonEmptyFile) {
    WriteBytes(log_, "AB");
    WriteLog(log_, L"x");
    const std::string bytes = ReadBytes(log_);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("AB[\0", 4));
}

TEST_F(WriteLogTest, WritesAVeryLongLineWhole) {
    std::wstring text(100000, L'x');
    text[0] = L'<';
    text.back() = L'>';
    WriteLog(log_, text);
    EXPECT_EQ(ReadBytes(log_).size(), 2 + (26 + text.size() + 2) * 2);
    EXPECT_EQ(WithoutTimeStamp(ReadLogText(log_)), text + L"\r\n");
}

// A text no string can hold: its line cannot be built (length_error past the largest string,
// bad_alloc below it), which WriteLog may not pass on. Its characters are never read.
TEST_F(WriteLogTest, LosesALineTooLargeToBuildThenWritesTheNext) {
    static_assert(noexcept(WriteLog(std::wstring(), std::wstring_view())),
                  "callers rely on WriteLog never throwing");
    static const wchar_t kSomeText[] = L"x";
    const std::size_t largest = std::wstring().max_size();
    for (const std::size_t size : {largest - 32, largest, largest + 1}) {
        WriteLog(log_, std::wstring_view(kSomeText, size));
        EXPECT_FALSE(FileExists(log_)) << "size " << size << ": nothing of it on disk";
    }
    WriteLog(log_, L"after");
    EXPECT_EQ(WithoutTimeStamp(ReadLogText(log_)), L"after\r\n");
}

TEST_F(WriteLogTest, WritesLineBreaksAndWideCharactersUnchanged) {
    const std::wstring text = L"a\r\nb\nc\u00E9\u30AB\U0001F4F7";
    WriteLog(log_, text);
    EXPECT_EQ(WithoutTimeStamp(ReadLogText(log_)), text + L"\r\n");
}

TEST_F(WriteLogTest, LosesALineWhileTheFileIsHeldWithoutSharingThenWritesTheNext) {
    WriteLog(log_, L"before");
    {
        UniqueHandle holder = OpenExclusively(log_);
        ASSERT_TRUE(holder);
        WriteLog(log_, L"lost");
    }
    WriteLog(log_, L"after");
    const std::wstring text = ReadLogText(log_);
    EXPECT_EQ(text.find(L"lost"), std::wstring::npos);
    const std::size_t firstEnd = text.find(L"\r\n") + 2;
    EXPECT_EQ(WithoutTimeStamp(text.substr(0, firstEnd)), L"before\r\n");
    EXPECT_EQ(WithoutTimeStamp(text.substr(firstEnd)), L"after\r\n");
}

TEST_F(WriteLogTest, WritesWhileAnotherProgramHasTheFileOpenForReadingAndWriting) {
    WriteLog(log_, L"first");
    UniqueHandle viewer(::CreateFileW(log_.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(viewer);
    WriteLog(log_, L"second");
    EXPECT_NE(ReadLogText(log_).find(L"] second\r\n"), std::wstring::npos);
}

TEST_F(WriteLogTest, LosesALineInAMissingFolderThenWritesTheNextOnceItExists) {
    const std::wstring subfolder = folder_.PathOf(L"missing");
    const std::wstring path = subfolder + L"\\TAVIKUpdate.log";
    WriteLog(path, L"lost");
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(FileExists(subfolder)) << "the folder is not made either";

    ASSERT_TRUE(::CreateDirectoryW(subfolder.c_str(), nullptr));
    WriteLog(path, L"kept");
    EXPECT_EQ(WithoutTimeStamp(ReadLogText(path)), L"kept\r\n");
}

TEST(LogFilePath, IsTheFileInTheDesktopFolder) {
    std::wstring path = L"left over";
    GetLogFilePath(path);
    const std::wstring desktop = DesktopFolder();
    ASSERT_FALSE(desktop.empty());
    EXPECT_EQ(path, desktop + L"\\TAVIKUpdate.log");
    const DWORD attributes = ::GetFileAttributesW(desktop.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

// The log under test must land inside this build's Wine prefix, never on a real desktop.
TEST(LogFilePath, PointsIntoTheTestPrefix) {
    const std::wstring prefix = Environment(L"WINEPREFIX");
    if (prefix.empty() || prefix[0] != L'/') {
        GTEST_SKIP() << "not under Wine, or the prefix is not visible";
    }
    std::wstring path;
    GetLogFilePath(path);
    ASSERT_GT(path.size(), 3u);
    ASSERT_EQ(path.substr(1, 2), L":\\");
    ASSERT_TRUE(path[0] == L'C' || path[0] == L'c') << "desktop is on drive C:";
    const std::wstring inPrefix = UnixPathOnDriveZ(prefix + L"/drive_c/") + path.substr(3);

    ::DeleteFileW(path.c_str());
    ASSERT_FALSE(FileExists(inPrefix));
    WriteLog(path, L"where am I");
    const bool foundInPrefix = FileExists(inPrefix);
    const std::wstring home = Environment(L"HOME");
    const bool onHomeDesktop =
        !home.empty() && FileExists(UnixPathOnDriveZ(home + L"/Desktop/TAVIKUpdate.log"));
    const std::wstring text = foundInPrefix ? ReadLogText(inPrefix) : std::wstring();
    EXPECT_TRUE(::DeleteFileW(path.c_str()));

    EXPECT_TRUE(foundInPrefix) << "expected at " << ::testing::PrintToString(inPrefix);
    EXPECT_NE(text.find(L"where am I"), std::wstring::npos);
    EXPECT_FALSE(onHomeDesktop) << "the prefix's desktop leads to the home folder";
}

namespace {

// "Windows major.minor.build word servicePack" read back by its format.
struct OsDescriptionFields {
    unsigned long major = 0;
    unsigned long minor = 0;
    unsigned long build = 0;
    std::wstring word;
    std::wstring servicePack;
};

bool ParseNumber(const std::wstring& text, std::size_t& at, wchar_t end, unsigned long& value) {
    const std::size_t first = at;
    value = 0;
    while (at < text.size() && text[at] >= L'0' && text[at] <= L'9') {
        value = value * 10 + static_cast<unsigned long>(text[at] - L'0');
        ++at;
    }
    if (at == first || at >= text.size() || text[at] != end) {
        return false;
    }
    ++at;
    return true;
}

bool ParseOsDescription(const std::wstring& text, OsDescriptionFields& fields) {
    const std::wstring start = L"Windows ";
    if (text.compare(0, start.size(), start) != 0) {
        return false;
    }
    std::size_t at = start.size();
    if (!ParseNumber(text, at, L'.', fields.major) || !ParseNumber(text, at, L'.', fields.minor) ||
        !ParseNumber(text, at, L' ', fields.build)) {
        return false;
    }
    const std::size_t wordEnd = text.find(L' ', at);
    if (wordEnd == std::wstring::npos) {
        return false;
    }
    fields.word = text.substr(at, wordEnd - at);
    fields.servicePack = text.substr(wordEnd + 1);
    return true;
}

// The service pack as the system's registry names it; empty when it names none.
std::wstring RegistryServicePack() {
    wchar_t text[128] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    const LSTATUS status =
        ::RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                       L"CSDVersion", RRF_RT_REG_SZ, nullptr, text, &size);
    return status == ERROR_SUCCESS ? std::wstring(text) : std::wstring();
}

}  // namespace

// Checked against other sources than the log's own queries: the packed version of the old
// query, the processor of the machine itself, and the registry's service pack.
TEST(OsDescription, NamesTheSystemThatOtherQueriesReport) {
    std::wstring description = L"left over";
    GetOsDescription(description);
    OsDescriptionFields fields;
    ASSERT_TRUE(ParseOsDescription(description, fields)) << ::testing::PrintToString(description);

#ifdef _MSC_VER
#pragma warning(suppress : 4996)  // deprecated; answers under the same compatibility rules
#endif
    const DWORD packed = ::GetVersion();
    EXPECT_EQ(fields.major, LOBYTE(LOWORD(packed)));
    EXPECT_EQ(fields.minor, HIBYTE(LOWORD(packed)));
    EXPECT_EQ(fields.build, HIWORD(packed) & 0x7FFFu);

    // This 32-bit program runs under WOW64 exactly when the machine's processor is not 32-bit.
    SYSTEM_INFO machine = {};
    ::GetNativeSystemInfo(&machine);
    const bool machineIs32Bit = machine.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL;
    EXPECT_EQ(fields.word, fields.major < 6 ? L"" : machineIs32Bit ? L"32bit" : L"64bit");

    EXPECT_EQ(fields.servicePack, RegistryServicePack());
}
