// The shipped DLL as a caller sees it: thirty exports by name and by ordinal, its resources, and
// the by-ordinal import library the updater links.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "TAVIKUtilDll.h"

namespace {

const char* const kExportNames[30] = {
    "OrvaneUtil_Init",
    "OrvaneUtil_Uninit",
    "OrvaneUtil_WatchConnection",
    "OrvaneUtil_SetTimeOutInfo",
    "OrvaneUtil_GetLastError",
    "OrvaneUtil_GetCtrlCurEvent",
    "OrvaneUtil_GetCtrlSignalEvent",
    "OrvaneUtil_GetTransErrorEvent",
    "OrvaneUtil_GetImageRecvEvent",
    "OrvaneUtil_GetSizeErrorEvent",
    "OrvaneUtil_GetVersion",
    "OrvaneUtil_GetCtrlSupport",
    "OrvaneUtil_GetCtrlAttribute",
    "OrvaneUtil_GetCtrlCurrent",
    "OrvaneUtil_SetCtrlCurrent",
    "OrvaneUtil_GetImageSupport",
    "OrvaneUtil_GetImageAttribute",
    "OrvaneUtil_GetImageCurrent",
    "OrvaneUtil_GetImageTransfer",
    "OrvaneUtil_SetImageCurrent",
    "OrvaneUtil_GetTrans",
    "OrvaneUtil_SetTrans",
    "OrvaneUtil_GetSystemSupport",
    "OrvaneUtil_GetSystemDataSize",
    "OrvaneUtil_GetSystemData",
    "OrvaneUtil_SetSystemData",
    "OrvaneUtil_GetFrame",
    "OrvaneUtil_GetBufferTable",
    "OrvaneUtil_GetRequest",
    "OrvaneUtil_SetRequest",
};

class LoadedLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryW(L"TAVIKUtilDll.dll");
        ASSERT_NE(nullptr, module_) << "error " << GetLastError();
    }
    void TearDown() override {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    std::wstring VersionString(const wchar_t* name) {
        wchar_t path[MAX_PATH];
        const DWORD length = GetModuleFileNameW(module_, path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) {
            return L"";
        }
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
        std::vector<uint8_t> block(size);
        if (size == 0 || !GetFileVersionInfoW(path, 0, size, block.data())) {
            return L"";
        }
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        void* value = nullptr;
        UINT chars = 0;
        if (!VerQueryValueW(block.data(), key.c_str(), &value, &chars) || chars == 0) {
            return L"";
        }
        return static_cast<const wchar_t*>(value);
    }
    HMODULE module_ = nullptr;
};

}  // namespace

TEST_F(LoadedLibrary, EveryOrdinalAndItsNameGiveTheSameFunction) {
    for (WORD ordinal = 1; ordinal <= 30; ++ordinal) {
        FARPROC byOrdinal = GetProcAddress(module_, MAKEINTRESOURCEA(ordinal));
        FARPROC byName = GetProcAddress(module_, kExportNames[ordinal - 1]);
        EXPECT_NE(nullptr, byOrdinal) << "ordinal " << ordinal;
        EXPECT_EQ(byOrdinal, byName) << kExportNames[ordinal - 1];
    }
    EXPECT_EQ(nullptr, GetProcAddress(module_, MAKEINTRESOURCEA(31)));
    EXPECT_EQ(nullptr, GetProcAddress(module_, "OrvaneUtil_Init@12")) << "names are undecorated";
}

TEST_F(LoadedLibrary, CarriesItsVersionAndManifest) {
    EXPECT_EQ(L"TAVIKUtilDll", VersionString(L"ProductName"));
    EXPECT_EQ(L"TAVIKUtilDll.dll", VersionString(L"InternalName"));
    EXPECT_EQ(L"TAVIKUtilDll.dll", VersionString(L"OriginalFilename"));
    EXPECT_EQ(L"1.0.0.1", VersionString(L"FileVersion"));

    HRSRC manifest = FindResourceW(module_, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(24));
    ASSERT_NE(nullptr, manifest);
    HGLOBAL loaded = LoadResource(module_, manifest);
    ASSERT_NE(nullptr, loaded);
    const std::string text(static_cast<const char*>(LockResource(loaded)),
                           SizeofResource(module_, manifest));
    EXPECT_NE(std::string::npos, text.find("level=\"asInvoker\""));
    EXPECT_NE(std::string::npos, text.find("uiAccess=\"false\""));
}

// This program itself links the by-ordinal import library: its calls must reach the DLL, and its
// import table must name no function of the DLL.
TEST(OrdinalImportLibrary, BindsTheUpdatersFunctionsByOrdinalOnly) {
    uint32_t code = 1;
    EXPECT_FALSE(OrvaneUtil_GetLastError(&code));  // no camera: the query fails with code 0
    EXPECT_EQ(0u, code);
    OrvaneUtil_Uninit();

    auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(0u, dir.VirtualAddress);
    int ordinals = 0;
    for (auto* desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         desc->Name != 0; ++desc) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + desc->Name), "TAVIKUtilDll.dll") != 0) {
            continue;
        }
        const DWORD lookup = desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk;
        for (auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + lookup);
             thunk->u1.AddressOfData != 0; ++thunk) {
            EXPECT_TRUE(IMAGE_SNAP_BY_ORDINAL32(thunk->u1.Ordinal)) << "imported by name";
            ++ordinals;
        }
    }
    EXPECT_EQ(2, ordinals);
}
