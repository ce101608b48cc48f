#pragma once
// A display without a window: presented frames go to a sink (capture, tests) or nowhere.

#include "display/Display.h"

#include <functional>

class OfflineDisplay final : public Display {
public:
    using FrameSink = std::function<void(const Bitmap& frame)>;

    OfflineDisplay(int width, int height) : m_backBuffer(width, height, Bitmap::FormatXrgb32) {}
    Bitmap& backBuffer() override { return m_backBuffer; }
    int releaseBackBuffer() override { return 1; }
    // Hands the frame to the sink, if one is set, before returning.
    int present() override;
    int mouseX() const override { return 0; }
    int mouseY() const override { return 0; }
    int mouseButton() const override { return 0; }

    // The sink sees every later present; an empty sink stops it.
    void setFrameSink(FrameSink sink) { m_sink = std::move(sink); }
    long long presentCount() const { return m_presents; }

private:
    Bitmap m_backBuffer;
    FrameSink m_sink;
    long long m_presents = 0;
};
