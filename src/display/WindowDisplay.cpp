#include "display/WindowDisplay.h"

#include <cstring>

namespace {

constexpr size_t kTitleMax = 511;

} // namespace

WindowDisplay::WindowDisplay(int32_t width, int32_t height, int32_t /*bitsPerPixel*/, const char* title,
                             SdlPlatform* platform, int32_t zoom, bool paced)
{
    SdlOutputConfig config;
    config.title = title ? std::string(title, strnlen(title, kTitleMax)) : std::string();
    config.width = width;
    config.height = height;
    config.zoom = zoom;
    config.paced = paced;
    m_window = std::make_unique<SdlOutputWindow>(config, platform);
    m_backBuffer.create(width, height, Bitmap::FormatXrgb32);
}

WindowDisplay::~WindowDisplay()
{
    destroy();
}

void WindowDisplay::destroy()
{
    m_window.reset();
    m_backBuffer.destroy();
}

int WindowDisplay::present()
{
    if (m_window && m_window->ok())
        m_window->submit(m_backBuffer);
    return 1;
}

int WindowDisplay::mouseX() const
{
    return m_window ? m_window->mouseX() : 0;
}
int WindowDisplay::mouseY() const
{
    return m_window ? m_window->mouseY() : 0;
}
int WindowDisplay::mouseButton() const
{
    return m_window ? m_window->mouseButton() : 0;
}
bool WindowDisplay::ok() const
{
    return m_window && m_window->ok();
}

bool WindowDisplay::readBack(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height)
{
    return m_window && m_window->readBack(pixels, width, height);
}
