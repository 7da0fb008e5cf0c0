// TAVIKUpdate.exe's resources as the program carries them, read back from the file; and the
// manifests of the tools beside it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ThisProgram.h"
#include "UniqueAny.h"

namespace {

constexpr WORD kJapanese = 0x0411;
constexpr WORD kUsEnglish = 0x0409;

// --- The expected dialog, as data ----------------------------------------------------------

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kListBoxAtom = 0x0083;

struct ExpectedControl {
    const char* name;
    int id;
    const wchar_t* className;
    WORD classAtom;       // 0: the class is known by name only
    const wchar_t* text;  // null: the text is the ordinal below
    WORD textOrdinal;
    short x, y, cx, cy;
    DWORD style;
};

const ExpectedControl kControls[] = {
    {"logo", -1, L"Static", kStaticAtom, nullptr, 129, 8, 8, 18, 18, 0x5000000E},
    {"IDC_TITLE", 1007, L"Static", kStaticAtom, L"Orvane Update", 0, 32, 8, 248, 18, 0x50020200},
    {"IDC_CAUTION", 1006, L"Static", kStaticAtom,
     L"Caution : Don't turn off the power or pull out the cable while executing!!", 0, 8, 32, 272,
     8, 0x50020201},
    {"IDC_DEVNAME", 1014, L"Static", kStaticAtom, L"Orvane", 0, 8, 48, 40, 16, 0x50020200},
    {"IDC_UPDATE", 1002, L"Button", kButtonAtom, L"Update", 0, 176, 80, 48, 16, 0x50010000},
    {"IDC_EXIT", 1003, L"Button", kButtonAtom, L"Exit", 0, 232, 80, 48, 16, 0x50010000},
    {"IDC_DATA", 1015, L"Static", kStaticAtom, L"DATA", 0, 8, 104, 32, 8, 0x50020200},
    {"IDC_FILE1", 1009, L"Static", kStaticAtom, L"1", 0, 40, 104, 16, 8, 0x50020301},
    {"IDC_FILE2", 1010, L"Static", kStaticAtom, L"2", 0, 56, 104, 16, 8, 0x50020301},
    {"IDC_FILE3", 1011, L"Static", kStaticAtom, L"3", 0, 72, 104, 16, 8, 0x50020301},
    {"IDC_FILE4", 1012, L"Static", kStaticAtom, L"4", 0, 88, 104, 16, 8, 0x50020301},
    {"IDC_FILE5", 1013, L"Static", kStaticAtom, L"5", 0, 104, 104, 16, 8, 0x50020301},
    {"0% label", -1, L"Static", kStaticAtom, L"0%", 0, 16, 114, 24, 8, 0x50020000},
    {"100% label", -1, L"Static", kStaticAtom, L"100%", 0, 248, 114, 24, 8, 0x50020002},
    {"IDC_PROGRESS", 1005, L"msctls_progress32", 0, L"", 0, 16, 122, 256, 14, 0x50800000},
    {"IDC_VERSION_LIST", 1017, L"ListBox", kListBoxAtom, L"", 0, 8, 64, 272, 12, 0x50A10103},
};

// --- Reading resources ---------------------------------------------------------------------

// A name or an ordinal, as templates store classes and texts.
struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::wstring name;
};

// Reads a dialog template field by field, failing the test (and reading zeros) past the end.
class TemplateReader {
public:
    TemplateReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    template <typename T>
    T Read() {
        T value{};
        if (offset_ + sizeof value > size_) {
            ADD_FAILURE() << "template ends at " << size_ << ", reading at " << offset_;
            offset_ = size_;
            return value;
        }
        std::memcpy(&value, data_ + offset_, sizeof value);
        offset_ += sizeof value;
        return value;
    }
    std::wstring ReadString() {
        std::wstring text;
        for (WORD c = Read<WORD>(); c != 0 && offset_ < size_; c = Read<WORD>()) {
            text += static_cast<wchar_t>(c);
        }
        return text;
    }
    NameOrOrdinal ReadNameOrOrdinal() {
        NameOrOrdinal result;
        const std::size_t start = offset_;
        const WORD first = Read<WORD>();
        if (first == 0xFFFF) {
            result.isOrdinal = true;
            result.ordinal = Read<WORD>();
        } else if (first != 0) {
            offset_ = start;
            result.name = ReadString();
        }
        return result;
    }
    void AlignTo(std::size_t alignment) { offset_ = (offset_ + alignment - 1) & ~(alignment - 1); }
    void Skip(std::size_t bytes) { offset_ += bytes; }
    std::size_t Offset() const { return offset_; }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

struct DialogControl {
    DWORD exStyle, style;
    short x, y, cx, cy;
    DWORD id;
    NameOrOrdinal windowClass, title;
};

struct Dialog {
    WORD dlgVer, signature;
    DWORD exStyle, style;
    short x, y, cx, cy;
    NameOrOrdinal menu, windowClass;
    std::wstring title;
    WORD pointSize, weight;
    BYTE italic, charset;
    std::wstring typeface;
    std::vector<DialogControl> controls;
};

Dialog ParseDialogTemplateEx(const unsigned char* data, std::size_t size) {
    TemplateReader r(data, size);
    Dialog d{};
    d.dlgVer = r.Read<WORD>();
    d.signature = r.Read<WORD>();
    r.Read<DWORD>();  // helpID
    d.exStyle = r.Read<DWORD>();
    d.style = r.Read<DWORD>();
    const WORD count = r.Read<WORD>();
    d.x = r.Read<short>();
    d.y = r.Read<short>();
    d.cx = r.Read<short>();
    d.cy = r.Read<short>();
    d.menu = r.ReadNameOrOrdinal();
    d.windowClass = r.ReadNameOrOrdinal();
    d.title = r.ReadString();
    if ((d.style & (DS_SETFONT | DS_SHELLFONT)) != 0) {
        d.pointSize = r.Read<WORD>();
        d.weight = r.Read<WORD>();
        d.italic = r.Read<BYTE>();
        d.charset = r.Read<BYTE>();
        d.typeface = r.ReadString();
    }
    for (WORD i = 0; i < count && r.Offset() < size; ++i) {
        r.AlignTo(4);
        DialogControl c{};
        r.Read<DWORD>();  // helpID
        c.exStyle = r.Read<DWORD>();
        c.style = r.Read<DWORD>();
        c.x = r.Read<short>();
        c.y = r.Read<short>();
        c.cx = r.Read<short>();
        c.cy = r.Read<short>();
        c.id = r.Read<DWORD>();
        c.windowClass = r.ReadNameOrOrdinal();
        c.title = r.ReadNameOrOrdinal();
        r.Skip(r.Read<WORD>());  // creation data
        d.controls.push_back(c);
    }
    return d;
}

// A node of a version resource: key, value (text or bytes) and children.
struct VersionNode {
    std::wstring key;
    bool isText = false;
    std::wstring text;
    std::vector<unsigned char> bytes;
    std::vector<VersionNode> children;
};

// Parses the node at `offset`; false if it does not fit in `size`.
bool ParseVersionNode(const unsigned char* data, std::size_t offset, std::size_t size,
                      VersionNode& node) {
    WORD header[3];
    if (offset + sizeof header > size) {
        return false;
    }
    std::memcpy(header, data + offset, sizeof header);
    const std::size_t end = offset + header[0];
    if (header[0] < sizeof header || end > size) {
        return false;
    }
    node.isText = header[2] == 1;
    std::size_t at = offset + sizeof header;
    for (; at + 2 <= end; at += 2) {
        WORD c;
        std::memcpy(&c, data + at, 2);
        if (c == 0) {
            at += 2;
            break;
        }
        node.key += static_cast<wchar_t>(c);
    }
    at = (at + 3) & ~std::size_t{3};
    const std::size_t valueBytes = node.isText ? header[1] * 2u : header[1];
    if (at + valueBytes > end) {
        return false;
    }
    if (node.isText) {
        for (std::size_t i = 0; i + 2 <= valueBytes; i += 2) {
            WORD c;
            std::memcpy(&c, data + at + i, 2);
            if (c == 0) {
                break;
            }
            node.text += static_cast<wchar_t>(c);
        }
    } else {
        node.bytes.assign(data + at, data + at + valueBytes);
    }
    at = (at + valueBytes + 3) & ~std::size_t{3};
    while (at < end) {
        VersionNode child;
        if (!ParseVersionNode(data, at, end, child)) {
            return false;
        }
        WORD length;
        std::memcpy(&length, data + at, 2);
        node.children.push_back(std::move(child));
        at = (at + length + 3) & ~std::size_t{3};
    }
    return true;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
    return TRUE;
}

class ProgramResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        path_ = BesideThisProgram(L"TAVIKUpdate.exe");
        ASSERT_FALSE(path_.empty());
        module_ = LoadLibraryExW(path_.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(nullptr, module_) << "error " << GetLastError();
    }
    static void TearDownTestSuite() {
        if (module_ != nullptr) {
            FreeLibrary(module_);
            module_ = nullptr;
        }
    }
    void SetUp() override { ASSERT_NE(nullptr, module_); }

    // The resource's bytes in exactly `language`; empty (and a failure) if it is not there.
    static std::vector<unsigned char> Resource(LPCWSTR type, LPCWSTR name, WORD language) {
        HRSRC found = FindResourceExW(module_, type, name, language);
        EXPECT_NE(nullptr, found) << "language " << std::hex << language;
        HGLOBAL loaded = found != nullptr ? LoadResource(module_, found) : nullptr;
        const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (bytes == nullptr) {
            return {};
        }
        const auto* begin = static_cast<const unsigned char*>(bytes);
        return std::vector<unsigned char>(begin, begin + SizeofResource(module_, found));
    }

    static std::vector<WORD> Languages(LPCWSTR type, LPCWSTR name) {
        std::vector<WORD> languages;
        EnumResourceLanguagesW(module_, type, name, AddLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        return languages;
    }

    static HMODULE module_;
    static std::wstring path_;
};

HMODULE ProgramResources::module_ = nullptr;
std::wstring ProgramResources::path_;

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::string Describe(const NameOrOrdinal& value) {
    return value.isOrdinal ? "#" + std::to_string(value.ordinal) : "\"" + Narrow(value.name) + "\"";
}

// The manifest as Windows reads it: an activation context made from the program's manifest
// resource. A manifest the system cannot read gives none, and such a program does not start.
struct ActivationContextTraits {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { ReleaseActCtx(h); }
};
using UniqueActivationContext = UniqueAny<ActivationContextTraits>;

UniqueActivationContext ManifestContext(const std::wstring& program) {
    ACTCTXW context = {};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = program.c_str();
    context.lpResourceName = MAKEINTRESOURCEW(1);
    return UniqueActivationContext(CreateActCtxW(&context));
}

// A windowsSettings value of the manifest, as the system reads it; empty when it is not set.
std::wstring ManifestSetting(HANDLE context, const wchar_t* settingsNamespace,
                             const wchar_t* name) {
    wchar_t value[64] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, context, settingsNamespace, name, value, std::size(value),
                              &written)) {
        return std::wstring();
    }
    return value;
}

constexpr const char* kSupportedSystems[] = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
};

// Each system is declared once, inside the compatibility section.
void ExpectSupportedSystems(const std::string& manifest) {
    const std::size_t section =
        manifest.find("<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">");
    const std::size_t end = manifest.find("</compatibility>");
    ASSERT_NE(std::string::npos, section);
    ASSERT_NE(std::string::npos, end);
    for (const char* id : kSupportedSystems) {
        const std::string element = std::string("<supportedOS Id=\"") + id + "\"/>";
        const std::size_t at = manifest.find(element);
        EXPECT_TRUE(at > section && at < end) << element;
        EXPECT_EQ(std::string::npos, manifest.find(element, at + 1)) << element << " twice";
    }
}

}  // namespace

TEST_F(ProgramResources, EachResourceHasItsOneLanguage) {
    EXPECT_EQ(std::vector<WORD>{kJapanese}, Languages(RT_DIALOG, MAKEINTRESOURCEW(102)));
    EXPECT_EQ(std::vector<WORD>{kJapanese}, Languages(RT_GROUP_ICON, MAKEINTRESOURCEW(128)));
    for (int logo : {129, 130, 131}) {
        EXPECT_EQ(std::vector<WORD>{kJapanese}, Languages(RT_BITMAP, MAKEINTRESOURCEW(logo)))
            << "logo " << logo;
    }
    EXPECT_EQ(std::vector<WORD>{kJapanese}, Languages(RT_VERSION, MAKEINTRESOURCEW(1)));
    EXPECT_EQ(std::vector<WORD>{kUsEnglish}, Languages(RT_MANIFEST, MAKEINTRESOURCEW(1)));
}

TEST_F(ProgramResources, UpdateDialogTemplate) {
    const std::vector<unsigned char> bytes = Resource(RT_DIALOG, MAKEINTRESOURCEW(102), kJapanese);
    ASSERT_FALSE(bytes.empty());
    const Dialog d = ParseDialogTemplateEx(bytes.data(), bytes.size());
    EXPECT_EQ(1, d.dlgVer);
    EXPECT_EQ(0xFFFF, d.signature) << "an extended template";
    EXPECT_EQ(0x90C000C0u, d.style);
    EXPECT_EQ(0x00040000u, d.exStyle);
    EXPECT_EQ(0, d.x);
    EXPECT_EQ(0, d.y);
    EXPECT_EQ(287, d.cx);
    EXPECT_EQ(145, d.cy);
    EXPECT_FALSE(d.menu.isOrdinal || !d.menu.name.empty()) << "no menu";
    EXPECT_FALSE(d.windowClass.isOrdinal || !d.windowClass.name.empty()) << "the dialog class";
    EXPECT_EQ(L"TAVIK Update 1.0.0", d.title);
    EXPECT_EQ(9, d.pointSize);
    EXPECT_EQ(400, d.weight);
    EXPECT_EQ(0, d.italic);
    EXPECT_EQ(0, d.charset);
    EXPECT_EQ(L"Tahoma", d.typeface);

    ASSERT_EQ(std::size(kControls), d.controls.size());
    for (std::size_t i = 0; i < d.controls.size(); ++i) {
        const ExpectedControl& e = kControls[i];
        const DialogControl& c = d.controls[i];
        SCOPED_TRACE(std::string("control ") + std::to_string(i) + " " + e.name);
        EXPECT_EQ(e.id, static_cast<int>(c.id));
        const bool classMatches = c.windowClass.isOrdinal
                                      ? (e.classAtom != 0 && c.windowClass.ordinal == e.classAtom)
                                      : lstrcmpiW(c.windowClass.name.c_str(), e.className) == 0;
        EXPECT_TRUE(classMatches) << "class " << Describe(c.windowClass);
        if (e.text == nullptr) {
            EXPECT_TRUE(c.title.isOrdinal && c.title.ordinal == e.textOrdinal)
                << "text " << Describe(c.title);
        } else {
            EXPECT_FALSE(c.title.isOrdinal);
            EXPECT_EQ(e.text, c.title.name);
        }
        EXPECT_EQ(e.x, c.x);
        EXPECT_EQ(e.y, c.y);
        EXPECT_EQ(e.cx, c.cx);
        EXPECT_EQ(e.cy, c.cy);
        EXPECT_EQ(e.style, c.style) << std::hex << "0x" << c.style;
        EXPECT_EQ(0u, c.exStyle);
    }
}

// The small and the big icon, and the logo, for 100 %, 150 % and 200 %.
TEST_F(ProgramResources, IconAndLogoComeForEachScaleAt24Bits) {
    const std::vector<unsigned char> group =
        Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(128), kJapanese);
    constexpr BYTE kIconSizes[] = {16, 24, 32, 48, 64};
    // GRPICONDIR (6 bytes) and a GRPICONDIRENTRY (14 bytes) for each image.
    ASSERT_EQ(6u + 14u * std::size(kIconSizes), group.size());
    WORD directory[3];
    std::memcpy(directory, group.data(), sizeof directory);
    EXPECT_EQ(0, directory[0]);
    EXPECT_EQ(1, directory[1]) << "an icon";
    EXPECT_EQ(std::size(kIconSizes), directory[2]);
    for (std::size_t i = 0; i < std::size(kIconSizes); ++i) {
        const int size = kIconSizes[i];
        SCOPED_TRACE("icon image of " + std::to_string(size) + " pixels");
        const unsigned char* entry = group.data() + 6 + 14 * i;
        EXPECT_EQ(size, entry[0]);
        EXPECT_EQ(size, entry[1]);
        WORD planes, bitCount, iconId;
        std::memcpy(&planes, entry + 4, 2);
        std::memcpy(&bitCount, entry + 6, 2);
        std::memcpy(&iconId, entry + 12, 2);
        EXPECT_EQ(1, planes);
        EXPECT_EQ(24, bitCount);

        const std::vector<unsigned char> icon =
            Resource(RT_ICON, MAKEINTRESOURCEW(iconId), kJapanese);
        const std::size_t pixels = static_cast<std::size_t>(size) * ((size * 3 + 3) & ~3);
        const std::size_t mask = static_cast<std::size_t>(size) * ((size + 31) / 32 * 4);
        ASSERT_EQ(sizeof(BITMAPINFOHEADER) + pixels + mask, icon.size());
        BITMAPINFOHEADER iconHeader;
        std::memcpy(&iconHeader, icon.data(), sizeof iconHeader);
        EXPECT_EQ(size, iconHeader.biWidth);
        EXPECT_EQ(size * 2, iconHeader.biHeight) << "colour image and mask";
        EXPECT_EQ(24, iconHeader.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), iconHeader.biCompression);
        HICON made = CreateIconFromResourceEx(const_cast<PBYTE>(icon.data()),
                                              static_cast<DWORD>(icon.size()), TRUE, 0x00030000,
                                              size, size, LR_DEFAULTCOLOR);
        EXPECT_NE(nullptr, made) << "the system takes the image as an icon";
        if (made != nullptr) {
            DestroyIcon(made);
        }
    }

    const std::pair<int, int> logos[] = {{129, 32}, {130, 48}, {131, 64}};
    for (const auto& [id, size] : logos) {
        SCOPED_TRACE("logo " + std::to_string(id));
        const std::vector<unsigned char> logo =
            Resource(RT_BITMAP, MAKEINTRESOURCEW(id), kJapanese);
        const std::size_t pixels = static_cast<std::size_t>(size) * ((size * 3 + 3) & ~3);
        ASSERT_EQ(sizeof(BITMAPINFOHEADER) + pixels, logo.size());
        BITMAPINFOHEADER logoHeader;
        std::memcpy(&logoHeader, logo.data(), sizeof logoHeader);
        EXPECT_EQ(sizeof(BITMAPINFOHEADER), logoHeader.biSize);
        EXPECT_EQ(size, logoHeader.biWidth);
        EXPECT_EQ(size, logoHeader.biHeight < 0 ? -logoHeader.biHeight : logoHeader.biHeight);
        EXPECT_EQ(24, logoHeader.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), logoHeader.biCompression);
        EXPECT_EQ(0u, logoHeader.biClrUsed) << "no colour table at 24 bits";
    }
}

TEST_F(ProgramResources, ManifestAsksForCommonControls6AsInvokerDpiAwareOnWindows7To11) {
    const std::vector<unsigned char> bytes = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1), kUsEnglish);
    const std::string text(bytes.begin(), bytes.end());
    for (const char* part :
         {"level=\"asInvoker\"", "uiAccess=\"false\"", "name=\"Microsoft.Windows.Common-Controls\"",
          "version=\"6.0.0.0\"", "processorArchitecture=\"x86\"",
          "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\""}) {
        EXPECT_NE(std::string::npos, text.find(part)) << part;
    }
    EXPECT_NE(std::string::npos, text.find("<dependentAssembly>"));
    ExpectSupportedSystems(text);

    const UniqueActivationContext context = ManifestContext(path_);
    ASSERT_TRUE(context) << "the system cannot read the manifest, error " << GetLastError();
    EXPECT_EQ(L"true", ManifestSetting(context.get(), nullptr, L"dpiAware"))
        << "not system DPI aware: Windows would stretch the dialog as a bitmap";
}

// The console tools declare the same systems, and UTF-8 as their code page.
TEST(ToolManifests, SupportedSystemsAndUtf8) {
    for (const wchar_t* tool : {L"TAVIKInfo.exe", L"TAVIKPackageCheck.exe"}) {
        SCOPED_TRACE(Narrow(tool));
        const std::wstring path = BesideThisProgram(tool);
        HMODULE module = LoadLibraryExW(path.c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(nullptr, module) << "error " << GetLastError();
        HRSRC found = FindResourceExW(module, RT_MANIFEST, MAKEINTRESOURCEW(1), kUsEnglish);
        HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
        const auto* bytes =
            static_cast<const char*>(loaded != nullptr ? LockResource(loaded) : nullptr);
        const std::string text =
            bytes != nullptr ? std::string(bytes, SizeofResource(module, found)) : std::string();
        FreeLibrary(module);
        ASSERT_FALSE(text.empty()) << "no manifest";
        EXPECT_NE(std::string::npos, text.find("level=\"asInvoker\"")) << text;
        ExpectSupportedSystems(text);
        EXPECT_NE(std::string::npos,
                  text.find("<activeCodePage "
                            "xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">"
                            "UTF-8</activeCodePage>"))
            << text;
        EXPECT_TRUE(ManifestContext(path)) << "the system cannot read the manifest";
    }
}

TEST_F(ProgramResources, VersionValuesAndStrings) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path_.c_str(), &ignored);
    ASSERT_NE(0u, size) << "error " << GetLastError();
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    ASSERT_GE(fixedSize, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(MAKELONG(0, 1), fixed->dwFileVersionMS);  // 1.0
    EXPECT_EQ(MAKELONG(1, 0), fixed->dwFileVersionLS);  // .0.1
    EXPECT_EQ(MAKELONG(0, 1), fixed->dwProductVersionMS);
    EXPECT_EQ(MAKELONG(1, 0), fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
    WORD* translation = nullptr;
    UINT translationSize = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &translationSize));
    ASSERT_EQ(4u, translationSize);
    EXPECT_EQ(kJapanese, translation[0]);
    EXPECT_EQ(932, translation[1]);

    // The string table, read from the resource itself: exactly these five strings.
    const std::vector<unsigned char> raw = Resource(RT_VERSION, MAKEINTRESOURCEW(1), kJapanese);
    VersionNode root;
    ASSERT_TRUE(ParseVersionNode(raw.data(), 0, raw.size(), root));
    EXPECT_EQ(L"VS_VERSION_INFO", root.key);
    std::map<std::wstring, std::map<std::wstring, std::wstring>> tables;
    for (const VersionNode& child : root.children) {
        if (child.key != L"StringFileInfo") {
            continue;
        }
        for (const VersionNode& table : child.children) {
            for (const VersionNode& entry : table.children) {
                EXPECT_TRUE(entry.isText) << Narrow(entry.key);
                tables[table.key][entry.key] = entry.text;
            }
        }
    }
    const std::map<std::wstring, std::wstring> expected = {
        {L"Comments", L"TAVIK Update"},
        {L"FileDescription", L"TAVIKUpdate Application"},
        {L"ProductName", L"TAVIKUpdate Application"},
        {L"InternalName", L"TAVIKUpdate.exe"},
        {L"OriginalFilename", L"TAVIKUpdate.exe"},
    };
    ASSERT_EQ(1u, tables.size());
    EXPECT_EQ(L"041103a4", tables.begin()->first);
    EXPECT_EQ(expected, tables.begin()->second);
}
