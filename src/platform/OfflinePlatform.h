#pragma once
// A platform with a virtual clock that moves only when asked, so an offline run repeats exactly.

#include "platform/Platform.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class OfflinePlatform final : public Platform {
public:
    uint32_t timeMs() override;
    // Advances the virtual clock; there is no real wait.
    void sleepMs(uint32_t ms) override;
    // Never pressed offline, unless a test presses it.
    bool escapePressed() override;
    bool escapeHeld() override { return m_held.load(std::memory_order_acquire); }
    // Written to stderr (and kept for tests); never blocks.
    void messageBox(const char* text, const char* caption) override;
    void setThreadPriority(ThreadPriority) override {}

    // Moves the clock forward to `ms` (never back) and tells the listener.
    void advanceTo(uint32_t ms);
    void advanceBy(uint32_t ms) { advanceTo(timeMs() + ms); }
    // Called on the advancing thread after every move of the clock, with the new time.
    // The offline sound card uses it to finish the blocks whose end the clock has passed.
    void setClockListener(std::function<void(uint32_t)> listener);

    void pressEscape() { m_escape.store(true, std::memory_order_release); }
    // Holds Escape down until released (tests of the wait before the show).
    void holdEscape(bool held) { m_held.store(held, std::memory_order_release); }
    // Every "caption: text" shown so far.
    std::vector<std::string> messages() const;
    void setQuiet(bool quiet) { m_quiet = quiet; }

private:
    std::atomic<uint32_t> m_now{0};
    std::atomic<bool> m_escape{false};
    std::atomic<bool> m_held{false};
    std::function<void(uint32_t)> m_listener;
    mutable std::mutex m_messageLock;
    std::vector<std::string> m_messages;
    bool m_quiet = false;
};
