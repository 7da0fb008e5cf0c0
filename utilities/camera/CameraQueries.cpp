#include "CameraQueries.h"

#include "LibraryCamera.h"

CameraAnswers AskCamera(BlockQuery blockQuery) {
    // Queries only: the report says where the updater would switch the transfer off.
    LibraryCamera camera(LibraryCamera::Transfer::LeftAsItIs);
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
