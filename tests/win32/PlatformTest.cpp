// The Win32 platform's texts for the ANSI calls, and waveOut cycling its blocks.

#include "XmBuilder.h"

#include "music/ModulePlayer.h"
#include "music/win32/Win32SoundDevice.h"
#include "platform/win32/Win32Platform.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(Win32Platform, MessageTextsAreWindowsLatin1)
{
    EXPECT_EQ("H\xE5ve \xE4ter \xF6", toWindows1252("Håve äter ö"));
}

TEST(Win32WaveOut, BlocksComeBackFromTheCardForRefilling)
{
    Win32Platform win32;
    PlatformScope scope(win32);
    auto device = makeWin32SoundDevice();
    ASSERT_EQ(4, device->open()) << "waveOut has no device (is a sound server running?)";
    std::vector<uint8_t> image = XmBuilder::build(XmBuilder::simple({{49, 1, 0, 0, 0}}));
    ModulePlayer player;
    ASSERT_EQ(1, player.loadFromMemory(image.data(), image.size()));
    EXPECT_EQ(1, device->play(player));
    // A functional wait, not a timing check: the first block the card plays comes back for refilling.
    for (int i = 0; i < 500 && device->requestedFrames() <= 4 * 8250; ++i)
        Sleep(10);
    EXPECT_GT(device->requestedFrames(), 4 * 8250);
    EXPECT_EQ(1, device->stop(player));
    EXPECT_EQ(1, device->close());
}
