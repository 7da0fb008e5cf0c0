// The walk through the real XmlLite reader, over descriptions written to a temporary package.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "PackageFolder.h"
#include "PackageNoteCodes.h"
#include "PackageTestSink.h"
#include "UniqueAny.h"
#include "UpdateFileLookup.h"

namespace {

constexpr char kSample[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<ORVANEUPDATE>\n"
    "  <TITLE>Camera Firmware Update</TITLE>\n"
    "  <DEVNAME CHECK=\"ON\">ZP-Na7</DEVNAME>\n"
    "  <UPDATEFILES>\n"
    "    <UPDATEFILE ID=\"1\" SELECTOR=\"1\" TOOLTIP=\"Main firmware\" FILENAME=\"main.bin\" "
    "TIMEOUT=\"120\" REBOOT=\"YES\"/>\n"
    "    <UPDATEFILE ID=\"2\" SELECTOR=\"2\" TOOLTIP=\"Logic\" FILENAME=\"logic*.bin\"/>\n"
    "  </UPDATEFILES>\n"
    "</ORVANEUPDATE>\n";

void ExpectSample(const PackageTestSink& sink) {
    EXPECT_EQ(sink.title, L"Camera Firmware Update");
    EXPECT_EQ(sink.devName, L"ZP-Na7");
    EXPECT_TRUE(sink.devNameCheck);
    ASSERT_TRUE(sink.stored[0] && sink.stored[1]);
    EXPECT_EQ(sink.entries[0].selector, 1);
    EXPECT_EQ(sink.entries[0].timeoutMs, 120000u);
    EXPECT_STREQ(sink.entries[0].fileName, L"main.bin");
    EXPECT_STREQ(sink.entries[0].toolTip, L"Main firmware");
    EXPECT_EQ(sink.entries[1].selector, 2);
    EXPECT_EQ(sink.entries[1].timeoutMs, 60000u);
    EXPECT_STREQ(sink.entries[1].fileName, L"logic*.bin");
    EXPECT_STREQ(sink.entries[1].toolTip, L"Logic");
    EXPECT_FALSE(sink.stored[2] || sink.stored[3] || sink.stored[4]);
}

// UTF-16LE with a byte-order mark, from UTF-8 text.
std::string Utf16WithBom(std::string_view utf8) {
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
    return bytes;
}

// The first file (not folder) that the system's search returns for `pattern`.
std::wstring FirstFileFound(const std::wstring& pattern) {
    WIN32_FIND_DATAW data = {};
    const UniqueFindHandle search(::FindFirstFileW(pattern.c_str(), &data));
    if (search) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                return data.cFileName;
            }
        } while (::FindNextFileW(search.get(), &data));
    }
    return L"";
}

}  // namespace

TEST(PackageWalk, SampleOfTheDescriptionWithItsFilesPresent) {
    PackageFolder package;
    package.AddFile(L"main.bin");
    package.AddFile(L"logic_0102.bin");
    PackageTestSink sink;
    ASSERT_TRUE(package.Load(kSample, sink));
    ExpectSample(sink);
    EXPECT_EQ(ResolveAllUpdateFiles(sink.entries, package.Path().c_str(), &sink), 2);
    EXPECT_TRUE(sink.entries[0].found);
    EXPECT_STREQ(sink.entries[0].fileName, L"main.bin");
    EXPECT_TRUE(sink.entries[1].found);
    EXPECT_STREQ(sink.entries[1].fileName, L"logic_0102.bin") << "the name found, not the pattern";
    EXPECT_FALSE(sink.entries[2].found || sink.entries[3].found || sink.entries[4].found);
    EXPECT_EQ(sink.NoteCodes(), "reboot-ignored") << "a valid package draws no warning";
}

TEST(PackageWalk, Utf16WithByteOrderMarkReadsAsUtf8Does) {
    std::string text = kSample;
    text.replace(text.find("utf-8"), 5, "utf-16");
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_TRUE(package.Load(Utf16WithBom(text), sink));
    ExpectSample(sink);
}

TEST(PackageWalk, NamespacePrefixesAreDisregarded) {
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_TRUE(
        package.Load("<p:ORVANEUPDATE xmlns:p=\"urn:orvane\" xmlns=\"urn:default\">"
                     "<p:TITLE>T</p:TITLE><q:DEVNAME xmlns:q=\"urn:q\" q:CHECK=\"ON\">D</q:DEVNAME>"
                     "<p:UPDATEFILES><p:UPDATEFILE p:ID=\"4\" FILENAME=\"a.bin\" p:TIMEOUT=\"5\"/>"
                     "</p:UPDATEFILES></p:ORVANEUPDATE>",
                     sink));
    EXPECT_EQ(sink.title, L"T");
    EXPECT_EQ(sink.devName, L"D");
    EXPECT_TRUE(sink.devNameCheck);
    ASSERT_TRUE(sink.stored[3]);
    EXPECT_STREQ(sink.entries[3].fileName, L"a.bin");
    EXPECT_EQ(sink.entries[3].timeoutMs, 5000u);
    EXPECT_EQ(sink.CountNotes(note_code::kUnknownAttribute), 0u)
        << "namespace declarations are not data: " << sink.NoteCodes();
}

TEST(PackageWalk, IdsOutsideOneToFiveHaveNoEffect) {
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_TRUE(package.Load(UpdateFilesXml("<UPDATEFILE ID=\"0\" FILENAME=\"a.bin\"/>\n"
                                            "<UPDATEFILE ID=\"6\" FILENAME=\"a.bin\"/>\n"
                                            "<UPDATEFILE FILENAME=\"a.bin\"/>\n"
                                            "<UPDATEFILE ID=\"-1\" FILENAME=\"a.bin\"/>\n"
                                            "<UPDATEFILE/>\n"
                                            "<UPDATEFILE ID=\"5\" FILENAME=\"e.bin\"/>"),
                             sink));
    EXPECT_EQ(sink.storeOrder, std::vector<int>{4});
    EXPECT_EQ(sink.CountNotes(note_code::kIdOutOfRange), 5u) << sink.NoteCodes();
    const PackageNote* note = sink.FindNote(note_code::kIdOutOfRange);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->line, 4u);
}

TEST(PackageWalk, RepeatedIdTakesTheLaterElementWithItsDefaults) {
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_TRUE(package.Load(
        UpdateFilesXml("<UPDATEFILE ID=\"3\" SELECTOR=\"7\" TIMEOUT=\"90\" TOOLTIP=\"First\" "
                       "FILENAME=\"first.bin\"/>\n"
                       "<UPDATEFILE ID=\"3\" FILENAME=\"second.bin\"/>"),
        sink));
    ASSERT_TRUE(sink.stored[2]);
    EXPECT_EQ(sink.entries[2].selector, 0);
    EXPECT_EQ(sink.entries[2].timeoutMs, 60000u);
    EXPECT_STREQ(sink.entries[2].toolTip, L"");
    EXPECT_STREQ(sink.entries[2].fileName, L"second.bin");
    const PackageNote* note = sink.FindNote(note_code::kDuplicateId);
    ASSERT_NE(note, nullptr) << sink.NoteCodes();
    EXPECT_EQ(note->line, 5u) << "the later element is named";
}

TEST(PackageWalk, TimeoutValuesAndTheirNotes) {
    struct Case {
        const char* attribute;
        uint32_t ms;
        const char* code;  // null: no note about the time-out
    } const cases[] = {
        {"", 60000, nullptr},
        {"TIMEOUT=\"0\"", 60000, note_code::kTimeoutDefaulted},
        {"TIMEOUT=\"abc\"", 60000, note_code::kTimeoutDefaulted},
        {"TIMEOUT=\"-30\"", 60000, note_code::kTimeoutDefaulted},
        {"TIMEOUT=\"90\"", 90000, nullptr},
        {"TIMEOUT=\" 45s\"", 45000, note_code::kTimeoutTrailingText},
        {"TIMEOUT=\"2m\"", 2000, note_code::kTimeoutTrailingText},
        {"TIMEOUT=\"2147484\"", 2147483000u, note_code::kTimeoutHeld},
        {"TIMEOUT=\"99999999999\"", 2147483000u, note_code::kTimeoutHeld},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attribute);
        PackageFolder package;
        PackageTestSink sink;
        ASSERT_TRUE(
            package.Load(UpdateFilesXml(std::string("<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\" ") +
                                        c.attribute + "/>"),
                         sink));
        ASSERT_TRUE(sink.stored[0]);
        EXPECT_EQ(sink.entries[0].timeoutMs, c.ms);
        const size_t timeoutNotes = sink.CountNotes(note_code::kTimeoutDefaulted) +
                                    sink.CountNotes(note_code::kTimeoutTrailingText) +
                                    sink.CountNotes(note_code::kTimeoutHeld);
        if (c.code == nullptr) {
            EXPECT_EQ(timeoutNotes, 0u) << sink.NoteCodes();
        } else {
            EXPECT_EQ(timeoutNotes, 1u) << sink.NoteCodes();
            const PackageNote* note = sink.FindNote(c.code);
            ASSERT_NE(note, nullptr) << sink.NoteCodes();
            EXPECT_EQ(note->line, 4u);
        }
    }
}

TEST(PackageWalk, CheckMatchesOnlyUpperCaseOn) {
    const struct {
        const char* value;
        bool check;
        bool caseNote;
    } cases[] = {{"ON", true, false},
                 {"on", false, true},
                 {"On", false, true},
                 {"YES", false, false},
                 {"", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        PackageFolder package;
        PackageTestSink sink;
        ASSERT_TRUE(package.Load(
            PackageXml(std::string("<DEVNAME CHECK=\"") + c.value + "\">ZP-Na7</DEVNAME>"), sink));
        EXPECT_EQ(sink.devNameCheck, c.check);
        EXPECT_EQ(sink.devName, L"ZP-Na7");
        EXPECT_EQ(sink.FindNote(note_code::kKeywordCase) != nullptr, c.caseNote)
            << sink.NoteCodes();
    }
}

TEST(PackageWalk, TitleTextNodes) {
    PackageFolder package;
    {
        PackageTestSink sink;
        ASSERT_TRUE(package.Load(PackageXml("<TITLE>Camera <!-- note -->Update</TITLE>"), sink));
        EXPECT_EQ(sink.title, L"Update") << "the last text node stays";
    }
    for (const char* title : {"<TITLE>  \r\n\t </TITLE>", "<TITLE><![CDATA[Hidden]]></TITLE>",
                              "<TITLE><!-- only a comment --></TITLE>"}) {
        SCOPED_TRACE(title);
        PackageTestSink sink;
        ASSERT_TRUE(package.Load(PackageXml(title), sink));
        EXPECT_FALSE(sink.title.has_value()) << "the template text stays";
        EXPECT_NE(sink.FindNote(note_code::kNoTitle), nullptr);
    }
    {
        PackageTestSink sink;
        ASSERT_TRUE(package.Load(PackageXml("<TITLE>A &amp; B <b>bold</b></TITLE>"), sink));
        EXPECT_EQ(sink.title, L"bold") << "text inside an element inside TITLE counts as well";
        EXPECT_NE(sink.FindNote(note_code::kUnknownElement), nullptr);
    }
}

TEST(PackageWalk, SelfClosedTitleReadsUpToTheNextEndTagOfItsName) {
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_TRUE(package.Load(PackageXml("<TITLE/>\nLoose\n<DEVNAME>ZP</DEVNAME>\n"
                                        "<UPDATEFILES><UPDATEFILE ID=\"1\"/></UPDATEFILES>\n"
                                        "<TITLE>Real</TITLE>\n<DEVNAME>After</DEVNAME>"),
                             sink));
    EXPECT_EQ(sink.title, L"Real") << "the swallowed stretch ends at </TITLE>";
    EXPECT_EQ(sink.devName, L"After") << "DEVNAME inside the stretch had no effect";
    EXPECT_FALSE(sink.stored[0]) << "nor UPDATEFILES";
    const PackageNote* note = sink.FindNote(note_code::kSelfClosedContainer);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->line, 3u);
    EXPECT_GE(sink.CountNotes(note_code::kOutsideContainer), 2u) << sink.NoteCodes();
}

TEST(PackageWalk, SelfClosedDevNameAndUpdateFilesSwallowTheRest) {
    PackageFolder package;
    {
        PackageTestSink sink;
        ASSERT_TRUE(package.Load(PackageXml("<DEVNAME CHECK=\"ON\"/>\n<TITLE>T</TITLE>"), sink));
        EXPECT_TRUE(sink.devNameCheck) << "the attributes of the self-closed element count";
        EXPECT_EQ(sink.devName, L"T") << "text up to the end of the document is its content";
        EXPECT_FALSE(sink.title.has_value());
        EXPECT_NE(sink.FindNote(note_code::kSelfClosedContainer), nullptr);
    }
    {
        PackageTestSink sink;
        ASSERT_TRUE(package.Load(PackageXml("<UPDATEFILES/>\n"
                                            "<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\"/>\n"
                                            "<TITLE>T</TITLE>"),
                                 sink));
        EXPECT_TRUE(sink.stored[0]) << "UPDATEFILE after a self-closed UPDATEFILES fills";
        EXPECT_FALSE(sink.title.has_value());
        EXPECT_NE(sink.FindNote(note_code::kSelfClosedContainer), nullptr);
    }
}

TEST(PackageWalk, ElementsOutsideTheirContainerHaveNoEffect) {
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_TRUE(
        package.Load("<PACKAGE>\n<TITLE>Outside</TITLE>\n"
                     "<ORVANEUPDATE>\n<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\"/>\n"
                     "<UPDATEFILES><TITLE>Inside list</TITLE></UPDATEFILES>\n"
                     "</ORVANEUPDATE>\n</PACKAGE>",
                     sink));
    EXPECT_FALSE(sink.title.has_value());
    EXPECT_FALSE(sink.stored[0]);
    ASSERT_EQ(sink.CountNotes(note_code::kOutsideContainer), 3u) << sink.NoteCodes();
    std::vector<uint32_t> lines;
    for (const PackageNote& note : sink.notes) {
        if (std::string(note.code) == note_code::kOutsideContainer) {
            lines.push_back(note.line);
        }
    }
    EXPECT_EQ(lines, (std::vector<uint32_t>{2, 4, 5}));
    EXPECT_NE(sink.FindNote(note_code::kUnknownElement), nullptr) << "PACKAGE is passed over";
}

TEST(PackageWalk, BrokenAfterACompleteListKeepsItsEntries) {
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_TRUE(package.Load(
        "<ORVANEUPDATE>\n<TITLE>T</TITLE>\n<UPDATEFILES>\n"
        "<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\"/>\n<UPDATEFILE ID=\"2\" FILENAME=\"b.bin\"/>\n"
        "</UPDATEFILES>\n<DEVNAME>ZP</DEVNAME\n<broken attr=>",
        sink));
    EXPECT_TRUE(sink.stored[0] && sink.stored[1]);
    EXPECT_EQ(sink.title, L"T");
    const PackageNote* note = sink.FindNote(note_code::kWalkStopped);
    ASSERT_NE(note, nullptr) << sink.NoteCodes();
    EXPECT_EQ(note->severity, NoteSeverity::Error);
    EXPECT_GE(note->line, 7u);
    EXPECT_NE(note->message.find(L"title, device name, entries 1 2"), std::wstring::npos)
        << note->message;
}

TEST(PackageWalk, DocumentTypeDeclarationStopsTheWalk) {
    PackageFolder package;
    {
        PackageTestSink sink;
        ASSERT_TRUE(package.Load(std::string("<!DOCTYPE ORVANEUPDATE []>\n") + kSample, sink));
        EXPECT_FALSE(sink.title.has_value());
        EXPECT_TRUE(sink.storeOrder.empty());
        const PackageNote* note = sink.FindNote(note_code::kWalkStopped);
        ASSERT_NE(note, nullptr) << sink.NoteCodes();
        EXPECT_NE(note->message.find(L"document type"), std::wstring::npos) << note->message;
        EXPECT_NE(note->message.find(L"nothing"), std::wstring::npos) << note->message;
    }
    {
        // Behind the document element a declaration is out of place: what came before stays.
        PackageTestSink sink;
        ASSERT_TRUE(package.Load(PackageXml("<TITLE>T</TITLE>") + "<!DOCTYPE x>", sink));
        EXPECT_EQ(sink.title, L"T");
        EXPECT_NE(sink.FindNote(note_code::kWalkStopped), nullptr) << sink.NoteCodes();
    }
}

TEST(PackageWalk, WildcardTakesTheFirstFileTheSearchReturns) {
    PackageFolder package;
    package.AddFile(L"fw_a.bin");
    package.AddFile(L"fw_b.bin");
    PackageTestSink sink;
    ASSERT_TRUE(package.Load(UpdateFilesXml("<UPDATEFILE ID=\"1\" FILENAME=\"fw*.bin\"/>"), sink));
    const std::wstring expected = FirstFileFound(package.Path() + L"\\fw*.bin");
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(ResolveUpdateFile(sink.entries[0], package.Path().c_str(), &sink));
    EXPECT_TRUE(sink.entries[0].found);
    EXPECT_EQ(std::wstring(sink.entries[0].fileName), expected);
    const PackageNote* note = sink.FindNote(note_code::kSeveralMatches);
    ASSERT_NE(note, nullptr);
    EXPECT_NE(note->message.find(expected), std::wstring::npos) << "the note names the file sent";
}

TEST(PackageWalk, CutOffDocumentEndsTheWalkWithWhatCameBefore) {
    std::string text = kSample;
    text.resize(text.find("  </UPDATEFILES>"));  // ends in white space inside UPDATEFILES
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_TRUE(package.Load(text, sink));
    EXPECT_TRUE(sink.stored[0] && sink.stored[1]);
    EXPECT_EQ(sink.devName, L"ZP-Na7");
    EXPECT_NE(sink.FindNote(note_code::kWalkStopped), nullptr) << sink.NoteCodes();
}
