#include "render/RenderContext.h"

#include "display/Display.h"

RenderContext::RenderContext(Display* display, int width, int height)
    : m_display(display), m_width(width), m_height(height)
{}

RenderContext::~RenderContext() = default;

int RenderContext::beginFrame()
{
    return 1;
}

int RenderContext::endFrame()
{
    return 1;
}

int RenderContext::setClearBackground(int flag)
{
    if (flag)
        m_clearBackground = true;
    return 1;
}

int RenderContext::present()
{
    return 1;
}

int RenderContext::drawPolygon(const JScreenVertex* const*, int count)
{
    return count < 3 ? 0 : 1;
}

int RenderContext::freeTextures()
{
    return 1;
}

const Bitmap* RenderContext::addTexture(const Bitmap&)
{
    return nullptr;
}

int RenderContext::setTextureMode(int mode)
{
    m_textureMode = mode;
    return 1;
}

int RenderContext::setShadeMode(int mode)
{
    m_shadeMode = mode;
    return 1;
}

int RenderContext::setTextureBlend(int blend)
{
    m_textureBlend = blend;
    return 1;
}

int RenderContext::setTexture(const Bitmap* texture)
{
    m_texture = texture;
    return 1;
}

int RenderContext::setBackground(int red, int green, int blue)
{
    m_backRed = red & 255;
    m_backGreen = green & 255;
    m_backBlue = blue & 255;
    return 1;
}

void RenderContext::deriveKind()
{}
