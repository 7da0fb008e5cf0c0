// A DLL planted beside the programs under a system DLL's name is never loaded: one left in a
// download folder, or put on the same USB stick as the package. Windows' search order is forced
// in the prefix, where Wine would otherwise take its own DLL first; the planted DLL leaves a mark
// if it is ever loaded; an update with the trace on, an offline check and TAVIKInfo all end as
// usual, without a mark.
#include <nlohmann/json.hpp>

#include <cwchar>
#include <sstream>

#include "ConsoleRun.h"
#include "ThisProgram.h"
#include "UpdaterRun.h"

namespace e2e {
namespace {

// The non-known system DLLs that the programs and the library use, and comctl32.dll, which
// TAVIKUpdate's manifest takes from the side-by-side store.
const wchar_t* const kPlanted[] = {L"xmllite.dll", L"bcrypt.dll", L"comctl32.dll"};

// Windows' search order for these DLLs in the prefix while the object lives: a DLL in a
// program's folder is taken before the system's, as on Windows.
class WindowsSearchOrder {
public:
    WindowsSearchOrder() {
        ok_ = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", 0, nullptr, 0,
                              KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                              nullptr) == ERROR_SUCCESS;
        for (const wchar_t* dll : kPlanted) {
            const std::wstring name = std::wstring(dll).substr(0, wcslen(dll) - 4);
            wchar_t value[64] = {};
            DWORD size = sizeof(value) - sizeof(wchar_t);
            const bool had =
                ok_ && RegQueryValueExW(key_, name.c_str(), nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
            saved_.push_back({name, had, value});
            static const wchar_t kOrder[] = L"native,builtin";
            ok_ = ok_ && RegSetValueExW(key_, name.c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(kOrder),
                                        sizeof(kOrder)) == ERROR_SUCCESS;
        }
    }
    ~WindowsSearchOrder() {
        for (const Saved& saved : saved_) {
            if (saved.had) {
                RegSetValueExW(key_, saved.name.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(saved.value.c_str()),
                               static_cast<DWORD>((saved.value.size() + 1) * sizeof(wchar_t)));
            } else {
                RegDeleteValueW(key_, saved.name.c_str());
            }
        }
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    WindowsSearchOrder(const WindowsSearchOrder&) = delete;
    WindowsSearchOrder& operator=(const WindowsSearchOrder&) = delete;
    bool ok() const { return ok_; }

private:
    struct Saved {
        std::wstring name;
        bool had;
        std::wstring value;
    };
    HKEY key_ = nullptr;
    bool ok_ = false;
    std::vector<Saved> saved_;
};

// The marks planted DLLs left in `folder`.
std::vector<std::wstring> MarksIn(const std::wstring& folder) {
    std::vector<std::wstring> marks;
    WIN32_FIND_DATAW found;
    const UniqueFindHandle search(FindFirstFileW((folder + L"\\*.ran").c_str(), &found));
    if (search) {
        do {
            marks.push_back(found.cFileName);
        } while (FindNextFileW(search.get(), &found));
    }
    return marks;
}

class PlantedLibraries : public UpdaterRun {
protected:
    void TearDown() override {
        SetEnvironmentVariableW(L"TAVIK_TRACE", nullptr);
        UpdaterRun::TearDown();
    }

    // The planted DLLs and `programs` in `where`.
    void Lay(const std::wstring& where, std::initializer_list<const wchar_t*> programs) {
        for (const wchar_t* dll : kPlanted) {
            ASSERT_TRUE(CopyFileW(BesideThisProgram(L"planted_library.dll").c_str(),
                                  (where + L"\\" + dll).c_str(), FALSE));
        }
        for (const wchar_t* program : programs) {
            ASSERT_TRUE(CopyFileW(BesideThisProgram(program).c_str(),
                                  (where + L"\\" + program).c_str(), FALSE));
        }
    }

    // Without this the case would prove nothing: a DLL looked for by name in a folder that
    // holds a planted one is taken from there in this prefix now.
    void ExpectPlantedOneTakenByName() {
        ASSERT_TRUE(SetDllDirectoryW(folder.Path().c_str()));
        HMODULE module = LoadLibraryW(L"xmllite.dll");
        SetDllDirectoryW(nullptr);
        ASSERT_NE(module, nullptr);
        FreeLibrary(module);
        ASSERT_EQ(MarksIn(folder.Path()), std::vector<std::wstring>{L"xmllite.dll.ran"})
            << "Windows' search order is not in force: the planted DLL was not taken";
        ASSERT_TRUE(DeleteFileW((folder.Path() + L"\\xmllite.dll.ran").c_str()));
    }

    std::wstring TracePath() const { return folder.Path() + L"\\session.jsonl"; }
};

TEST_F(PlantedLibraries, NoneRunsInAnUpdateWithTheTraceAnOfflineCheckOrTAVIKInfo) {
    const WindowsSearchOrder order;
    ASSERT_TRUE(order.ok());
    const std::wstring tools = folder.Path() + L"\\tools";  // TAVIKPackageCheck on its own
    ASSERT_TRUE(CreateDirectoryW(tools.c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(Lay(folder.Path(), {L"TAVIKInfo.exe"}));
    ASSERT_NO_FATAL_FAILURE(Lay(tools, {L"TAVIKPackageCheck.exe"}));
    ASSERT_NO_FATAL_FAILURE(ExpectPlantedOneTakenByName());

    // An update, recorded: the image is larger than a trace copies, so the library digests it.
    ASSERT_NO_FATAL_FAILURE(WritePackage(StandardPackage()));
    ASSERT_NO_FATAL_FAILURE(WriteImage(L"main.bin", ImageBytes(4096, 1)));
    ASSERT_NO_FATAL_FAILURE(AttachCamera());
    ASSERT_TRUE(SetEnvironmentVariableW(L"TAVIK_TRACE", TracePath().c_str()));
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND box = nullptr;
    ASSERT_NO_FATAL_FAILURE(UpdateUntilBox(L"Finished", &box));
    ASSERT_NO_FATAL_FAILURE(AnswerAndExpectExit(box, IDOK));

    // TAVIKInfo, recorded into the same file; the check, offline, without the library beside it.
    ConsoleRun info(folder.Path() + L"\\TAVIKInfo.exe", L"--json", folder.Path());
    ASSERT_TRUE(info.ok());
    ASSERT_TRUE(info.WaitExit(20000));
    EXPECT_EQ(info.exitCode(), 0u) << info.errors();
    SetEnvironmentVariableW(L"TAVIK_TRACE", nullptr);
    ConsoleRun check(tools + L"\\TAVIKPackageCheck.exe", L"..\\UPDATEFILES", tools);
    ASSERT_TRUE(check.ok());
    ASSERT_TRUE(check.WaitExit(20000));
    EXPECT_LE(check.exitCode(), 1u) << check.output() << check.errors();
    EXPECT_NE(check.output().find("sha256 "), std::string::npos) << check.output();
    // --camera alone needs the library, and says in one line where it looked.
    ConsoleRun camera(tools + L"\\TAVIKPackageCheck.exe", L"--camera ..\\UPDATEFILES", tools);
    ASSERT_TRUE(camera.ok());
    ASSERT_TRUE(camera.WaitExit(20000));
    EXPECT_EQ(camera.exitCode(), 4u);
    const std::string said = camera.errors();
    EXPECT_NE(said.find("TAVIKPackageCheck: the camera library is missing: looked for "),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("tools\\TAVIKUtilDll.dll\r\n"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line";

    EXPECT_EQ(MarksIn(folder.Path()), std::vector<std::wstring>{});
    EXPECT_EQ(MarksIn(tools), std::vector<std::wstring>{});
    // Both sessions recorded; the write's image digested by the system's own bcrypt.dll.
    const auto bytes = ReadFileBytes(TracePath());
    ASSERT_TRUE(bytes.has_value()) << "no trace";
    std::istringstream trace(std::string(bytes->begin(), bytes->end()));
    size_t sessions = 0;
    std::string digest;
    for (std::string text; std::getline(trace, text);) {
        const auto line = nlohmann::json::parse(text, nullptr, false);
        ASSERT_FALSE(line.is_discarded()) << text;
        sessions += line.contains("schemaVersion") ? 1 : 0;
        if (line.contains("imageSha256")) {
            digest = line["imageSha256"].get<std::string>();
        }
    }
    EXPECT_EQ(sessions, 2u);
    EXPECT_EQ(digest.size(), 64u) << digest;
}

}  // namespace
}  // namespace e2e
