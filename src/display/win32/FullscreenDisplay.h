#pragma once
// The display that takes the screen through DirectDraw: exclusive mode, 640 x 480 at the first depth
// (32, 24, 16) that works, a flipping primary surface with one back buffer, and a hidden-cursor window
// of its own for the exclusive mode.

#include "data/Bitmap.h"
#include "display/Display.h"
#include "display/FrameConvert.h"
#include "display/win32/Win32Window.h"

#include <cstdint>
#include <memory>
#include <vector>

struct IDirectDraw;
struct IDirectDrawSurface;

class FullscreenDisplay final : public Display {
public:
    // Sets the mode, trying the depths from `firstDepth` on in the order 32, 24, 16 (any other value
    // tries none). A refused mode is skipped silently; a primary surface that cannot be made shows a
    // message box and the next depth is tried. `bitsPerPixel` is not used.
    FullscreenDisplay(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t firstDepth = 32);
    ~FullscreenDisplay() override;

    Bitmap& backBuffer() override { return m_backBuffer; }
    int releaseBackBuffer() override { return 1; }
    // Copies the frame into the back surface in the mode's pixel layout and flips; a lost surface is
    // restored. 0 (nothing shown) when no depth worked.
    int present() override;
    int mouseX() const override { return m_window ? m_window->mouseX() : 0; }
    int mouseY() const override { return m_window ? m_window->mouseY() : 0; }
    int mouseButton() const override { return m_window ? m_window->mouseButton() : 0; }

    // False when the window could not be made.
    bool ok() const { return m_window && m_window->handle(); }
    // The depth in use: 32, 24, 16, or 0 when none could be set.
    int32_t depth() const { return m_depth; }
    // The 16-bit layout the mode reports (meaningful at depth 16).
    PixelMasks16 masks16() const { return m_masks16; }
    // Restores the display mode, releases DirectDraw, ends the window thread and frees the back buffer.
    void destroy();
    // For tests: the visible (front) surface read back as 0x00RRGGBB, row after row.
    bool readBack(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);

private:
    void open(HWND__* window, int32_t firstDepth);
    void close(HWND__* window);
    bool attemptMode(int32_t depth);
    void copyFrame(uint8_t* surface, int32_t pitch) const;

    std::unique_ptr<Win32Window> m_window;
    Bitmap m_backBuffer;
    IDirectDraw* m_directDraw = nullptr;
    IDirectDrawSurface* m_primary = nullptr;
    IDirectDrawSurface* m_backSurface = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_depth = 0;
    PixelMasks16 m_masks16 = kMasks555;
};
