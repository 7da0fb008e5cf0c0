// The checker's core on packages laid out on disk, as the program runs it: a note for each
// mistake, the images' digests, and the manifest written, verified and failing.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "PackageFolder.h"
#include "PackageReport.h"
#include "PackageReportFormat.h"
#include "Sha256.h"
#include "SystemErrorText.h"
#include "UniqueAny.h"

namespace {

// SHA-256 of "abc" and of nothing, from FIPS 180-2.
constexpr char kAbcDigest[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr char kEmptyDigest[] = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

const char kTitle[] = "<TITLE>Camera Firmware Update</TITLE>\n";
const char kDevName[] = "<DEVNAME CHECK=\"ON\">ZP-Na7</DEVNAME>\n";
const char kFile1[] = "<UPDATEFILE ID=\"1\" SELECTOR=\"1\" TOOLTIP=\"Main\" FILENAME=\"a.bin\"/>\n";

std::string Good(const std::string& files) {
    return PackageXml(std::string(kTitle) + kDevName + "<UPDATEFILES>\n" + files +
                      "</UPDATEFILES>");
}

std::set<std::string> Codes(const PackageReport& report) {
    std::set<std::string> codes;
    for (const PackageNote& note : report.notes) {
        codes.insert(note.code);
    }
    return codes;
}

std::string Dump(const PackageReport& report) {
    std::string dump;
    for (const PackageNote& note : report.notes) {
        dump += std::string(note.code) + " ";
    }
    return dump;
}

}  // namespace

TEST(PackageCheckFolder, EachMistakeRaisesItsNote) {
    const std::string t(kTitle), d(kDevName), f(kFile1);
    const struct Case {
        const char* code;
        std::string xml;
        int status;
    } cases[] = {
        {"walk-stopped", Good(f) + "<BROKEN>", 2},
        {"walk-stopped", "<!DOCTYPE x>\n" + Good(f), 2},
        {"no-entry-found", Good("<UPDATEFILE ID=\"1\" FILENAME=\"absent.bin\"/>\n"), 2},
        {"reserved-name", Good(f + "<UPDATEFILE ID=\"2\" FILENAME=\"Con.bin\"/>\n"), 2},
        {"file-missing", Good(f + "<UPDATEFILE ID=\"2\" FILENAME=\"absent.bin\"/>\n"), 1},
        {"no-filename", Good(f + "<UPDATEFILE ID=\"2\" SELECTOR=\"2\"/>\n"), 1},
        {"unknown-element", Good(f + "<UPDATEFILEZ ID=\"2\"/>\n"), 1},
        {"unknown-attribute", Good("<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\" SELECTR=\"1\"/>\n"), 1},
        {"id-out-of-range", Good(f + "<UPDATEFILE ID=\"6\" FILENAME=\"a.bin\"/>\n"), 1},
        {"duplicate-id", Good(f + f), 1},
        {"selector-not-decimal",
         Good("<UPDATEFILE ID=\"1\" SELECTOR=\"0x10\" FILENAME=\"a.bin\"/>\n"), 1},
        {"selector-truncated", Good("<UPDATEFILE ID=\"1\" SELECTOR=\"300\" FILENAME=\"a.bin\"/>\n"),
         1},
        {"duplicate-selector",
         Good(f + "<UPDATEFILE ID=\"2\" SELECTOR=\"1\" FILENAME=\"b.bin\"/>\n"), 1},
        {"empty-image", Good(f + "<UPDATEFILE ID=\"2\" SELECTOR=\"2\" FILENAME=\"empty.bin\"/>\n"),
         1},
        {"timeout-defaulted", Good("<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\" TIMEOUT=\"abc\"/>\n"),
         1},
        {"timeout-trailing-text",
         Good("<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\" TIMEOUT=\"2m\"/>\n"), 1},
        {"timeout-held", Good("<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\" TIMEOUT=\"9999999\"/>\n"),
         1},
        {"tooltip-cut",
         Good("<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\" TOOLTIP=\"" + std::string(31, 'x') +
              "\"/>\n"),
         1},
        {"filename-refused", Good(f + "<UPDATEFILE ID=\"2\" FILENAME=\"..\\a.bin\"/>\n"), 1},
        {"filename-too-long",
         Good(f + "<UPDATEFILE ID=\"2\" FILENAME=\"" + std::string(259, 'n') + "\"/>\n"), 1},
        {"keyword-case",
         PackageXml(t + "<DEVNAME CHECK=\"on\">ZP-Na7</DEVNAME>\n<UPDATEFILES>" + f +
                    "</UPDATEFILES>"),
         1},
        {"self-closed-container",
         PackageXml(t + d + "<UPDATEFILES/>\n" + f + "<UPDATEFILES></UPDATEFILES>"), 1},
        {"outside-container", PackageXml(t + d + f + "<UPDATEFILES>" + f + "</UPDATEFILES>"), 1},
        {"no-title", PackageXml(d + "<UPDATEFILES>" + f + "</UPDATEFILES>"), 1},
        {"no-device-name", PackageXml(t + "<UPDATEFILES>" + f + "</UPDATEFILES>"), 2},
        {"device-name-unknown",
         PackageXml(t + "<DEVNAME CHECK=\"ON\">ZP-Na9</DEVNAME><UPDATEFILES>" + f +
                    "</UPDATEFILES>"),
         1},
        {"device-name-unknown",
         PackageXml(t + "<DEVNAME>ZP-Na9</DEVNAME><UPDATEFILES>" + f + "</UPDATEFILES>"), 2},
        {"reboot-ignored", Good("<UPDATEFILE ID=\"1\" FILENAME=\"a.bin\" REBOOT=\"YES\"/>\n"), 0},
        // Saved as Latin-1, declared UTF-8.
        {"encoding-mismatch",
         PackageXml("<TITLE>Mise \xE0 jour</TITLE>\n" + d + "<UPDATEFILES>" + f + "</UPDATEFILES>"),
         1},
        {"encoding-unsupported",
         "<?xml version=\"1.0\" encoding=\"x-no-such-encoding\"?>\n<ORVANEUPDATE>" + t + d +
             "<UPDATEFILES>" + f + "</UPDATEFILES></ORVANEUPDATE>",
         2},
        {"picks-package-file",
         Good(f + "<UPDATEFILE ID=\"2\" SELECTOR=\"2\" FILENAME=\"*.xml\"/>\n"), 1},
    };
    for (const Case& c : cases) {
        PackageFolder package;
        package.WriteDescription(c.xml);
        package.AddFile(L"a.bin", "12345");
        package.AddFile(L"b.bin", "123");
        package.AddFile(L"empty.bin", "");
        const PackageReport report = CheckPackage(package.Path());
        EXPECT_EQ(Codes(report).count(c.code), 1u) << c.code << ": " << Dump(report);
        EXPECT_EQ(ExitStatus(report), c.status) << c.code << ": " << Dump(report);
    }
}

TEST(PackageCheckFolder, FilesTheLookUpPassesOverChoosesBetweenOrCannotRead) {
    PackageFolder package;
    package.WriteDescription(
        Good("<UPDATEFILE ID=\"1\" FILENAME=\"fw*.bin\"/>\n"
             "<UPDATEFILE ID=\"2\" SELECTOR=\"2\" FILENAME=\"held.bin\"/>\n"));
    package.AddFolder(L"fw_0.bin");
    package.AddFile(L"fw_a.bin");
    package.AddFile(L"fw_b.bin");
    package.AddFile(L"held.bin");
    // Held as an anti-virus scan or an editor might: nobody else may read it.
    const UniqueHandle held(CreateFileW((package.Path() + L"\\held.bin").c_str(), GENERIC_READ, 0,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    const PackageReport report = CheckPackage(package.Path());
    const std::set<std::string> codes = Codes(report);
    EXPECT_EQ(codes.count("folder-passed-over"), 1u) << Dump(report);
    EXPECT_EQ(codes.count("several-matches"), 1u);
    EXPECT_EQ(codes.count("image-unreadable"), 1u);
    EXPECT_TRUE(report.entries[1].sha256.empty()) << "no digest claimed for what was not read";
    EXPECT_EQ(ExitStatus(report), 2);
    // Why, in the system's own words (Wine words them its own way), with the number kept.
    for (const PackageNote& note : report.notes) {
        if (std::string(note.code) == "image-unreadable") {
            EXPECT_NE(note.message.find(L": " + SystemErrorText(ERROR_SHARING_VIOLATION)),
                      std::wstring::npos)
                << note.message.c_str();
        }
    }
}

// An "ANSI" file declared UTF-8: the reader says nothing and shows U+FFFD; the check names the
// line and the column of the first byte that is not UTF-8.
TEST(PackageCheckFolder, BytesThatAreNotUtf8AreNamedWhereTheyAre) {
    PackageFolder package;
    package.AddFile(L"a.bin", "12345");
    package.WriteDescription(PackageXml(std::string(kDevName) + "<TITLE>Mise \xE0 jour</TITLE>\n" +
                                        "<UPDATEFILES>" + kFile1 + "</UPDATEFILES>"));
    const PackageReport report = CheckPackage(package.Path());
    const PackageNote* found = nullptr;
    for (const PackageNote& note : report.notes) {
        found = std::string(note.code) == "encoding-mismatch" ? &note : found;
    }
    ASSERT_NE(found, nullptr) << Dump(report);
    EXPECT_EQ(found->line, 4u);
    EXPECT_EQ(found->column, 13u);
    EXPECT_NE(found->message.find(L"0xE0"), std::wstring::npos) << found->message.c_str();

    // The same letter in UTF-8, and the same bytes declared as what they are, are fine.
    for (const std::string& xml : std::vector<std::string>{
             PackageXml("<TITLE>Mise \xC3\xA0 jour</TITLE>" + std::string(kDevName) +
                        "<UPDATEFILES>" + kFile1 + "</UPDATEFILES>"),
             "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<ORVANEUPDATE><TITLE>Mise \xE0 "
             "jour</TITLE></ORVANEUPDATE>"}) {
        package.WriteDescription(xml);
        EXPECT_EQ(Codes(CheckPackage(package.Path())).count("encoding-mismatch"), 0u) << xml;
    }
}

TEST(PackageCheckFolder, AWildcardThatPicksThePackagesOwnFileSaysWhichItPicked) {
    PackageFolder package;
    package.AddFile(L"a.bin", "12345");
    package.WriteDescription(
        Good(std::string(kFile1) + "<UPDATEFILE ID=\"2\" SELECTOR=\"2\" FILENAME=\"*.xml\"/>\n" +
             "<UPDATEFILE ID=\"3\" SELECTOR=\"3\" FILENAME=\"tavikupdate.SHA256\"/>\n"));
    package.AddFile(L"TAVIKUpdate.sha256", "not yet");
    const PackageReport report = CheckPackage(package.Path());
    std::vector<std::wstring> messages;
    for (const PackageNote& note : report.notes) {
        if (std::string(note.code) == "picks-package-file") {
            messages.push_back(note.message);
        }
    }
    ASSERT_EQ(messages.size(), 2u) << Dump(report);
    EXPECT_NE(messages[0].find(L"FILENAME \"*.xml\" picks \"TAVIKUpdate.xml\", the package's "
                               L"description"),
              std::wstring::npos)
        << messages[0].c_str();
    EXPECT_NE(messages[1].find(L"the package's manifest"), std::wstring::npos);
}

TEST(PackageCheckFolder, TheDescriptionsPathOrTheWorkingFolderGetsAHint) {
    PackageFolder package;
    package.WriteDescription(Good(kFile1));
    const auto hint = [](const PackageReport& report) {
        for (const PackageNote& note : report.notes) {
            if (std::string(note.code) == "folder-hint") {
                return note.message;
            }
        }
        return std::wstring();
    };
    const PackageReport file = CheckPackage(package.Path() + L"\\TAVIKUpdate.xml");
    EXPECT_EQ(hint(file), package.Path() +
                              L"\\TAVIKUpdate.xml is the description itself: "
                              L"pass its folder, " +
                              package.Path());
    const PackageReport working = CheckPackage(package.Outside().Path());
    EXPECT_NE(hint(working).find(L"is the updater's working folder"), std::wstring::npos);
    EXPECT_EQ(ExitStatus(working), 2) << "a hint does not make the package readable";

    // Run inside the package with no folder given, which means .\UPDATEFILES.
    wchar_t before[MAX_PATH] = {};
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, before), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(package.Path().c_str()));
    const PackageReport inside = CheckPackage(kPackageFolder);
    ASSERT_TRUE(SetCurrentDirectoryW(before));
    EXPECT_EQ(hint(inside), L"this folder holds TAVIKUpdate.xml: it is the package; pass .");
}

TEST(PackageCheckFolder, AManifestIsNotWrittenForAPackageWithErrors) {
    PackageFolder package;
    package.WriteDescription(Good("<UPDATEFILE ID=\"1\" FILENAME=\"absent.bin\"/>\n"));
    const PackageReport report = CheckPackage(package.Path(), true);
    EXPECT_EQ(report.manifest, ManifestState::NotWritten);
    EXPECT_EQ(Codes(report).count("manifest-not-written"), 1u) << Dump(report);
    EXPECT_FALSE(FileExists(package.Path() + L"\\TAVIKUpdate.sha256"));
}

TEST(PackageCheckFolder, DigestsAreThoseOfTheBytesOnDisk) {
    Sha256 empty;
    EXPECT_EQ(empty.Finish(), kEmptyDigest);
    Sha256 split;
    split.Add("a", 1);
    split.Add("bc", 2);
    EXPECT_EQ(split.Finish(), kAbcDigest);

    PackageFolder package;
    package.WriteDescription(Good(kFile1));
    package.AddFile(L"a.bin", "abc");
    const PackageReport report = CheckPackage(package.Path());
    EXPECT_EQ(report.entries[0].sha256, kAbcDigest) << "unpadded: the image as it lies on disk";
    const nlohmann::json json = nlohmann::json::parse(FormatPackageJson(report));
    EXPECT_EQ(json["entries"][0]["sha256"], kAbcDigest);
    EXPECT_EQ(json["descriptionSha256"].get<std::string>().size(), 64u);
}

class PackageManifestOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        package.WriteDescription(
            Good(std::string(kFile1) +
                 "<UPDATEFILE ID=\"2\" SELECTOR=\"2\" FILENAME=\"b*.bin\"/>\n"
                 "<UPDATEFILE ID=\"3\" SELECTOR=\"3\" FILENAME=\"A.BIN\"/>\n"));
        package.AddFile(L"a.bin", "abc");
        package.AddFile(L"b_0102.bin", "second");
        const PackageReport written = CheckPackage(package.Path(), true);
        ASSERT_EQ(written.manifest, ManifestState::Written) << Dump(written);
        ASSERT_EQ(written.manifestFiles, 3u) << "the description and two files, once each";
    }
    std::string Manifest() const { return ReadBytes(package.Path() + L"\\TAVIKUpdate.sha256"); }
    PackageReport Verify() const { return CheckPackage(package.Path()); }

    PackageFolder package;
};

TEST_F(PackageManifestOnDisk, WrittenAsSha256sumWritesIt) {
    const std::string manifest = Manifest();
    EXPECT_EQ(manifest.find(std::string(kAbcDigest) + " *a.bin\n"), manifest.find('\n') + 1)
        << "the description first, then the images in the order of their IDs:\n"
        << manifest;
    EXPECT_EQ(manifest.find(" *TAVIKUpdate.xml\n"), 64u);
    EXPECT_NE(manifest.find(" *b_0102.bin\n"), std::string::npos) << "the name found, not FILENAME";
    const PackageReport verified = Verify();
    EXPECT_EQ(verified.manifest, ManifestState::Verified) << Dump(verified);
    EXPECT_EQ(ExitStatus(verified), 0) << Dump(verified);
}

// sha256sum -c reads the names where letter case counts: the description's line must be spelt
// as the folder spells it.
TEST_F(PackageManifestOnDisk, ALowerCaseDescriptionIsListedAsSpeltAndVerified) {
    const std::wstring description = package.Path() + L"\\TAVIKUpdate.xml";
    const std::string bytes = ReadBytes(description);
    ASSERT_TRUE(DeleteFileW(description.c_str()));
    package.AddFile(L"tavikupdate.xml", bytes);
    ASSERT_EQ(CheckPackage(package.Path(), true).manifest, ManifestState::Written);
    EXPECT_EQ(Manifest().find(" *tavikupdate.xml\n"), 64u) << Manifest();
    const PackageReport verified = Verify();
    EXPECT_EQ(verified.manifest, ManifestState::Verified) << Dump(verified);
    EXPECT_EQ(ExitStatus(verified), 0) << Dump(verified);
}

TEST_F(PackageManifestOnDisk, AChangedImageIsAMismatch) {
    package.AddFile(L"b_0102.bin", "tampered");
    const PackageReport report = Verify();
    EXPECT_EQ(report.manifest, ManifestState::Failed);
    ASSERT_EQ(Codes(report).count("digest-mismatch"), 1u) << Dump(report);
    for (const PackageNote& note : report.notes) {
        if (std::string(note.code) == "digest-mismatch") {
            EXPECT_EQ(note.entry, 2);
            EXPECT_NE(note.message.find(L"b_0102.bin"), std::wstring::npos);
            EXPECT_EQ(note.severity, NoteSeverity::Error);
        }
    }
}

TEST_F(PackageManifestOnDisk, AListedImageThatIsGoneIsMissing) {
    ASSERT_TRUE(DeleteFileW((package.Path() + L"\\b_0102.bin").c_str()));
    const PackageReport report = Verify();
    EXPECT_EQ(Codes(report).count("digest-missing"), 1u) << Dump(report);
    EXPECT_EQ(ExitStatus(report), 2);
}

TEST_F(PackageManifestOnDisk, AnImageTheManifestDoesNotNameIsUnlisted) {
    std::string manifest = Manifest();
    const size_t line = manifest.find(" *b_0102.bin\n") - 64;
    manifest.erase(line, 64 + 13);
    WriteBytes(package.Path() + L"\\TAVIKUpdate.sha256", manifest);
    const PackageReport report = Verify();
    EXPECT_EQ(Codes(report).count("digest-unlisted"), 1u) << Dump(report);
    EXPECT_EQ(Codes(report).count("digest-mismatch"), 0u);
}

TEST_F(PackageManifestOnDisk, AManifestThatCannotBeReadWrittenOrUnderstood) {
    const std::wstring path = package.Path() + L"\\TAVIKUpdate.sha256";
    {
        const UniqueHandle held(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        const PackageReport report = Verify();
        EXPECT_EQ(Codes(report).count("manifest-unreadable"), 1u) << Dump(report);
        EXPECT_EQ(report.manifest, ManifestState::Failed);
    }
    WriteBytes(path, Manifest() + "not a digest *main.bin\n");
    EXPECT_EQ(Codes(Verify()).count("manifest-malformed"), 1u);

    const UniqueHandle held(CreateFileW((package.Path() + L"\\a.bin").c_str(), GENERIC_READ, 0,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    const PackageReport report = CheckPackage(package.Path(), true);
    EXPECT_EQ(Codes(report).count("manifest-not-written"), 1u) << Dump(report);
    EXPECT_EQ(report.manifest, ManifestState::NotWritten);
    EXPECT_NE(Manifest().find("not a digest"), std::string::npos) << "the old one left as it was";
}

TEST(PackageCheckFolder, MutatedDescriptionsNeverBreakIt) {
    const std::string sample = Good(std::string(kFile1) +
                                    "<UPDATEFILE ID=\"2\" TOOLTIP=\"Logic\" FILENAME=\"a*\" "
                                    "TIMEOUT=\" 45s\"/>\n");
    std::mt19937 random(20261208);
    PackageFolder package;
    package.AddFile(L"a.bin", "12345");
    for (int i = 0; i < 60; ++i) {
        std::string xml = sample;
        switch (i % 3) {
            case 0:  // cut off
                xml.resize(random() % xml.size());
                break;
            case 1:  // bytes flipped
                for (int n = 0; n < 4; ++n) {
                    xml[random() % xml.size()] = static_cast<char>(random() & 0xFF);
                }
                break;
            default: {  // a stretch repeated
                const size_t from = random() % xml.size();
                xml.insert(from, xml.substr(from, random() % 40));
                break;
            }
        }
        package.WriteDescription(xml);
        const PackageReport report = CheckPackage(package.Path());
        const nlohmann::json json =
            nlohmann::json::parse(FormatPackageJson(report), nullptr, false);
        ASSERT_TRUE(json.is_object()) << i;
        EXPECT_EQ(json["entries"].size(), 5u) << i;
        EXPECT_FALSE(FormatPackageText(report).empty());
    }
}
