#include "CameraVerdict.h"

#include "CameraOpenRefusal.h"
#include "CheckNoteCodes.h"
#include "PackageReport.h"
#include "DeviceDecision.h"

namespace {

UpdaterAction ActionOf(DeviceOutcome outcome) {
    switch (outcome) {
        case DeviceOutcome::GoesAhead:
            return UpdaterAction::GoesAhead;
        case DeviceOutcome::WarnsAndEnds:
            return UpdaterAction::WarnsAndEnds;
        case DeviceOutcome::Asks:
            return UpdaterAction::Asks;
        case DeviceOutcome::KeepsWaiting:
            break;
    }
    return UpdaterAction::KeepsWaiting;
}

}  // namespace

std::wstring OneLine(std::wstring text) {
    for (size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at)) {
        text.replace(at, 2, L" ");
    }
    return text;
}

CameraVerdict JudgeOnCamera(const PackageReport& report, const CameraIdentity& identity,
                            uint32_t waitSeconds) {
    CameraVerdict verdict;
    verdict.identity = identity;
    verdict.waitSeconds = waitSeconds;
    if (identity.status == CameraStatus::NoCamera) {
        return verdict;
    }
    if (!report.readable) {
        verdict.action = UpdaterAction::EndsAtStart;
        return verdict;
    }
    if (identity.status == CameraStatus::OpenRefused) {
        // The updater's dialog says so on its version line while it waits.
        verdict.action = UpdaterAction::KeepsWaiting;
        verdict.message = OpenRefusedLine(identity.openError);
        return verdict;
    }
    // The updater's own decision, on the label's text as the dialog shows it.
    const DeviceDecision decision = DecideDevice(
        identity.answers, {report.deviceName, report.deviceNameCheck, report.UpdateCanBeEnabled()});
    verdict.action = ActionOf(decision.outcome);
    verdict.message = decision.box.text;
    verdict.updateEnabled = decision.updateEnabled;
    if (verdict.updateEnabled) {
        for (int i = 0; i < kUpdateFileCount; ++i) {
            if (report.entries[i].entry.found) {
                verdict.sent.push_back(i + 1);
            }
        }
    }
    return verdict;
}

void AddCameraVerdict(PackageReport& report, CameraVerdict verdict) {
    const CameraIdentity& identity = verdict.identity;
    switch (verdict.action) {
        case UpdaterAction::WarnsAndEnds:
            AddNote(report, NoteSeverity::Error, check_code::kCameraMismatchEnds,
                    L"the camera is a " + identity.model + L", the package is for \"" +
                        report.deviceName + L"\" and CHECK is not ON: the updater warns \"" +
                        OneLine(verdict.message) + L"\" and ends");
            break;
        case UpdaterAction::Asks:
            AddNote(report, NoteSeverity::Warning, check_code::kCameraMismatchAsks,
                    L"the camera is a " + identity.model + L", the package is for \"" +
                        report.deviceName + L"\": the updater asks \"" + OneLine(verdict.message) +
                        L"\", and only Yes goes on");
            break;
        case UpdaterAction::KeepsWaiting:
            if (identity.status == CameraStatus::OpenRefused) {
                AddNote(report, NoteSeverity::Error, check_code::kCameraOpenRefused,
                        verdict.message +
                            L": the updater keeps waiting, and says so on its version line");
            } else if (identity.status == CameraStatus::UnknownModel) {
                AddNote(report, NoteSeverity::Error, check_code::kCameraUnknownModel,
                        L"the camera's product code " + ProductCodeText(identity.productCode) +
                            L" is not a model the updater knows: it keeps waiting without a "
                            L"word, and \"Update\" stays disabled");
            } else {
                AddNote(report, NoteSeverity::Error, check_code::kCameraQueryFailed,
                        FailedQueriesText(identity) +
                            L": the updater keeps waiting without a word, and \"Update\" "
                            L"stays disabled");
            }
            break;
        case UpdaterAction::None:
        case UpdaterAction::EndsAtStart:
        case UpdaterAction::GoesAhead:
            break;
    }
    report.camera = std::move(verdict);
}
