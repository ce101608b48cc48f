#pragma once
// The sound device on the SDL audio output.

#include "music/SoundDevice.h"

#include <memory>

// `open` fails cleanly (0) when no audio device can be had.
std::unique_ptr<SoundDevice> makeSdlSoundDevice();
