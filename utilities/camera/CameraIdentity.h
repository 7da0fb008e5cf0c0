// What the camera's answers to the device check's queries amount to, as the updater would see
// them; shared by both tools.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "TAVIKUtilDll.h"
#include "VersionText.h"

enum class CameraStatus : int {
    Identified = 0,
    NoCamera = 1,      // none reported within the wait
    UnknownModel = 2,  // not a model the updater knows
    QueryFailed = 3,   // a request failed; libraryError holds the camera's code
};

// The answers as the queries gave them; each query is made only if the one before it worked.
struct CameraAnswers {
    bool versionRead = false;
    VersionRecord version = {};
    bool blockRead = false;
    uint8_t block[kVersionBlockSize] = {};
    bool transferRead = false;
    uint8_t transferMode = 0;
    bool errorCodeRead = false;  // after a failed query
    uint32_t libraryError = 0;
};

struct CameraIdentity {
    CameraStatus status = CameraStatus::NoCamera;
    bool haveProductCode = false;
    uint16_t productCode = 0;
    std::wstring model;        // empty unless the updater knows it
    std::wstring versionLine;  // as the updater shows it; empty unless it would show one
    bool haveBlock = false;    // the version block was read, also for an unknown model
    uint8_t block[kVersionBlockSize] = {};
    int transferMode = -1;     // -1: not read
    std::wstring failedQuery;  // the request that failed
    bool haveLibraryError = false;
    uint32_t libraryError = 0;
};

// The camera was reported: what its answers amount to. A model the updater does not know
// outweighs a later query that failed.
CameraIdentity IdentifyCamera(const CameraAnswers& answers);

const char* CameraStatusName(CameraStatus status);

// "0x7012".
std::wstring ProductCodeText(uint16_t productCode);

// The block's 14 bytes as lowercase hexadecimal.
std::string VersionBytesHex(const uint8_t (&block)[kVersionBlockSize]);

// The identity's fields, null where nothing was read: status, productCode, model, versionLine,
// versionBytes, transferMode; failedQuery and libraryError after a failed query.
void AddCameraFields(const CameraIdentity& identity, nlohmann::ordered_json& json);
