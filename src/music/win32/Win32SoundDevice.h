#pragma once
// The sound device on waveOut.

#include "music/SoundDevice.h"

#include <memory>

// `open` fails cleanly (0) when waveOut has no device or will not open.
std::unique_ptr<SoundDevice> makeWin32SoundDevice();
