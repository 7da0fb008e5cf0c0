// The device check's requests made through the library, for the program that links it: the
// updater, which switches a camera's transfer off, and the package checker, which only asks.
#pragma once

#include "CameraOpenRefusal.h"
#include "DeviceDecision.h"
#include "TAVIKUtilDll.h"

// Why the camera that is there could not be opened; 0 when none is there or one is open. Asked
// with a null code, OrvaneUtil_GetLastError never makes a request: while no camera is open it
// fails with the reason, once one is open it refuses the null.
inline DWORD AskOpenRefusal() {
    SetLastError(ERROR_SUCCESS);
    OrvaneUtil_GetLastError(nullptr);
    return OpenRefusalOf(GetLastError());
}

class LibraryCamera final : public DeviceCheckCamera {
public:
    enum class Transfer { SwitchedOff, LeftAsItIs };
    explicit LibraryCamera(Transfer transfer) : transfer_(transfer) {}

    bool GetTransferMode(uint8_t* mode) override { return OrvaneUtil_GetTrans(mode); }
    void SwitchTransferOff() override {
        if (transfer_ == Transfer::SwitchedOff) {
            OrvaneUtil_SetTrans(0);
        }
    }
    bool GetProductCode(uint16_t* productCode) override {
        VersionRecord version = {};
        const bool read = OrvaneUtil_GetVersion(&version);
        *productCode = version.productCode;
        return read;
    }
    bool GetVersionBlock(uint8_t (&block)[kVersionBlockSize]) override {
        return OrvaneUtil_GetCtrlCurrent(kVersionControl, block, kVersionBlockSize);
    }

private:
    Transfer transfer_;
};
