#pragma once
// The display that fills the screen: the frame scaled with black bars, in the first depth
// (32, 24 or 16 bits) whose texture can be made.

#include "data/Bitmap.h"
#include "display/Display.h"
#include "display/SdlOutputWindow.h"

#include <cstdint>
#include <memory>
#include <vector>

class SdlPlatform;

class FullscreenDisplay final : public Display {
public:
    // Opens a desktop-fullscreen window showing the width x height frame with nearest-neighbour
    // scaling (`scale`: largest fit, or whole multiples only), and tries the depths from
    // `firstDepth` on in the order 32, 24, 16 (any other value tries none). A failed attempt shows a
    // message box. The cursor is hidden until the display is destroyed. `bitsPerPixel` is not used.
    // `paced`: see SdlOutputConfig.
    FullscreenDisplay(int32_t width, int32_t height, int32_t bitsPerPixel, SdlPlatform* platform = nullptr,
                      FullscreenScale scale = FullscreenScale::Fit, int32_t firstDepth = 32, bool paced = true);
    ~FullscreenDisplay() override;

    Bitmap& backBuffer() override { return m_backBuffer; }
    int releaseBackBuffer() override { return 1; }
    // Hands the frame to the window thread; 0 (nothing shown) when no depth worked.
    int present() override;
    int mouseX() const override;
    int mouseY() const override;
    int mouseButton() const override;

    // False when no window could be made (no display to talk to).
    bool ok() const;
    // The depth in use: 32, 24, 16, or 0 when none could be set up.
    int32_t depth() const;
    // Leaves fullscreen, shows the cursor, ends the window thread and frees the back buffer.
    void destroy();
    // For tests: the whole screen's pixels as drawn from the last presented frame, bars included.
    bool readBack(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);

private:
    std::unique_ptr<SdlOutputWindow> m_window;
    Bitmap m_backBuffer;
};
