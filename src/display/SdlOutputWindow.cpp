#include "display/SdlOutputWindow.h"

#include "display/FrameConvert.h"
#include "display/Screenshot.h"
#include "display/SurfaceFailure.h"
#include "platform/Platform.h"
#include "platform/SdlPlatform.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

// How long the window thread waits for an event before it looks at its flags again.
constexpr int kEventWaitMs = 10;

uint32_t textureFormatForDepth(int32_t depth)
{
    switch (depth) {
    case 32: return SDL_PIXELFORMAT_XRGB8888;
    case 24: return SDL_PIXELFORMAT_BGR24; // bytes B, G, R
    case 16: return SDL_PIXELFORMAT_XRGB1555;
    default: return SDL_PIXELFORMAT_UNKNOWN;
    }
}

} // namespace

SdlOutputWindow::SdlOutputWindow(const SdlOutputConfig& config, SdlPlatform* platform)
    : m_config(config), m_platform(platform), m_slots(config.width, config.height)
{
    if (m_config.zoom < 1)
        m_config.zoom = 1;
    m_thread = std::thread(&SdlOutputWindow::run, this);
    // The window thread sets the flag whether or not its window could be made.
    while (!m_windowReady.load(std::memory_order_acquire))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

SdlOutputWindow::~SdlOutputWindow()
{
    // A flag rather than a message: it also ends a thread whose window was never made.
    m_stop.store(true, std::memory_order_release);
    if (m_thread.joinable())
        m_thread.join();
}

void SdlOutputWindow::submit(const Bitmap& frame)
{
    m_slots.publish(frame);
    wake();
}

void SdlOutputWindow::wake()
{
    const uint32_t type = m_wakeEvent.load(std::memory_order_acquire);
    if (type == 0 || m_wakePending.exchange(true, std::memory_order_acq_rel))
        return;
    SDL_Event event{};
    event.type = type;
    if (SDL_PushEvent(&event) <= 0)
        m_wakePending.store(false, std::memory_order_release);
}

bool SdlOutputWindow::readBack(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height)
{
    if (!ok())
        return false;
    m_readState.store(ReadRequested, std::memory_order_release);
    wake();
    int state;
    while ((state = m_readState.load(std::memory_order_acquire)) == ReadRequested) {
        if (m_threadDone.load(std::memory_order_acquire))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (state == ReadDone) {
        pixels = m_readPixels;
        width = m_readWidth;
        height = m_readHeight;
    }
    m_readState.store(ReadIdle, std::memory_order_release);
    return state == ReadDone;
}

void SdlOutputWindow::run()
{
    platform().setThreadPriority(ThreadPriority::Highest);
    const bool opened = open();
    m_windowReady.store(true, std::memory_order_release);
    if (opened) {
        bool redraw = true;
        while (!m_stop.load(std::memory_order_acquire)) {
            SDL_Event event;
            if (SDL_WaitEventTimeout(&event, kEventWaitMs)) {
                do {
                    if (event.type == SDL_WINDOWEVENT && (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                                                          event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED))
                        redraw = true;
                    handle(event);
                } while (SDL_PollEvent(&event));
            }
            const bool fresh = m_slots.take();
            const bool readNow = m_readState.load(std::memory_order_acquire) == ReadRequested;
            if (fresh || redraw || readNow) {
                draw(readNow);
                redraw = false;
            }
        }
    }
    close();
    platform().setThreadPriority(ThreadPriority::Normal);
    SDL_TLSCleanup(); // SDL keeps per-thread data (its error text) for threads it did not start
    m_threadDone.store(true, std::memory_order_release);
}

bool SdlOutputWindow::open()
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    m_videoInit = true;
    if (!SdlPlatform::videoReachesAScreen())
        return false; // frames shown into nowhere are no display
    const int32_t w = m_config.width, h = m_config.height;
    if (m_config.fullscreen) {
        // Desktop fullscreen: no mode switch, and the window stays when the focus goes elsewhere.
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        m_window = SDL_CreateWindow(m_config.title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, w, h,
                                    SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_HIDDEN);
    } else {
        m_window =
            SDL_CreateWindow(m_config.title.c_str(), 0, 0, w * m_config.zoom, h * m_config.zoom, SDL_WINDOW_SHOWN);
    }
    if (!m_window)
        return false;
    // Shown before the renderer exists: a GL drawable made for the hidden window keeps its first size.
    if (m_config.fullscreen)
        SDL_ShowWindow(m_window);

    m_renderer = SDL_CreateRenderer(m_window, -1, m_config.fullscreen ? SDL_RENDERER_PRESENTVSYNC : 0);
    if (!m_renderer && m_config.fullscreen)
        m_renderer = SDL_CreateRenderer(m_window, -1, 0);
    if (m_renderer) {
        if (m_config.fullscreen) {
            // The frame keeps its aspect with black bars; integer scaling leaves wider bars.
            SDL_RenderSetLogicalSize(m_renderer, w, h);
            SDL_RenderSetIntegerScale(m_renderer, m_config.scale == FullscreenScale::Integer ? SDL_TRUE : SDL_FALSE);
            static const int32_t depths[3] = {32, 24, 16};
            int first = 0;
            while (first < 3 && depths[first] != m_config.firstDepth)
                ++first;
            for (int i = first; i < 3; ++i) {
                if (attemptDepth(depths[i])) {
                    m_depth.store(depths[i], std::memory_order_release);
                    break;
                }
            }
        } else if (attemptDepth(32)) {
            m_depth.store(32, std::memory_order_release);
        }
    } else {
        std::fprintf(stderr, "kalvora: no renderer for the window: %s\n", SDL_GetError());
    }

    if (m_config.fullscreen) {
        SDL_RaiseWindow(m_window);
        SDL_ShowCursor(SDL_DISABLE);
    } else if (!m_texture) {
        return false; // a window that cannot show the frame is no display
    }
    const uint32_t wakeType = SDL_RegisterEvents(1);
    if (wakeType != uint32_t(-1))
        m_wakeEvent.store(wakeType, std::memory_order_release);
    m_ok.store(true, std::memory_order_release);
    return true;
}

bool SdlOutputWindow::attemptDepth(int32_t depth)
{
    const uint32_t depthBit = depth == 32 ? 4u : depth == 24 ? 2u : 1u;
    if (m_config.refusedDepths & depthBit)
        SDL_OutOfMemory();
    else
        m_texture = SDL_CreateTexture(m_renderer, textureFormatForDepth(depth), SDL_TEXTUREACCESS_STREAMING,
                                      m_config.width, m_config.height);
    if (!m_texture) {
        if (m_config.fullscreen) {
            // The window steps aside while the message is up, so the message is never behind it.
            const uint32_t code = surfaceFailureCode(SDL_GetError());
            SDL_HideWindow(m_window);
            platform().messageBox(surfaceFailureText(code), kSurfaceFailureCaption);
            SDL_ShowWindow(m_window);
        }
        return false;
    }
    // The texture must also take a frame; if it cannot, the next depth is tried without a message.
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(m_texture, nullptr, &pixels, &pitch) != 0) {
        SDL_DestroyTexture(m_texture);
        m_texture = nullptr;
        return false;
    }
    SDL_UnlockTexture(m_texture);
    SDL_SetTextureScaleMode(m_texture, SDL_ScaleModeNearest);
    return true;
}

void SdlOutputWindow::close()
{
    m_wakeEvent.store(0, std::memory_order_release);
    if (m_config.fullscreen && m_window)
        SDL_ShowCursor(SDL_ENABLE);
    if (m_texture)
        SDL_DestroyTexture(m_texture);
    if (m_renderer)
        SDL_DestroyRenderer(m_renderer);
    if (m_window)
        SDL_DestroyWindow(m_window);
    m_texture = nullptr;
    m_renderer = nullptr;
    m_window = nullptr;
    if (m_videoInit)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    m_videoInit = false;
}

void SdlOutputWindow::handle(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        if (m_platform)
            m_platform->requestQuit();
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE && m_platform)
            m_platform->requestQuit();
        break;
    case SDL_KEYDOWN:
        if (event.key.keysym.sym == SDLK_ESCAPE && m_platform)
            m_platform->setEscapeDown(true);
        else if (event.key.keysym.sym == SDLK_F12 && !event.key.repeat)
            screenshot();
        break;
    case SDL_KEYUP:
        if (event.key.keysym.sym == SDLK_ESCAPE && m_platform)
            m_platform->setEscapeDown(false);
        break;
    case SDL_MOUSEMOTION: {
        // Fullscreen events arrive in frame coordinates already (the logical size); a zoomed
        // window's are divided down to them.
        const int32_t zoom = m_config.fullscreen ? 1 : m_config.zoom;
        m_mouseX.store(event.motion.x / zoom, std::memory_order_relaxed);
        m_mouseY.store(event.motion.y / zoom, std::memory_order_relaxed);
        m_mouseButton.store((event.motion.state & SDL_BUTTON_LMASK) ? 1 : 0, std::memory_order_relaxed);
        break;
    }
    default:
        if (event.type == m_wakeEvent.load(std::memory_order_relaxed))
            m_wakePending.store(false, std::memory_order_release);
        break;
    }
}

void SdlOutputWindow::draw(bool readBackNow)
{
    if (!m_renderer || !m_texture)
        return;
    const Bitmap& frame = m_slots.current();
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(m_texture, nullptr, &pixels, &pitch) == 0) {
        uint8_t* dst = static_cast<uint8_t*>(pixels);
        const int32_t depth = m_depth.load(std::memory_order_relaxed);
        if (depth == 24)
            convertFrameBgr24(frame.pixels(), frame.pitch(), dst, pitch, frame.width(), frame.height());
        else if (depth == 16)
            convertFrameXrgb1555(frame.pixels(), frame.pitch(), dst, pitch, frame.width(), frame.height());
        else
            convertFrameXrgb32(frame.pixels(), frame.pitch(), dst, pitch, frame.width(), frame.height());
        SDL_UnlockTexture(m_texture);
    }
    SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
    SDL_RenderClear(m_renderer);
    SDL_RenderCopy(m_renderer, m_texture, nullptr, nullptr);
    if (readBackNow) {
        // Read the whole output, black bars included: drop the logical size for the read.
        if (m_config.fullscreen)
            SDL_RenderSetLogicalSize(m_renderer, 0, 0);
        int w = 0, h = 0;
        bool done = SDL_GetRendererOutputSize(m_renderer, &w, &h) == 0 && w > 0 && h > 0;
        if (done) {
            m_readPixels.resize(size_t(w) * size_t(h));
            done = SDL_RenderReadPixels(m_renderer, nullptr, SDL_PIXELFORMAT_XRGB8888, m_readPixels.data(), w * 4) == 0;
        }
        if (m_config.fullscreen) {
            SDL_RenderSetLogicalSize(m_renderer, m_config.width, m_config.height);
            SDL_RenderSetIntegerScale(m_renderer, m_config.scale == FullscreenScale::Integer ? SDL_TRUE : SDL_FALSE);
        }
        m_readWidth = w;
        m_readHeight = h;
        m_readState.store(done ? ReadDone : ReadFailed, std::memory_order_release);
    }
    SDL_RenderPresent(m_renderer);
}

void SdlOutputWindow::screenshot()
{
    const std::string path = saveScreenshot(m_slots.current());
    if (path.empty()) {
        std::fprintf(stderr, "kalvora: could not write a screenshot in the current directory\n");
        return;
    }
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error).lexically_normal();
    std::fprintf(stderr, "kalvora: screenshot written to %s\n", error ? path.c_str() : full.string().c_str());
}
