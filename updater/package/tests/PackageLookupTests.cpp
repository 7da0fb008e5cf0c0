// The look-up of the image files, and the decisions on file names and tooltips that keep the
// update to the files of the package.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "PackageFolder.h"
#include "PackageNoteCodes.h"
#include "PackageTestSink.h"
#include "UpdateFileLookup.h"

namespace {

UpdateFileEntry EntryNamed(const wchar_t* name) {
    UpdateFileEntry entry = {};
    entry.timeoutMs = kDefaultTimeoutMs;
    std::wcsncpy(entry.fileName, name, MAX_PATH - 1);
    return entry;
}

}  // namespace

TEST(PackageLookup, PathsInFileNameAreRefusedAndNeverFound) {
    PackageFolder package;
    WriteBytes(package.Outside().PathOf(L"secret.bin"), "not part of the package");
    package.AddFolder(L"sub");
    WriteBytes(package.Path() + L"\\sub\\inner.bin", "x");
    for (const char* name : {"..\\secret.bin", "../secret.bin", "sub\\inner.bin", "sub/inner.bin",
                             "C:secret.bin", "main.bin:stream"}) {
        SCOPED_TRACE(name);
        PackageTestSink sink;
        ASSERT_TRUE(package.Load(
            UpdateFilesXml(std::string("<UPDATEFILE ID=\"1\" FILENAME=\"") + name + "\"/>"), sink));
        ASSERT_TRUE(sink.stored[0]) << "the entry is kept, with a name that matches nothing";
        EXPECT_STREQ(sink.entries[0].fileName, L"");
        const PackageNote* note = sink.FindNote(note_code::kFileNameRefused);
        ASSERT_NE(note, nullptr) << sink.NoteCodes();
        EXPECT_EQ(note->line, 4u);
        EXPECT_FALSE(ResolveUpdateFile(sink.entries[0], package.Path().c_str(), &sink));
        EXPECT_FALSE(sink.entries[0].found);
    }
    // An entry that never went through the walk is refused by the look-up itself.
    UpdateFileEntry entry = EntryNamed(L"..\\secret.bin");
    PackageTestSink sink;
    EXPECT_FALSE(ResolveUpdateFile(entry, package.Path().c_str(), &sink));
    EXPECT_FALSE(entry.found);
    EXPECT_STREQ(entry.fileName, L"..\\secret.bin");
    EXPECT_NE(sink.FindNote(note_code::kFileNameRefused), nullptr);
}

TEST(PackageLookup, FoldersArePassedOverForTheFirstFile) {
    PackageFolder package;
    package.AddFolder(L"fw_dir");
    package.AddFolder(L"fw_zdir");
    package.AddFile(L"fw_file.bin");
    {
        UpdateFileEntry entry = EntryNamed(L"fw_*");
        PackageTestSink sink;
        EXPECT_TRUE(ResolveUpdateFile(entry, package.Path().c_str(), &sink));
        EXPECT_TRUE(entry.found);
        EXPECT_STREQ(entry.fileName, L"fw_file.bin");
        EXPECT_NE(sink.FindNote(note_code::kFolderPassedOver), nullptr) << sink.NoteCodes();
        EXPECT_EQ(sink.FindNote(note_code::kSeveralMatches), nullptr) << "one file matched";
    }
    {
        UpdateFileEntry entry = EntryNamed(L"fw_dir");
        PackageTestSink sink;
        EXPECT_FALSE(ResolveUpdateFile(entry, package.Path().c_str(), &sink));
        EXPECT_FALSE(entry.found);
        EXPECT_STREQ(entry.fileName, L"fw_dir") << "nothing found, nothing replaced";
        EXPECT_NE(sink.FindNote(note_code::kFolderPassedOver), nullptr);
        EXPECT_NE(sink.FindNote(note_code::kFileMissing), nullptr);
    }
    {
        // "*" meets "." and ".." as well: they are folders, and no note names them.
        UpdateFileEntry entry = EntryNamed(L"*.bin");
        PackageTestSink sink;
        EXPECT_TRUE(ResolveUpdateFile(entry, package.Path().c_str(), &sink));
        EXPECT_STREQ(entry.fileName, L"fw_file.bin");
        EXPECT_EQ(sink.notes.size(), 0u) << sink.NoteCodes();
    }
}

TEST(PackageLookup, MissingFilesAndEmptyNames) {
    PackageFolder package;
    UpdateFileEntry entries[kUpdateFileCount] = {};
    entries[1] = EntryNamed(L"absent.bin");
    entries[2] = EntryNamed(L"absent*.bin");
    PackageTestSink sink;
    EXPECT_EQ(ResolveAllUpdateFiles(entries, package.Path().c_str(), &sink), 0);
    EXPECT_EQ(sink.CountNotes(note_code::kFileMissing), 2u) << "empty names were noted by the walk";
    const PackageNote* none = sink.FindNote(note_code::kNoEntryFound);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->severity, NoteSeverity::Error);
    for (const UpdateFileEntry& entry : entries) {
        EXPECT_FALSE(entry.found);
    }
    // Without a sink the look-up is the same, only silent.
    package.AddFile(L"absent.bin");
    EXPECT_EQ(ResolveAllUpdateFiles(entries, package.Path().c_str()), 2);
    EXPECT_TRUE(entries[1].found && entries[2].found);
    EXPECT_STREQ(entries[2].fileName, L"absent.bin");
}

TEST(PackageLookup, FileNameLengthAndToolTipLength) {
    PackageFolder package;
    const std::string longest(258, 'n');
    const std::string tooLong(259, 'n');
    const std::string toolTip31(31, 't');
    PackageTestSink sink;
    ASSERT_TRUE(
        package.Load(UpdateFilesXml("<UPDATEFILE ID=\"1\" FILENAME=\"" + longest + "\" TOOLTIP=\"" +
                                    toolTip31 + "\"/>\n<UPDATEFILE ID=\"2\" FILENAME=\"" + tooLong +
                                    "\"/>\n<UPDATEFILE ID=\"3\" FILENAME=\"a.bin\" TOOLTIP=\"" +
                                    std::string(29, 'u') + "\xF0\x9F\x93\xB7\"/>"),
                     sink));
    ASSERT_TRUE(sink.stored[0]);
    EXPECT_EQ(std::wcslen(sink.entries[0].fileName), 258u) << "258 characters are kept";
    EXPECT_EQ(std::wstring(sink.entries[0].toolTip), std::wstring(30, L't'));
    EXPECT_FALSE(sink.stored[1]) << "a longer name could only be shortened into another name";
    const PackageNote* tooLongNote = sink.FindNote(note_code::kFileNameTooLong);
    ASSERT_NE(tooLongNote, nullptr);
    EXPECT_EQ(tooLongNote->line, 5u);
    ASSERT_TRUE(sink.stored[2]);
    EXPECT_EQ(std::wstring(sink.entries[2].toolTip), std::wstring(29, L'u'))
        << "a surrogate pair is never split";
    EXPECT_EQ(sink.CountNotes(note_code::kToolTipCut), 2u);
}
