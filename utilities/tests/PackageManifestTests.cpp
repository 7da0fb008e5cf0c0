#include <gtest/gtest.h>

#include "PackageManifest.h"

namespace {

const std::string kA(64, 'a');
const std::string kB(64, 'b');

std::vector<std::string> Codes(const std::vector<PackageNote>& notes) {
    std::vector<std::string> codes;
    for (const PackageNote& note : notes) {
        codes.push_back(note.code);
    }
    return codes;
}

}  // namespace

TEST(PackageManifest, ReadsWhatSha256sumAndWindowsToolsWrite) {
    std::vector<ManifestLine> lines;
    std::wstring error;
    const std::string text = "\xEF\xBB\xBF" + std::string(64, 'A') + " *main.bin\r\n\r\n" + kB +
                             "  logic \xC3\xA9.bin\n";
    ASSERT_TRUE(ParseManifest(text, &lines, &error)) << error.c_str();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].sha256, kA) << "upper-case digits are read as lower-case";
    EXPECT_EQ(lines[0].name, L"main.bin");
    EXPECT_EQ(lines[1].name, L"logic \u00E9.bin") << "text mode; names are UTF-8";
    EXPECT_EQ(FormatManifest(lines), kA + " *main.bin\n" + kB + " *logic \xC3\xA9.bin\n");
}

TEST(PackageManifest, RefusesLinesOfAnotherFormOrThatNameAPath) {
    for (const std::string& bad :
         {kA + " *", kA.substr(1) + " *a.bin", kA + "*a.bin", std::string(63, 'a') + "g *a.bin",
          kA + " *..\\a.bin", kA + " *sub/a.bin", kA + " *..", "main.bin " + kA,
          // Devices, which must never be opened as files.
          kA + " *CON", kA + " *nul.txt", kA + " *Com1.bin", kA + " *lpt9 .x.y"}) {
        std::vector<ManifestLine> lines;
        std::wstring error;
        EXPECT_FALSE(ParseManifest(kA + " *ok.bin\n" + bad + "\n", &lines, &error)) << bad;
        EXPECT_NE(error.find(L"line 2"), std::wstring::npos) << error.c_str();
    }
}

TEST(PackageManifest, EachDifferenceHasItsCode) {
    const std::vector<PackageFile> files = {{L"TAVIKUpdate.xml", kA, 0},
                                            {L"Main.bin", kA, 1},
                                            {L"logic.bin", kB, 2},
                                            {L"locked.bin", "", 3},
                                            {L"new.bin", kA, 4}};
    const std::vector<ManifestLine> lines = {
        {kA, L"TAVIKUpdate.xml"}, {kA, L"MAIN.BIN"},  // matches: letter case does not count
        {kA, L"logic.bin"},                           // changed
        {kB, L"locked.bin"},                          // unreadable: compared nowhere
        {kB, L"notes.txt"},                           // another file of the folder, changed
        {kA, L"gone.bin"}};                           // not there
    const auto digestOf = [](const std::wstring& name) -> std::optional<std::string> {
        if (name == L"notes.txt") {
            return kA;
        }
        return std::nullopt;
    };
    const std::vector<PackageNote> notes = VerifyManifest(lines, files, digestOf);
    EXPECT_EQ(Codes(notes), (std::vector<std::string>{"digest-mismatch", "digest-mismatch",
                                                      "digest-missing", "digest-unlisted"}));
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[0].entry, 2);
    EXPECT_NE(notes[1].message.find(L"notes.txt"), std::wstring::npos);
    EXPECT_NE(notes[2].message.find(L"gone.bin"), std::wstring::npos);
    EXPECT_EQ(notes[3].entry, 4);
}
