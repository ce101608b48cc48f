#pragma once
// The interactive program's platform: steady clock, real sleeps, Escape from the window's events,
// SDL message boxes.

#include "platform/Platform.h"

#include <atomic>
#include <chrono>

class SdlPlatform final : public Platform {
public:
    // Initialises SDL without subsystems; the dialog, the displays and the sound add theirs.
    SdlPlatform();
    ~SdlPlatform() override;
    uint32_t timeMs() override;
    void sleepMs(uint32_t ms) override;
    bool escapePressed() override;
    bool escapeHeld() override { return m_escapeDown.load(std::memory_order_acquire); }
    void messageBox(const char* text, const char* caption) override;
    void setThreadPriority(ThreadPriority priority) override;

    // Whether there is a display to open windows on. Without one SDL would quietly fall back to a
    // driver that draws nowhere, and a dialog would wait forever for a click.
    static bool hasDisplay();
    // After video has started: false when SDL fell back to a driver that draws nowhere (offscreen,
    // dummy) that SDL_VIDEODRIVER did not ask for.
    static bool videoReachesAScreen();

    // Called by whichever thread pumps the window's events.
    void setEscapeDown(bool down);
    void requestQuit() { m_quit.store(true, std::memory_order_release); }

private:
    std::chrono::steady_clock::time_point m_start;
    std::atomic<bool> m_escapeDown{false};
    std::atomic<bool> m_escapeSeen{false}; // pressed since the last escapePressed()
    std::atomic<bool> m_quit{false};
};
