#include "DialogInputRule.h"

bool InputCounts(DialogStage stage, DialogInput input, bool buttonEnabled, bool postedBySource) {
    switch (input) {
        case DialogInput::UpdateClick:
            return buttonEnabled && stage == DialogStage::Identified;
        case DialogInput::ExitClick:
            // Not while the check's model box is open: its answer ends the run.
            return buttonEnabled &&
                   (stage == DialogStage::Waiting || stage == DialogStage::Identified);
        case DialogInput::DeviceFound:
            // The library reports the camera once.
            return postedBySource && stage == DialogStage::Waiting;
        case DialogInput::UpdateSucceeded:
        case DialogInput::UpdateFailed:
            return postedBySource && stage == DialogStage::Updating;
    }
    return false;
}
