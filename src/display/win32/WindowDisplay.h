#pragma once
// The display that shows the frame 1:1 in an ordinary window through GDI; the window is run by a
// thread of its own.

#include "data/Bitmap.h"
#include "display/Display.h"
#include "display/win32/Win32Window.h"

#include <cstdint>
#include <memory>
#include <vector>

class WindowDisplay final : public Display {
public:
    // Opens a window whose client area is width x height with the usual frame and caption (the title:
    // at most 511 characters are kept), waits until it is ready, then makes the back buffer, which is
    // always 32-bit: `bitsPerPixel` is not used.
    WindowDisplay(int32_t width, int32_t height, int32_t bitsPerPixel, const char* title);
    ~WindowDisplay() override;

    Bitmap& backBuffer() override { return m_backBuffer; }
    int releaseBackBuffer() override { return 1; }
    // SetDIBitsToDevice of the back buffer to the client area's top-left corner; returns 1.
    int present() override;
    int mouseX() const override { return m_window ? m_window->mouseX() : 0; }
    int mouseY() const override { return m_window ? m_window->mouseY() : 0; }
    int mouseButton() const override { return m_window ? m_window->mouseButton() : 0; }

    // False when the window could not be made; presents then go nowhere.
    bool ok() const { return m_window && m_window->handle(); }
    // Ends the window thread and frees the back buffer; harmless twice.
    void destroy();
    // For tests: the client area as the screen shows it (0x00RRGGBB, row after row).
    bool readBack(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);

private:
    std::unique_ptr<Win32Window> m_window;
    Bitmap m_backBuffer;
};
