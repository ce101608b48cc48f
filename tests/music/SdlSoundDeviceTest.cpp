// The SDL sound device fails cleanly when no audio device can be had.

#include "music/SdlSoundDevice.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(SdlSoundDevice, OpenFailsCleanlyWithoutAudioDevice)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    auto dev = makeSdlSoundDevice();
    EXPECT_EQ(dev->open(), 0);
    EXPECT_EQ(dev->close(), 1);
}
