// The library started for one tool run: the camera's connection from OrvaneUtil_Init to
// OrvaneUtil_Uninit, with waits that Ctrl+C ends.
#pragma once

#include <cstdint>

#include "CameraQueries.h"
#include "UniqueAny.h"

class CameraSession {
public:
    enum class Wait { Connected, NoCamera, Interrupted };
    enum class Watch { Removed, Interrupted, NotStarted };
    enum class Find { Done, Interrupted, UpdaterOpened };

    // Starts the library's search for the camera, unless TAVIKUpdate is open at that moment
    // (updaterOpen()): the library's start already writes to the camera. ok() tells whether it
    // started.
    CameraSession();
    // Shuts the library down (its closing write of control 0x3E), except while TAVIKUpdate is
    // open: then the process leaves the camera as it is, never writing to it beside an update.
    ~CameraSession();
    CameraSession(const CameraSession&) = delete;
    CameraSession& operator=(const CameraSession&) = delete;

    bool ok() const { return started_; }
    bool updaterOpen() const { return updaterOpen_; }
    // 0 seconds: only the library's first look, which it takes on its own thread at once.
    Wait WaitForCamera(uint32_t seconds);
    // Waits for the camera and identifies it as the updater would; *identity stays "no camera"
    // when none came within `seconds`, or tells why the one that is there did not open. Asks
    // nothing once a TAVIKUpdate window opened meanwhile. Counts the cameras attached.
    Find FindCamera(uint32_t seconds, BlockQuery blockQuery, CameraIdentity* identity);
    // Once connected: until the camera is removed or Ctrl+C.
    Watch WaitForRemoval();

private:
    UniqueHandle connected_;
    UniqueHandle removed_;  // kept until the shut-down has stopped the thread that sets it
    bool started_ = false;
    bool updaterOpen_ = false;
};
