// Opening the description and setting up the reader: the ways the load fails, and that the file
// is never left open.
#include <windows.h>

#include <gtest/gtest.h>

#include "ComPtr.h"
#include "FailingReads.h"
#include "ImportPatch.h"
#include "PackageDescription.h"
#include "PackageFolder.h"
#include "PackageNoteCodes.h"
#include "PackageTestSink.h"
#include "PackageWalk.h"
#include "SystemXmlReader.h"
#include "UniqueAny.h"

namespace {

std::wstring DescriptionOf(const PackageFolder& package) {
    return package.Path() + L"\\" + kPackageDescriptionName;
}

// Whether the file can be opened for writing with no sharing: nobody holds it open.
bool NobodyHolds(const std::wstring& path) {
    const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

HRESULT WINAPI FailingCreateXmlReader(REFIID, void** reader, IMalloc*) {
    *reader = nullptr;
    return E_OUTOFMEMORY;
}

// What GetProcAddress hands out for CreateXmlReader while a case replaces it; null stands for an
// xmllite.dll without the function.
FARPROC g_createXmlReader = nullptr;
FARPROC(WINAPI* g_realGetProcAddress)(HMODULE, LPCSTR) = nullptr;

FARPROC WINAPI ReplacingGetProcAddress(HMODULE module, LPCSTR name) {
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0 && lstrcmpA(name, "CreateXmlReader") == 0) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return g_createXmlReader;
    }
    return g_realGetProcAddress(module, name);
}

}  // namespace

TEST(PackageLoad, OpenPackageStreamHandsOutOneReference) {
    PackageFolder package;
    package.WriteDescription("<ORVANEUPDATE/>");
    ComPtr<IStream> stream;
    ASSERT_EQ(OpenPackageStream(stream.Put(), package.Path().c_str()), S_OK);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->AddRef(), 2u);
    EXPECT_EQ(stream->Release(), 1u);
    EXPECT_FALSE(NobodyHolds(DescriptionOf(package)));
    stream.Reset();
    EXPECT_TRUE(NobodyHolds(DescriptionOf(package)));
}

TEST(PackageLoad, MissingDescriptionFails) {
    PackageFolder package;
    IStream* stream = reinterpret_cast<IStream*>(1);
    EXPECT_EQ(OpenPackageStream(&stream, package.Path().c_str()),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(OpenPackageStream(&stream, (package.Path() + L"\\none").c_str()),
              HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));

    PackageTestSink sink;
    EXPECT_FALSE(LoadPackageDescription(sink, package.Path().c_str()));
    ASSERT_EQ(sink.NoteCodes(), "unreadable");
    EXPECT_EQ(sink.notes[0].severity, NoteSeverity::Error);
    EXPECT_FALSE(sink.title.has_value());
}

TEST(PackageLoad, DescriptionHeldOpenForWritingFails) {
    PackageFolder package;
    package.WriteDescription(PackageXml("<TITLE>T</TITLE>"));
    const UniqueHandle writer(::CreateFileW(DescriptionOf(package).c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    IStream* stream = nullptr;
    EXPECT_EQ(OpenPackageStream(&stream, package.Path().c_str()),
              HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(stream, nullptr);
    PackageTestSink sink;
    EXPECT_FALSE(LoadPackageDescription(sink, package.Path().c_str()));
    EXPECT_FALSE(sink.title.has_value());
    EXPECT_NE(sink.FindNote(note_code::kUnreadable), nullptr);
}

TEST(PackageLoad, OtherReadersMayHoldTheDescription) {
    PackageFolder package;
    package.WriteDescription(PackageXml("<TITLE>T</TITLE>"));
    const UniqueHandle reader(::CreateFileW(DescriptionOf(package).c_str(), GENERIC_READ,
                                            FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    PackageTestSink sink;
    EXPECT_TRUE(LoadPackageDescription(sink, package.Path().c_str()));
    EXPECT_EQ(sink.title, L"T");
}

TEST(PackageLoad, ReaderThatCannotBeMadeFailsAndClosesTheFile) {
    PackageFolder package;
    package.WriteDescription(PackageXml("<TITLE>T</TITLE>"));
    g_realGetProcAddress = &GetProcAddress;  // read before the patch replaces it
    // An xmllite.dll without the function, and one whose function fails.
    for (FARPROC create :
         {FARPROC(nullptr),
          reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FailingCreateXmlReader))}) {
        g_createXmlReader = create;
        PackageTestSink sink;
        {
            ImportPatch patch("KERNEL32.dll", "GetProcAddress",
                              reinterpret_cast<const void*>(&ReplacingGetProcAddress));
            ASSERT_TRUE(patch.ok());
            EXPECT_FALSE(LoadPackageDescription(sink, package.Path().c_str()));
        }
        EXPECT_EQ(sink.NoteCodes(), "unreadable");
        ASSERT_FALSE(sink.notes.empty());
        EXPECT_NE(sink.notes[0].message.find(L"no XML reader can be made"), std::wstring::npos);
        EXPECT_TRUE(NobodyHolds(DescriptionOf(package)));
    }
}

TEST(PackageLoad, FailedReadIsReportedNotTakenForTheEnd) {
    PackageFolder package;
    package.WriteDescription(PackageXml("<TITLE>T</TITLE>"));
    PackageTestSink sink;
    bool loaded = false;
    {
        FailingReads failing(ERROR_LOCK_VIOLATION);
        ASSERT_TRUE(failing.ok());
        loaded = LoadPackageDescription(sink, package.Path().c_str());
    }
    // Whether the reader reads while taking its input or only later, the failure is noted: as
    // an unreadable description before the walk, as a failed read once it has begun.
    EXPECT_FALSE(sink.title.has_value());
    const PackageNote* note =
        sink.FindNote(loaded ? note_code::kReadFailed : note_code::kUnreadable);
    ASSERT_NE(note, nullptr) << "loaded " << loaded << ": " << sink.NoteCodes();
    EXPECT_EQ(note->severity, NoteSeverity::Error);
    EXPECT_TRUE(NobodyHolds(DescriptionOf(package)));
}

TEST(PackageLoad, WalkersRefuseANullReader) {
    PackageTestSink sink;
    EXPECT_EQ(ReadPackageRoot(nullptr, sink), E_POINTER);
    EXPECT_EQ(ReadTitle(nullptr, sink), E_POINTER);
    EXPECT_EQ(ReadDevName(nullptr, sink), E_POINTER);
    EXPECT_EQ(ReadUpdateFiles(nullptr, sink), E_POINTER);
    EXPECT_EQ(OpenPackageStream(nullptr), E_POINTER);
}

TEST(PackageLoad, WalkersStandAlone) {
    // A walker started on its element, as a caller with its own reader would.
    PackageFolder package;
    package.WriteDescription(
        "<UPDATEFILES><UPDATEFILE ID=\"2\" FILENAME=\"b.bin\"/>"
        "</UPDATEFILES><TITLE>after</TITLE>");
    ComPtr<IStream> stream;
    ASSERT_EQ(OpenPackageStream(stream.Put(), package.Path().c_str()), S_OK);
    ComPtr<IXmlReader> reader;
    ASSERT_EQ(CreateSystemXmlReader(reader.Put()), S_OK);
    ASSERT_EQ(reader->SetInput(stream.Get()), S_OK);
    XmlNodeType type = XmlNodeType_None;
    ASSERT_EQ(reader->Read(&type), S_OK);
    ASSERT_EQ(type, XmlNodeType_Element);
    PackageTestSink sink;
    EXPECT_EQ(ReadUpdateFiles(reader.Get(), sink), S_OK) << "its end tag was reached";
    EXPECT_TRUE(sink.stored[1]);
    EXPECT_STREQ(sink.entries[1].fileName, L"b.bin");
}

TEST(PackageLoad, WalkerReportsTheEndOfTheDocumentBeforeItsEndTag) {
    PackageFolder package;
    package.WriteDescription("<TITLE/>");
    ComPtr<IStream> stream;
    ASSERT_EQ(OpenPackageStream(stream.Put(), package.Path().c_str()), S_OK);
    ComPtr<IXmlReader> reader;
    ASSERT_EQ(CreateSystemXmlReader(reader.Put()), S_OK);
    ASSERT_EQ(reader->SetInput(stream.Get()), S_OK);
    XmlNodeType type = XmlNodeType_None;
    ASSERT_EQ(reader->Read(&type), S_OK);
    PackageTestSink sink;
    EXPECT_EQ(ReadTitle(reader.Get(), sink), S_FALSE);
    EXPECT_NE(sink.FindNote(note_code::kSelfClosedContainer), nullptr);
}
