#include "CameraQueries.h"

namespace {

class QueryingCamera final : public DeviceCheckCamera {
public:
    bool GetTransferMode(uint8_t* mode) override { return OrvaneUtil_GetTrans(mode); }
    // Queries only: the report says where the updater would switch it off.
    void SwitchTransferOff() override {}
    bool GetProductCode(uint16_t* productCode) override {
        VersionRecord version = {};
        const bool read = OrvaneUtil_GetVersion(&version);
        *productCode = version.productCode;
        return read;
    }
    bool GetVersionBlock(uint8_t (&block)[kVersionBlockSize]) override {
        return OrvaneUtil_GetCtrlCurrent(kVersionControl, block, kVersionBlockSize);
    }
};

}  // namespace

CameraAnswers AskCamera(BlockQuery blockQuery) {
    QueryingCamera camera;
    CameraAnswers answers;
    DeviceAnswers& device = answers.device;
    device = AskDeviceCheck(camera);
    const bool knownModel = device.versionRead && ModelName(device.productCode) != nullptr;
    if (device.versionRead && !knownModel && blockQuery == BlockQuery::EveryModel) {
        device.blockRead = camera.GetVersionBlock(device.block);
    }
    answers.transferFailed = !device.transferRead;
    answers.versionFailed = !device.versionRead;
    answers.blockFailed =
        !device.blockRead &&
        (knownModel || (device.versionRead && blockQuery == BlockQuery::EveryModel));
    if (answers.transferFailed || answers.versionFailed || answers.blockFailed) {
        // Asked last, so the device check's own requests stay in its order.
        uint32_t code = 0;
        answers.errorCodeRead = OrvaneUtil_GetLastError(&code);
        answers.libraryError = code;
    }
    return answers;
}
