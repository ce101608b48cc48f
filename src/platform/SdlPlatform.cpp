#include "platform/SdlPlatform.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

SdlPlatform::SdlPlatform() : m_start(std::chrono::steady_clock::now())
{
    SDL_Init(0);
}

SdlPlatform::~SdlPlatform()
{
    SDL_Quit();
}

bool SdlPlatform::hasDisplay()
{
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    // An explicit driver choice is trusted (it may be a console driver that needs no server).
    return set("SDL_VIDEODRIVER") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

bool SdlPlatform::videoReachesAScreen()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver)
        return false;
    if (SDL_strcasecmp(driver, "offscreen") != 0 && SDL_strcasecmp(driver, "dummy") != 0)
        return true;
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    return asked && SDL_strcasestr(asked, driver) != nullptr;
}

uint32_t SdlPlatform::timeMs()
{
    const auto now = std::chrono::steady_clock::now();
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now - m_start).count());
}

void SdlPlatform::sleepMs(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool SdlPlatform::escapePressed()
{
    const bool seen = m_escapeSeen.exchange(false, std::memory_order_acq_rel);
    return seen || m_escapeDown.load(std::memory_order_acquire) || m_quit.load(std::memory_order_acquire);
}

void SdlPlatform::setEscapeDown(bool down)
{
    m_escapeDown.store(down, std::memory_order_release);
    if (down)
        m_escapeSeen.store(true, std::memory_order_release);
}

void SdlPlatform::messageBox(const char* text, const char* caption)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
    // Without a video subsystem this fails quietly; stderr already has the text.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
}

void SdlPlatform::setThreadPriority(ThreadPriority priority)
{
    const SDL_ThreadPriority p = priority == ThreadPriority::Highest       ? SDL_THREAD_PRIORITY_HIGH
                                 : priority == ThreadPriority::AboveNormal ? SDL_THREAD_PRIORITY_HIGH
                                                                           : SDL_THREAD_PRIORITY_NORMAL;
    SDL_SetThreadPriority(p); // usually refused without privileges; that is fine
}
