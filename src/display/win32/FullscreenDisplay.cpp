#include "display/win32/FullscreenDisplay.h"

#include "display/SurfaceFailure.h"
#include "platform/win32/Win32Platform.h"

#include <windows.h>

#include <ddraw.h>

#include <cstring>

namespace {

constexpr int32_t kDepths[] = {32, 24, 16};
constexpr int32_t kCooperativeWindowSize = 100;
constexpr DWORD kReleaseSettleMs = 100;

DDSURFACEDESC surfaceDesc()
{
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    return desc;
}

// The channel of a 32-bit pixel for a mask of the front surface, scaled back to 8 bits.
uint32_t channelFrom16(uint32_t word, uint32_t mask)
{
    if (mask == 0)
        return 0;
    int shift = 0, bits = 0;
    while (!(mask & (1u << shift)))
        ++shift;
    while (mask & (1u << (shift + bits)))
        ++bits;
    return ((word & mask) >> shift) << (8 - bits);
}

} // namespace

// DirectDraw is set up and released on the window's own thread. Exclusive mode restyles and moves the
// window; from another thread that goes through a helper thread of the driver, which can deadlock
// against the mode switch that follows.
FullscreenDisplay::FullscreenDisplay(int32_t width, int32_t height, int32_t /*bitsPerPixel*/, int32_t firstDepth)
    : m_width(width), m_height(height)
{
    m_backBuffer.create(width, height, Bitmap::FormatXrgb32);
    Win32WindowConfig config;
    config.title = "fafa";
    config.width = kCooperativeWindowSize;
    config.height = kCooperativeWindowSize;
    config.fullscreen = true;
    config.opened = [this, firstDepth](HWND window) { open(window, firstDepth); };
    config.closing = [this](HWND window) { close(window); };
    m_window = std::make_unique<Win32Window>(config);
}

FullscreenDisplay::~FullscreenDisplay()
{
    destroy();
}

void FullscreenDisplay::open(HWND window, int32_t firstDepth)
{
    if (DirectDrawCreate(nullptr, &m_directDraw, nullptr) != DD_OK) {
        m_directDraw = nullptr;
        return;
    }
    m_directDraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    bool started = false;
    for (int32_t depth : kDepths) {
        started = started || depth == firstDepth;
        if (started && attemptMode(depth)) {
            m_depth = depth;
            break;
        }
    }
}

void FullscreenDisplay::close(HWND window)
{
    if (!m_directDraw)
        return;
    m_directDraw->RestoreDisplayMode();
    m_directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
    if (m_primary)
        m_primary->Release(); // its attached back buffer goes with it
    m_directDraw->Release();
    m_primary = nullptr;
    m_backSurface = nullptr;
    m_directDraw = nullptr;
    m_depth = 0;
    Sleep(kReleaseSettleMs);
}

bool FullscreenDisplay::attemptMode(int32_t depth)
{
    if (m_directDraw->SetDisplayMode(DWORD(m_width), DWORD(m_height), DWORD(depth)) != DD_OK)
        return false;
    DDSURFACEDESC desc = surfaceDesc();
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    const HRESULT created = m_directDraw->CreateSurface(&desc, &m_primary, nullptr);
    if (created != DD_OK) {
        m_primary = nullptr;
        win32MessageBox(surfaceFailureText(uint32_t(created)), kSurfaceFailureCaption, MB_ICONERROR);
        return false;
    }
    DDSCAPS caps = {};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    if (m_primary->GetAttachedSurface(&caps, &m_backSurface) != DD_OK) {
        m_backSurface = nullptr;
        m_primary->Release(); // the next depth makes a primary of its own
        m_primary = nullptr;
        return false;
    }
    // The 16-bit layout comes from the mode itself: 5-6-5 and 5-5-5 screens both exist.
    DDSURFACEDESC format = surfaceDesc();
    if (m_backSurface->GetSurfaceDesc(&format) == DD_OK && (format.dwFlags & DDSD_PIXELFORMAT) &&
        format.ddpfPixelFormat.dwRGBBitCount == 16)
        m_masks16 = {uint16_t(format.ddpfPixelFormat.dwRBitMask), uint16_t(format.ddpfPixelFormat.dwGBitMask),
                     uint16_t(format.ddpfPixelFormat.dwBBitMask)};
    return true;
}

void FullscreenDisplay::destroy()
{
    m_window.reset(); // releases DirectDraw on the window thread
    m_backBuffer.destroy();
}

void FullscreenDisplay::copyFrame(uint8_t* surface, int32_t pitch) const
{
    const uint8_t* src = m_backBuffer.pixels();
    const int32_t srcPitch = m_backBuffer.pitch();
    const int32_t w = m_backBuffer.width(), h = m_backBuffer.height();
    if (m_depth == 32)
        convertFrameXrgb32(src, srcPitch, surface, pitch, w, h);
    else if (m_depth == 24)
        convertFrameBgr24(src, srcPitch, surface, pitch, w, h);
    else
        convertFrameMasked16(src, srcPitch, surface, pitch, w, h, m_masks16);
}

int FullscreenDisplay::present()
{
    if (m_depth == 0 || !m_backBuffer.pixels())
        return 0;
    bool restored = false;
    for (;;) {
        DDSURFACEDESC desc = surfaceDesc();
        const HRESULT locked = m_backSurface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
        if (locked == DD_OK) {
            copyFrame(static_cast<uint8_t*>(desc.lpSurface), int32_t(desc.lPitch));
            m_backSurface->Unlock(desc.lpSurface);
            break;
        }
        if (locked == DDERR_WASSTILLDRAWING)
            continue;
        // After switching away the surfaces are lost: restore them once and draw this frame again.
        if (locked == DDERR_SURFACELOST && !restored && m_primary->Restore() == DD_OK) {
            restored = true;
            continue;
        }
        break; // the frame is skipped, the flip still made
    }
    if (m_primary->Flip(nullptr, DDFLIP_WAIT) == DDERR_SURFACELOST)
        m_primary->Restore();
    return 1;
}

bool FullscreenDisplay::readBack(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height)
{
    if (m_depth == 0)
        return false;
    DDSURFACEDESC desc = surfaceDesc();
    if (m_primary->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK)
        return false;
    width = int32_t(desc.dwWidth);
    height = int32_t(desc.dwHeight);
    pixels.resize(size_t(width) * size_t(height));
    const DDPIXELFORMAT& f = desc.ddpfPixelFormat;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(desc.lpSurface) + ptrdiff_t(y) * desc.lPitch;
        for (int32_t x = 0; x < width; ++x) {
            uint32_t v = 0;
            if (m_depth == 16) {
                uint16_t w;
                std::memcpy(&w, row + 2 * x, 2);
                v = channelFrom16(w, f.dwRBitMask) << 16 | channelFrom16(w, f.dwGBitMask) << 8 |
                    channelFrom16(w, f.dwBBitMask);
            } else {
                const uint8_t* p = row + x * (m_depth / 8);
                v = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
            }
            pixels[size_t(y) * size_t(width) + size_t(x)] = v;
        }
    }
    m_primary->Unlock(desc.lpSurface);
    return true;
}
