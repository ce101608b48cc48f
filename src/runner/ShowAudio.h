#pragma once
// What the runner needs of the music: the module player and the sound device, joined.

#include "music/TriggerSource.h"

#include <string>

class ShowAudio {
public:
    virtual ~ShowAudio() = default;
    // Creates the module player and loads the module, a plain file. Nonzero = success; on failure
    // the player is released.
    virtual int loadModule(const char* fileName) = 0;
    // After a failed loadModule: why, in a few words (empty when unknown).
    virtual std::string loadFailure() const { return {}; }
    // Creates and opens the sound device. Nonzero = success.
    virtual int openDevice() = 0;
    // 0..32.
    virtual void setMasterVolume(int volume) = 0;
    virtual void play() = 0;
    // If there is a player: stops it on the device, closes the device, releases the player and the device.
    virtual void shutdown() = 0;
    // The player's sync triggers.
    virtual TriggerSource& triggers() = 0;
};
