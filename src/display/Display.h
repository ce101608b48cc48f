#pragma once
// Owns the 640 x 480 32-bit frame everything is drawn into, and shows it.

#include "data/Bitmap.h"

class Display {
public:
    virtual ~Display() = default;
    // The back buffer (format 1), valid until the display is destroyed.
    virtual Bitmap& backBuffer() = 0;
    // Marks the end of drawing; returns 1.
    virtual int releaseBackBuffer() = 0;
    // Shows the back buffer's current contents; the frame is copied before this returns. Returns 1.
    virtual int present() = 0;
    // The last mouse position seen in the display's window (client coordinates), and whether the
    // left button was down at that move.
    virtual int mouseX() const = 0;
    virtual int mouseY() const = 0;
    virtual int mouseButton() const = 0;
};
