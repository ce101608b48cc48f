#pragma once
// The operating-system services the show uses: clock, sleep, Escape key, message boxes, priorities.

#include <cstdint>

enum class ThreadPriority { Normal, AboveNormal, Highest };

class Platform {
public:
    virtual ~Platform() = default;

    // Milliseconds since the program started; monotonic, callable from any thread.
    virtual uint32_t timeMs() = 0;
    virtual void sleepMs(uint32_t ms) = 0;
    // Escape is down now, or was pressed since the last call. Closing the window counts as Escape.
    virtual bool escapePressed() = 0;
    // Escape is held down at this moment (the show waits for its release before it starts).
    virtual bool escapeHeld() = 0;
    // A modal message with one OK button and no owner; the text also goes to stderr.
    virtual void messageBox(const char* text, const char* caption) = 0;
    // Best effort for the calling thread; failures are ignored.
    virtual void setThreadPriority(ThreadPriority priority) = 0;
};

// The process-wide platform. Until the program installs one, an offline platform serves.
Platform& platform();
// Installs `p` (not owned) as the process-wide platform; nullptr restores the default.
void setPlatform(Platform* p);

// Installs a platform for the lifetime of a scope, and restores the default after it.
class PlatformScope {
public:
    explicit PlatformScope(Platform& p) { setPlatform(&p); }
    ~PlatformScope() { setPlatform(nullptr); }
    PlatformScope(const PlatformScope&) = delete;
    PlatformScope& operator=(const PlatformScope&) = delete;
};
