#include "DialogInputRule.h"

bool InputCounts(DialogStage stage, DialogInput input, bool buttonEnabled, bool postedBySource) {
    switch (input) {
        case DialogInput::UpdateClick:
            // The device check decides; the button's enabled bit, which any program can set,
            // only adds a condition.
            return buttonEnabled && stage == DialogStage::ReadyToUpdate;
        case DialogInput::ExitClick:
            // Not while the check's model box is open: its answer ends the run.
            return buttonEnabled &&
                   (stage == DialogStage::Waiting || stage == DialogStage::ReadyToUpdate ||
                    stage == DialogStage::WaitingForGood);
        case DialogInput::DeviceFound:
            // The library reports the camera once.
            return postedBySource && stage == DialogStage::Waiting;
        case DialogInput::UpdateSucceeded:
        case DialogInput::UpdateFailed:
            return postedBySource && stage == DialogStage::Updating;
    }
    return false;
}

bool IsOperatorInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) ||
           message == WM_NCMOUSEHOVER || message == WM_NCMOUSELEAVE || message == WM_INPUT;
}
