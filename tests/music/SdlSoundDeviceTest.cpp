// The SDL sound device: fails cleanly when no audio device can be had, and cycles its blocks through
// SDL's callback (with SDL's dummy driver, which plays into nothing at the real pace).

#include "XmBuilder.h"

#include "music/ModulePlayer.h"
#include "music/SdlSoundDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

TEST(SdlSoundDevice, OpenFailsCleanlyWithoutAudioDevice)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    auto dev = makeSdlSoundDevice();
    EXPECT_EQ(dev->open(), 0);
    EXPECT_EQ(dev->close(), 1);
}

TEST(SdlSoundDevice, CallbackReturnsBlocksForRefilling)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto dev = makeSdlSoundDevice();
    if (!dev->open())
        GTEST_SKIP() << "SDL has no dummy audio driver here";
    std::vector<uint8_t> img = XmBuilder::build(XmBuilder::simple({{49, 1, 0, 0, 0}}));
    ModulePlayer player;
    ASSERT_EQ(player.loadFromMemory(img.data(), img.size()), 1);
    EXPECT_EQ(dev->play(player), 1);
    // A functional wait, not a timing check: the first finished block comes back within a few seconds.
    for (int i = 0; i < 500 && dev->requestedFrames() <= 4 * 8250; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GT(dev->requestedFrames(), 4 * 8250);
    EXPECT_EQ(dev->stop(player), 1);
    EXPECT_EQ(dev->close(), 1);
}
