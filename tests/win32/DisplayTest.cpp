// The GDI window and the DirectDraw screen show a known frame exactly; the window keeps the last
// mouse move from its queue.

#include "display/win32/FullscreenDisplay.h"
#include "display/win32/Win32Window.h"
#include "display/win32/WindowDisplay.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

// Every channel a multiple of 8, so the frame survives 5-bit (and 6-bit) channels exactly.
uint32_t patternPixel(int x, int y)
{
    const uint32_t r = uint32_t(x * 3) & 0xF8, g = uint32_t(y * 5 + x) & 0xF8, b = uint32_t(x ^ y) & 0xF8;
    return r << 16 | g << 8 | b;
}

void drawPattern(Bitmap& frame)
{
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            frame.row32(y)[x] = patternPixel(x, y);
}

// The pixels of the shown area that differ from the pattern.
int differences(const std::vector<uint32_t>& shown, int width, int height, int frameWidth, int frameHeight)
{
    int bad = 0;
    for (int y = 0; y < height && y < frameHeight; ++y)
        for (int x = 0; x < width && x < frameWidth; ++x)
            bad += shown[size_t(y) * size_t(width) + size_t(x)] != patternPixel(x, y);
    return bad;
}

} // namespace

TEST(Win32WindowDisplay, PresentShowsTheFrameOneToOneInTheClientArea)
{
    WindowDisplay display(640, 480, 32, "Kalvora GDI test");
    ASSERT_TRUE(display.ok());
    drawPattern(display.backBuffer());
    EXPECT_EQ(1, display.releaseBackBuffer());
    EXPECT_EQ(1, display.present());
    std::vector<uint32_t> shown;
    int32_t width = 0, height = 0;
    ASSERT_TRUE(display.readBack(shown, width, height));
    // The client area is the frame less what larger system metrics cut off at the right and bottom.
    EXPECT_GE(width, 600);
    EXPECT_GE(height, 440);
    EXPECT_EQ(0, differences(shown, width, height, 640, 480));
}

TEST(Win32WindowDisplay, MouseMoveFromTheQueueSetsPositionAndLeftButton)
{
    WindowDisplay display(640, 480, 32, "Kalvora mouse test");
    HWND window = FindWindowA("VELKORWIN", "Kalvora mouse test");
    ASSERT_NE(nullptr, window);
    PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MAKELPARAM(123, 45));
    for (int i = 0; i < 200 && display.mouseY() != 45; ++i)
        Sleep(5);
    EXPECT_EQ(123, display.mouseX());
    EXPECT_EQ(45, display.mouseY());
    EXPECT_EQ(1, display.mouseButton());
}

// DirectDraw's set-up and release rely on these hooks: both on the window's own thread, the first done before
// the constructor returns, the second while the window still exists.
TEST(Win32Window, OpenedAndClosingRunOnTheWindowThreadAroundItsLife)
{
    std::atomic<DWORD> openedOn{0}, closingOn{0};
    HWND openedWith = nullptr, closingWith = nullptr;
    bool aliveAtClosing = false;
    Win32WindowConfig config;
    config.title = "Kalvora hook test";
    config.width = config.height = 100;
    config.opened = [&](HWND w) {
        openedWith = w;
        openedOn = GetCurrentThreadId();
    };
    config.closing = [&](HWND w) {
        closingWith = w;
        aliveAtClosing = IsWindow(w) != 0;
        closingOn = GetCurrentThreadId();
    };
    HWND handle = nullptr;
    {
        Win32Window window(config);
        handle = window.handle();
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(openedWith, handle);
        EXPECT_EQ(openedOn.load(), GetWindowThreadProcessId(handle, nullptr));
        EXPECT_NE(openedOn.load(), GetCurrentThreadId());
        EXPECT_EQ(closingOn.load(), 0u);
    }
    EXPECT_EQ(closingWith, handle);
    EXPECT_TRUE(aliveAtClosing);
    EXPECT_EQ(closingOn.load(), openedOn.load());
    EXPECT_FALSE(IsWindow(handle));
}

class Win32FullscreenDisplay : public testing::TestWithParam<int> {};

TEST_P(Win32FullscreenDisplay, SetsTheModeAndFlipsTheFrameToTheFront)
{
    const int depth = GetParam();
    FullscreenDisplay display(640, 480, 32, depth);
    ASSERT_TRUE(display.ok());
    ASSERT_EQ(depth, display.depth()) << "DirectDraw refused 640 x 480 x " << depth;
    drawPattern(display.backBuffer());
    EXPECT_EQ(1, display.present());
    std::vector<uint32_t> shown;
    int32_t width = 0, height = 0;
    ASSERT_TRUE(display.readBack(shown, width, height));
    ASSERT_EQ(640, width);
    ASSERT_EQ(480, height);
    EXPECT_EQ(0, differences(shown, width, height, 640, 480));
}

INSTANTIATE_TEST_SUITE_P(Depths, Win32FullscreenDisplay, testing::Values(32, 16));
