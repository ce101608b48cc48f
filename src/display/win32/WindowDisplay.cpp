#include "display/win32/WindowDisplay.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr size_t kTitleMax = 511;
// The outer size for a fixed frame of 3 pixels a side and a caption of 19: with larger system
// metrics the client area is smaller and the frame's right and bottom edges are cut off.
constexpr int32_t kFrameExtraWidth = 6;
constexpr int32_t kFrameExtraHeight = 25;
constexpr LONG kPixelsPerMetre = 100;

} // namespace

WindowDisplay::WindowDisplay(int32_t width, int32_t height, int32_t /*bitsPerPixel*/, const char* title)
{
    Win32WindowConfig config;
    config.title = title ? std::string(title, strnlen(title, kTitleMax)) : std::string();
    config.width = width + kFrameExtraWidth;
    config.height = height + kFrameExtraHeight;
    m_window = std::make_unique<Win32Window>(config);
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
    if (!ok() || !m_backBuffer.pixels())
        return 1;
    // A top-down 32-bit DIB: bytes B, G, R, 0, exactly the back buffer's layout.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = m_backBuffer.pitch() / 4;
    info.bmiHeader.biHeight = -m_backBuffer.height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biXPelsPerMeter = kPixelsPerMetre;
    info.bmiHeader.biYPelsPerMeter = kPixelsPerMetre;
    HWND window = m_window->handle();
    HDC dc = GetDC(window);
    SetDIBitsToDevice(dc, 0, 0, DWORD(m_backBuffer.width()), DWORD(m_backBuffer.height()), 0, 0, 0,
                      UINT(m_backBuffer.height()), m_backBuffer.pixels(), &info, DIB_RGB_COLORS);
    ReleaseDC(window, dc);
    return 1;
}

bool WindowDisplay::readBack(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height)
{
    if (!ok())
        return false;
    HWND window = m_window->handle();
    RECT client;
    GetClientRect(window, &client);
    width = client.right - client.left;
    height = client.bottom - client.top;
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = dib && bits;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, dib);
        ok = BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY) != 0;
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        pixels.assign(p, p + size_t(width) * size_t(height));
        for (uint32_t& v : pixels)
            v &= 0x00FFFFFFu;
        SelectObject(memory, old);
        DeleteObject(dib);
    }
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return ok;
}
