#include "CameraQueries.h"

CameraAnswers AskCamera() {
    CameraAnswers answers;
    const auto readErrorCode = [&answers] {
        uint32_t code = 0;
        answers.errorCodeRead = OrvaneUtil_GetLastError(&code);
        answers.libraryError = code;
    };
    answers.versionRead = OrvaneUtil_GetVersion(&answers.version);
    if (!answers.versionRead) {
        readErrorCode();
        return answers;
    }
    // Read for every model: the raw bytes are reported also where the updater shows no line.
    answers.blockRead = OrvaneUtil_GetCtrlCurrent(kVersionControl, answers.block,
                                                  static_cast<uint32_t>(sizeof(answers.block)));
    if (!answers.blockRead) {
        readErrorCode();
        return answers;
    }
    answers.transferRead = OrvaneUtil_GetTrans(&answers.transferMode);
    if (!answers.transferRead) {
        readErrorCode();
    }
    return answers;
}
