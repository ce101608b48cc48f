#pragma once
// The Windows program's platform: timeGetTime, Sleep, GetAsyncKeyState, MessageBoxA, SetThreadPriority.

#include "platform/Platform.h"

#include <cstdint>
#include <string>

class Win32Platform final : public Platform {
public:
    // Raises the system timer's resolution to 1 ms for the lifetime of the platform.
    Win32Platform();
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    // timeGetTime, counted from construction (so the 49-day wrap of the system count never shows).
    uint32_t timeMs() override;
    void sleepMs(uint32_t ms) override;
    // GetAsyncKeyState(VK_ESCAPE) is nonzero: down now, or pressed since the last query.
    bool escapePressed() override;
    bool escapeHeld() override;
    // MessageBoxA without owner, one OK button; the text also goes to stderr.
    void messageBox(const char* text, const char* caption) override;
    void setThreadPriority(ThreadPriority priority) override;

private:
    uint32_t m_start;
};

// The Windows Latin-1 (1252) bytes of a UTF-8 text, for the ANSI calls; characters outside it become '?'.
std::string toWindows1252(const char* utf8);
// A message box without owner whose text is UTF-8 (converted as above); the text also goes to stderr.
void win32MessageBox(const char* text, const char* caption, unsigned style);
