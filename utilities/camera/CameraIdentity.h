// What the camera's answers to the device check's queries amount to, as the updater would see
// them; shared by both tools.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "DeviceDecision.h"
#include "TAVIKUtilDll.h"
#include "ToolError.h"

enum class CameraStatus : int {
    Identified = 0,
    NoCamera = 1,      // none reported within the wait
    UnknownModel = 2,  // not a model the updater knows
    QueryFailed = 3,   // a request failed; libraryError holds the camera's code
    OpenRefused = 4,   // one is there, but its open failed: openError says why
};

// The answers as the queries gave them: the device check's own, then the library's code of the
// last failure.
struct CameraAnswers {
    DeviceAnswers device;
    bool transferFailed = false;  // each query that was made and failed
    bool versionFailed = false;
    bool blockFailed = false;
    bool errorCodeRead = false;  // after a failed query
    uint32_t libraryError = 0;
};

struct CameraIdentity {
    CameraStatus status = CameraStatus::NoCamera;
    DeviceAnswers answers;  // what the device check's decision is taken from
    bool haveProductCode = false;
    uint16_t productCode = 0;
    std::wstring model;        // empty unless the updater knows it
    std::wstring versionLine;  // as the updater shows it; empty unless it would show one
    bool haveBlock = false;    // the version block was read, also for an unknown model
    uint8_t block[kVersionBlockSize] = {};
    int transferMode = -1;                    // -1: not read
    std::vector<std::wstring> failedQueries;  // the requests that failed, in order
    bool haveLibraryError = false;            // the code of the last of them
    uint32_t libraryError = 0;
    uint32_t openError = 0;      // the system error that refused the open
    uint32_t waitSeconds = 0;    // how long the camera was waited for
    int attached = -1;           // cameras attached when it was looked at; -1: not known
    std::wstring interfacePath;  // the one the library opens (or tried to), the first of them
};

// The camera was reported: what its answers amount to. Identified is what the updater
// identifies: a failed transfer-mode query is listed, but the updater goes on without it.
CameraIdentity IdentifyCamera(const CameraAnswers& answers);

const char* CameraStatusName(CameraStatus status);

// What kept the camera from being identified, said as a person reads it: none within the wait,
// one that cannot be opened, a failed query, a model the updater does not know. None when it
// was identified.
std::optional<ToolError> CameraError(const CameraIdentity& identity);

// "2 attached; this report is of the first, \\?\root#...": empty with one camera or none.
std::wstring OtherCamerasText(const CameraIdentity& identity);

// "OrvaneUtil_GetTrans failed, library error code 31", or empty when every query worked.
std::wstring FailedQueriesText(const CameraIdentity& identity);

// "0x7012".
std::wstring ProductCodeText(uint16_t productCode);

// The block's 14 bytes as lowercase hexadecimal.
std::string VersionBytesHex(const uint8_t (&block)[kVersionBlockSize]);

// The identity's fields, null where nothing was read: status, productCode, model, versionLine,
// versionBytes, transferMode, failedQueries (an array, empty when none failed), libraryError,
// camerasAttached, interfacePath and error (CameraError's).
void AddCameraFields(const CameraIdentity& identity, nlohmann::ordered_json& json);
