#include "display/FullscreenDisplay.h"

FullscreenDisplay::FullscreenDisplay(int32_t width, int32_t height, int32_t /*bitsPerPixel*/, SdlPlatform* platform,
                                     FullscreenScale scale, int32_t firstDepth, bool paced)
{
    m_backBuffer.create(width, height, Bitmap::FormatXrgb32);
    SdlOutputConfig config;
    config.title = "fafa";
    config.width = width;
    config.height = height;
    config.fullscreen = true;
    config.scale = scale;
    config.firstDepth = firstDepth;
    config.paced = paced;
    m_window = std::make_unique<SdlOutputWindow>(config, platform);
}

FullscreenDisplay::~FullscreenDisplay()
{
    destroy();
}

void FullscreenDisplay::destroy()
{
    m_window.reset();
    m_backBuffer.destroy();
}

int FullscreenDisplay::present()
{
    if (depth() == 0)
        return 0;
    m_window->submit(m_backBuffer);
    return 1;
}

int FullscreenDisplay::mouseX() const
{
    return m_window ? m_window->mouseX() : 0;
}
int FullscreenDisplay::mouseY() const
{
    return m_window ? m_window->mouseY() : 0;
}
int FullscreenDisplay::mouseButton() const
{
    return m_window ? m_window->mouseButton() : 0;
}
bool FullscreenDisplay::ok() const
{
    return m_window && m_window->ok();
}
int32_t FullscreenDisplay::depth() const
{
    return m_window ? m_window->depth() : 0;
}

bool FullscreenDisplay::readBack(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height)
{
    return m_window && m_window->readBack(pixels, width, height);
}
