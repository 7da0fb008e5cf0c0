// The device check's decision on each way it can go, and its requests in their order: the
// dialog and the package checker both take it from here.
#include <gtest/gtest.h>

#include <string>

#include "DeviceDecision.h"

namespace {

// Answers as set, with each request written down; a failing request answers false.
class ScriptedCamera final : public DeviceCheckCamera {
public:
    bool GetTransferMode(uint8_t* mode) override {
        calls += "GetTrans ";
        if (transferFails) {
            return false;
        }
        *mode = transferMode;
        return true;
    }
    void SwitchTransferOff() override { calls += "SetTrans(0) "; }
    bool GetProductCode(uint16_t* code) override {
        calls += "GetVersion ";
        *code = productCode;
        return !versionFails;
    }
    bool GetVersionBlock(uint8_t (&block)[kVersionBlockSize]) override {
        calls += "GetCtrlCurrent(61) ";
        block[4] = 5;
        return !blockFails;
    }

    uint8_t transferMode = 0;
    bool transferFails = false;
    uint16_t productCode = 0x7012;
    bool versionFails = false;
    bool blockFails = false;
    std::string calls;
};

DeviceDecision Decide(ScriptedCamera& camera, const wchar_t* deviceName = L"ZP-Na7",
                      bool check = false, bool anyImage = true) {
    return DecideDevice(AskDeviceCheck(camera), {deviceName, check, anyImage});
}

}  // namespace

TEST(DeviceDecision, ThePackagesModelGoesAheadWhateverTheTransferQueryAnswers) {
    ScriptedCamera on;
    on.transferMode = 1;
    const DeviceDecision ahead = Decide(on);
    EXPECT_EQ(on.calls, "GetTrans SetTrans(0) GetVersion GetCtrlCurrent(61) ");
    EXPECT_EQ(ahead.outcome, DeviceOutcome::GoesAhead);
    EXPECT_EQ(ahead.versionLine, L"ZP-Na7:Ver=000.05-0000-00");
    EXPECT_TRUE(ahead.updateEnabled);

    // A failing transfer-mode query is passed over: the mode stays 0, nothing is switched.
    ScriptedCamera failing;
    failing.transferFails = true;
    const DeviceDecision still = Decide(failing);
    EXPECT_EQ(failing.calls, "GetTrans GetVersion GetCtrlCurrent(61) ");
    EXPECT_EQ(still.outcome, DeviceOutcome::GoesAhead);
    EXPECT_TRUE(still.updateEnabled);

    ScriptedCamera noImage;
    EXPECT_FALSE(Decide(noImage, L"ZP-Na7", false, false).updateEnabled);
}

TEST(DeviceDecision, AMismatchWarnsAndEndsOrAsks) {
    ScriptedCamera camera;
    const DeviceDecision ends = Decide(camera, L"zp-na7", false);
    EXPECT_EQ(ends.outcome, DeviceOutcome::WarnsAndEnds) << "letter case counts";
    EXPECT_EQ(ends.box.text, L"Not zp-na7.");
    EXPECT_FALSE(ends.updateEnabled);

    const DeviceDecision asks = Decide(camera, L"ZP-Mo7", true);
    EXPECT_EQ(asks.outcome, DeviceOutcome::Asks);
    EXPECT_EQ(asks.box.style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
    EXPECT_TRUE(asks.updateEnabled) << "after Yes";
    EXPECT_EQ(asks.versionLine, L"ZP-Na7:Ver=000.05-0000-00");
}

TEST(DeviceDecision, ACameraThatCannotBeIdentifiedKeepsItWaiting) {
    ScriptedCamera unknown;
    unknown.productCode = 0x7014;
    const DeviceDecision waits = Decide(unknown);
    EXPECT_EQ(unknown.calls, "GetTrans GetVersion ") << "no version block for an unknown model";
    EXPECT_EQ(waits.outcome, DeviceOutcome::KeepsWaiting);
    EXPECT_EQ(waits.model, nullptr);
    EXPECT_FALSE(waits.updateEnabled);

    ScriptedCamera noVersion;
    noVersion.versionFails = true;
    EXPECT_EQ(Decide(noVersion).outcome, DeviceOutcome::KeepsWaiting);
    EXPECT_EQ(noVersion.calls, "GetTrans GetVersion ");

    ScriptedCamera noBlock;
    noBlock.blockFails = true;
    const DeviceDecision blockless = Decide(noBlock);
    EXPECT_EQ(blockless.outcome, DeviceOutcome::KeepsWaiting);
    EXPECT_TRUE(blockless.versionLine.empty());
}
