#pragma once
// The display that shows the frame 1:1 (or zoomed) in an ordinary window run by a thread of its own.

#include "data/Bitmap.h"
#include "display/Display.h"
#include "display/SdlOutputWindow.h"

#include <cstdint>
#include <memory>
#include <vector>

class SdlPlatform;

class WindowDisplay final : public Display {
public:
    // Opens a window of width x height (times `zoom`, nearest neighbour) with the title (at most 511
    // characters are kept) and waits until it is ready or has failed. The back buffer is always
    // 32-bit; `bitsPerPixel` is not used. `platform` (may be null) receives Escape and quit from
    // the window's keys and close button. `paced`: see SdlOutputConfig.
    WindowDisplay(int32_t width, int32_t height, int32_t bitsPerPixel, const char* title,
                  SdlPlatform* platform = nullptr, int32_t zoom = 1, bool paced = true);
    ~WindowDisplay() override;

    Bitmap& backBuffer() override { return m_backBuffer; }
    int releaseBackBuffer() override { return 1; }
    int present() override;
    int mouseX() const override;
    int mouseY() const override;
    int mouseButton() const override;

    // False when no window could be made (no display to talk to); presents then go nowhere.
    bool ok() const;
    // Ends the window thread and frees the back buffer; harmless twice.
    void destroy();
    // For tests: the window's pixels as drawn from the last presented frame.
    bool readBack(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);

private:
    std::unique_ptr<SdlOutputWindow> m_window;
    Bitmap m_backBuffer;
};
