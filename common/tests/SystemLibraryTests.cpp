// System DLLs come from the system folder, whatever lies beside the program or in a folder the
// program added to the search.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>
#include <string>
#include <utility>
#include <vector>

#include "ImportPatch.h"
#include "SystemLibrary.h"
#include "TempFolder.h"
#include "ThisProgram.h"

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

std::wstring FileOf(HMODULE module) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

// The loader of a Windows that does not know the search flags (Vista, 7 without KB2533623):
// it refuses them as an invalid parameter. Each call's name and flags are kept.
decltype(&LoadLibraryExW) g_load = nullptr;
std::vector<std::pair<std::wstring, DWORD>> g_loads;

HMODULE WINAPI LoadWithoutSearchFlags(LPCWSTR name, HANDLE file, DWORD flags) {
    g_loads.emplace_back(name, flags);
    if ((flags & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return g_load(name, file, flags);
}

}  // namespace

TEST(SystemLibrary, ComesFromTheSystemFolderAlsoWhereTheSearchFlagsAreUnknown) {
    const std::wstring system = SystemFolder();
    ASSERT_FALSE(system.empty());
    HMODULE bcrypt = LoadSystemLibrary(L"bcrypt.dll");
    ASSERT_NE(bcrypt, nullptr) << GetLastError();
    EXPECT_EQ(Lower(FileOf(bcrypt)), Lower(system + L"\\bcrypt.dll"));
    FreeLibrary(bcrypt);

    g_load = &LoadLibraryExW;  // read before the patch replaces it
    {
        const ImportPatch old("KERNEL32.dll", "LoadLibraryExW",
                              reinterpret_cast<const void*>(&LoadWithoutSearchFlags));
        ASSERT_TRUE(old.ok());
        HMODULE xmllite = LoadSystemLibrary(L"xmllite.dll");
        EXPECT_NE(xmllite, nullptr);
        ASSERT_EQ(g_loads.size(), 2u);
        // The full path; what the DLL needs is then looked for in its own folder first.
        EXPECT_EQ(g_loads[1].first, system + L"\\xmllite.dll");
        EXPECT_EQ(g_loads[1].second, static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH));
        if (xmllite != nullptr) {
            FreeLibrary(xmllite);
        }
    }

    // A DLL the system does not have: the loader's reason, and no second place tried.
    g_loads.clear();
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadSystemLibrary(L"tavik-nowhere.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(ProcedureOf<FARPROC>(nullptr, "Anything"), nullptr);
}

// A suite of its own: the restriction lasts for the rest of the process.
TEST(DllSearch, AFolderBesideTheSystemsIsNoLongerSearchedOnceRestricted) {
    TempFolder folder;
    const std::wstring planted = folder.PathOf(L"planted-by-name.dll");
    ASSERT_TRUE(
        CopyFileW(BesideThisProgram(L"planted_library.dll").c_str(), planted.c_str(), TRUE));
    ASSERT_TRUE(SetDllDirectoryW(folder.Path().c_str()));
    HMODULE found = LoadLibraryW(L"planted-by-name.dll");
    ASSERT_NE(found, nullptr) << "the added folder is not searched even now";
    FreeLibrary(found);
    ASSERT_TRUE(FileExists(planted + L".ran"));
    ASSERT_TRUE(DeleteFileW((planted + L".ran").c_str()));

    ASSERT_TRUE(LoadLibrariesFromSystemFolderOnly());
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadLibraryW(L"planted-by-name.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(FileExists(planted + L".ran"));
    HMODULE xmllite = LoadLibraryW(L"xmllite.dll");
    EXPECT_NE(xmllite, nullptr) << "the system's own are still found by name";
    if (xmllite != nullptr) {
        FreeLibrary(xmllite);
    }
    SetDllDirectoryW(nullptr);
}
