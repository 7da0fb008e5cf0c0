// Notes about names and values that the updater passes over, with where they stand.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "PackageDescription.h"
#include "PackageFolder.h"
#include "PackageNoteCodes.h"
#include "PackageTestSink.h"
#include "UpdateFileLookup.h"

namespace {

// The notes of one code, as "line:message" for the comparisons below.
std::vector<std::wstring> NotesOf(const PackageTestSink& sink, const char* code) {
    std::vector<std::wstring> found;
    for (const PackageNote& note : sink.notes) {
        if (std::string(note.code) == code) {
            found.push_back(std::to_wstring(note.line) + L":" + note.message);
        }
    }
    return found;
}

bool Mentions(const std::wstring& text, const wchar_t* part) {
    return text.find(part) != std::wstring::npos;
}

}  // namespace

TEST(PackageNotes, UnknownAttributesNameTheNearestRecognisedName) {
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_TRUE(package.Load(PackageXml("<DEVNAME CHEK=\"ON\" COLOR=\"red\">ZP</DEVNAME>\n"
                                        "<UPDATEFILES>\n"
                                        "<UPDATEFILE ID=\"1\" FILNAME=\"a.bin\"/>\n"
                                        "<UPDATEFILE ID=\"2\" filename=\"b.bin\"/>\n"
                                        "</UPDATEFILES>"),
                             sink));
    EXPECT_FALSE(sink.devNameCheck);
    EXPECT_STREQ(sink.entries[0].fileName, L"") << "a misspelt name is not taken";
    const std::vector<std::wstring> notes = NotesOf(sink, note_code::kUnknownAttribute);
    ASSERT_EQ(notes.size(), 4u) << sink.NoteCodes();
    EXPECT_TRUE(notes[0].rfind(L"3:", 0) == 0 && Mentions(notes[0], L"did you mean CHECK?"))
        << notes[0];
    EXPECT_FALSE(Mentions(notes[1], L"did you mean")) << notes[1];
    EXPECT_TRUE(notes[2].rfind(L"5:", 0) == 0 && Mentions(notes[2], L"did you mean FILENAME?"))
        << notes[2];
    EXPECT_TRUE(notes[3].rfind(L"6:", 0) == 0 && Mentions(notes[3], L"did you mean FILENAME?"))
        << notes[3];
    EXPECT_EQ(sink.CountNotes(note_code::kNoFileName), 2u) << "neither entry names a file";
}

TEST(PackageNotes, UnknownElementsNameTheNearestRecognisedName) {
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_TRUE(package.Load(PackageXml("<Title>Lower</Title>\n<VERSION>2</VERSION>\n"
                                        "<UPDATEFILES><UPDATEFLIE ID=\"1\"/></UPDATEFILES>"),
                             sink));
    EXPECT_FALSE(sink.title.has_value());
    EXPECT_FALSE(sink.stored[0]);
    const std::vector<std::wstring> notes = NotesOf(sink, note_code::kUnknownElement);
    ASSERT_EQ(notes.size(), 3u) << sink.NoteCodes();
    EXPECT_TRUE(notes[0].rfind(L"3:", 0) == 0 && Mentions(notes[0], L"did you mean TITLE?"))
        << notes[0];
    EXPECT_FALSE(Mentions(notes[1], L"did you mean")) << notes[1];
    EXPECT_TRUE(Mentions(notes[2], L"did you mean UPDATEFILE?")) << notes[2];
}

TEST(PackageNotes, RebootIsAcceptedAndIgnored) {
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_TRUE(package.Load(UpdateFilesXml("<UPDATEFILE ID=\"1\" FILENAME=\"a\" REBOOT=\"YES\"/>\n"
                                            "<UPDATEFILE ID=\"2\" FILENAME=\"b\" REBOOT=\"yes\"/>\n"
                                            "<UPDATEFILE ID=\"3\" FILENAME=\"c\" REBOOT=\"NO\"/>"),
                             sink));
    EXPECT_TRUE(sink.stored[0] && sink.stored[1] && sink.stored[2]);
    const PackageNote* ignored = sink.FindNote(note_code::kRebootIgnored);
    ASSERT_NE(ignored, nullptr);
    EXPECT_EQ(ignored->severity, NoteSeverity::Info);
    EXPECT_EQ(ignored->line, 4u);
    EXPECT_EQ(sink.CountNotes(note_code::kRebootIgnored), 1u);
    const PackageNote* keyword = sink.FindNote(note_code::kKeywordCase);
    ASSERT_NE(keyword, nullptr);
    EXPECT_EQ(keyword->line, 5u);
    EXPECT_EQ(sink.NoteCodes(), "reboot-ignored keyword-case no-title no-device-name")
        << "REBOOT=\"NO\" draws no note";
}

TEST(PackageNotes, MissingTitleAndDeviceNameAreNotedOnce) {
    PackageFolder package;
    {
        PackageTestSink sink;
        ASSERT_TRUE(package.Load(PackageXml(""), sink));
        EXPECT_EQ(sink.NoteCodes(), "no-title no-device-name");
    }
    {
        PackageTestSink sink;
        ASSERT_TRUE(package.Load("<OTHER/>", sink));
        EXPECT_EQ(sink.NoteCodes(), "unknown-element no-title no-device-name");
    }
}

TEST(PackageNotes, NotesCarryNoPositionWhereThereIsNone) {
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_FALSE(LoadPackageDescription(sink, (package.Path() + L"\\absent").c_str()));
    ASSERT_EQ(sink.notes.size(), 1u);
    EXPECT_EQ(sink.notes[0].line, 0u);
    EXPECT_EQ(sink.notes[0].column, 0u);
    EXPECT_TRUE(Mentions(sink.notes[0].message, L"TAVIKUpdate.xml"));
}

TEST(PackageNotes, LongValuesAreShownShortOnOneLine) {
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_TRUE(package.Load(
        UpdateFilesXml("<UPDATEFILE ID=\"1\" FILENAME=\"a\" TIMEOUT=\"" + std::string(5000, 'x') +
                       "&#10;\" " + std::string(3000, 'Q') + "=\"1\"/>"),
        sink));
    ASSERT_FALSE(sink.notes.empty());
    for (const PackageNote& note : sink.notes) {
        EXPECT_LT(note.message.size(), 300u) << note.code;
        EXPECT_EQ(note.message.find_first_of(L"\r\n"), std::wstring::npos) << note.code;
    }
}

TEST(PackageNotes, SelectorsThatAreNotSentAsWritten) {
    PackageFolder package;
    PackageTestSink sink;
    ASSERT_TRUE(
        package.Load(UpdateFilesXml("<UPDATEFILE TOOLTIP=\"x\" SELECTOR=\"0x10\" ID=\"2\"/>\n"
                                    "<UPDATEFILE ID=\"3\" SELECTOR=\"300\"/>\n"
                                    "<UPDATEFILE ID=\"4\" SELECTOR=\"-1\"/>\n"
                                    "<UPDATEFILE ID=\"5\" SELECTOR=\" 7 \"/>"),
                     sink));
    EXPECT_EQ(sink.entries[1].selector, 0);
    const PackageNote* hex = sink.FindNote(note_code::kSelectorNotDecimal);
    ASSERT_NE(hex, nullptr) << sink.NoteCodes();
    EXPECT_EQ(sink.CountNotes(note_code::kSelectorNotDecimal), 1u) << "white space is no mistake";
    EXPECT_EQ(hex->line, 4u);
    EXPECT_NE(hex->column, 0u);
    EXPECT_EQ(hex->entry, 2) << "the ID came after the SELECTOR, yet the note names it";
    std::vector<std::pair<int, std::wstring>> truncated;
    for (const PackageNote& note : sink.notes) {
        if (std::string(note.code) == note_code::kSelectorTruncated) {
            truncated.emplace_back(note.entry, note.message);
        }
    }
    ASSERT_EQ(truncated.size(), 2u) << sink.NoteCodes();
    EXPECT_EQ(truncated[0].first, 3);
    EXPECT_TRUE(Mentions(truncated[0].second, L"low byte is sent, 44")) << truncated[0].second;
    EXPECT_EQ(truncated[1].first, 4);
    EXPECT_TRUE(Mentions(truncated[1].second, L"sent, 255")) << truncated[1].second;
}

TEST(PackageNotes, EachNoteNamesTheEntryItConcerns) {
    PackageFolder package;
    package.AddFile(L"fw_a.bin");
    package.AddFile(L"fw_b.bin");
    PackageTestSink sink;
    ASSERT_TRUE(package.Load(UpdateFilesXml("<UPDATEFILE ID=\"7\" TIMEOUT=\"x\"/>\n"
                                            "<UPDATEFILE ID=\"1\" FILENAME=\"fw*.bin\"/>\n"
                                            "<UPDATEFILE ID=\"4\" FILENAME=\"none.bin\"/>"),
                             sink));
    UpdateFileEntry entries[kUpdateFileCount] = {};
    for (int i = 0; i < kUpdateFileCount; ++i) {
        entries[i] = sink.entries[i];
    }
    EXPECT_EQ(ResolveAllUpdateFiles(entries, package.Path().c_str(), &sink), 1);
    const auto entryOf = [&sink](const char* code) {
        const PackageNote* note = sink.FindNote(code);
        return note != nullptr ? note->entry : -1;
    };
    EXPECT_EQ(entryOf(note_code::kTimeoutDefaulted), 0) << "an element without effect: no entry";
    EXPECT_EQ(entryOf(note_code::kIdOutOfRange), 0);
    EXPECT_EQ(entryOf(note_code::kSeveralMatches), 1) << sink.NoteCodes();
    EXPECT_EQ(entryOf(note_code::kFileMissing), 4);
    EXPECT_EQ(entryOf(note_code::kNoTitle), 0);
}
