// What TAVIKInfo found, and how it says so: as text for a person, as JSON for a script.
#pragma once

#include <cstdint>
#include <string>

#include "TAVIKUtilDll.h"
#include "VersionText.h"

// Also the program's exit status.
enum class CameraInfoStatus : int {
    Identified = 0,
    NoCamera = 1,      // none reported within the wait
    UnknownModel = 2,  // not a model the updater knows
    QueryFailed = 3,   // a request failed; libraryError holds the camera's code
};

struct CameraAnswers {
    bool versionRead = false;
    VersionRecord version = {};
    bool blockRead = false;
    uint8_t block[kVersionBlockSize] = {};
    bool transferRead = false;
    uint8_t transferMode = 0;
    bool errorCodeRead = false;  // after a failed request
    uint32_t libraryError = 0;
};

struct CameraReport {
    CameraInfoStatus status = CameraInfoStatus::NoCamera;
    bool haveProductCode = false;
    uint16_t productCode = 0;
    std::wstring model;        // empty unless known
    std::wstring versionLine;  // as the updater shows it; empty unless identified
    int transferMode = -1;     // -1: not read
    std::wstring failedQuery;  // the request that failed
    bool haveLibraryError = false;
    uint32_t libraryError = 0;
};

// The camera was reported: what its answers amount to. The queries stop at the first that
// failed or at an unknown model, as the caller made them.
CameraReport InterpretAnswers(const CameraAnswers& answers);

std::wstring FormatReportText(const CameraReport& report, uint32_t waitSeconds);
std::string FormatReportJson(const CameraReport& report);

inline constexpr wchar_t kRemovedText[] = L"Camera removed\r\n";
std::string FormatRemovedJson();
