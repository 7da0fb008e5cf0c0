#include "DeviceDecision.h"

DeviceAnswers AskDeviceCheck(DeviceCheckCamera& camera) {
    DeviceAnswers answers;
    // Its result does not count: a camera that cannot tell its mode is still checked.
    answers.transferRead = camera.GetTransferMode(&answers.transferMode);
    if (answers.transferMode == 1) {
        camera.SwitchTransferOff();
    }
    answers.versionRead = camera.GetProductCode(&answers.productCode);
    if (answers.versionRead && ModelName(answers.productCode) != nullptr) {
        answers.blockRead = camera.GetVersionBlock(answers.block);
    }
    return answers;
}

DeviceDecision DecideDevice(const DeviceAnswers& answers, const DevicePackage& package) {
    DeviceDecision decision;
    if (!answers.versionRead) {
        return decision;
    }
    decision.model = ModelName(answers.productCode);
    if (decision.model == nullptr || !answers.blockRead) {
        return decision;
    }
    decision.versionLine = FormatVersionLine(decision.model, answers.block);
    // The label's text against the model: exact, letter case and all.
    if (package.deviceName == decision.model) {
        decision.outcome = DeviceOutcome::GoesAhead;
    } else {
        decision.box = MismatchMessage(package.deviceName, package.devNameCheck);
        decision.outcome = package.devNameCheck ? DeviceOutcome::Asks : DeviceOutcome::WarnsAndEnds;
    }
    decision.updateEnabled =
        decision.outcome != DeviceOutcome::WarnsAndEnds && package.anyImageFound;
    return decision;
}
