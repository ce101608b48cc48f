#include "platform/win32/Win32Platform.h"

#include <windows.h>

#include <cstdio>

namespace {
constexpr UINT kTimerResolutionMs = 1;
} // namespace

Win32Platform::Win32Platform()
{
    timeBeginPeriod(kTimerResolutionMs);
    m_start = timeGetTime();
}

Win32Platform::~Win32Platform()
{
    timeEndPeriod(kTimerResolutionMs);
}

uint32_t Win32Platform::timeMs()
{
    return timeGetTime() - m_start;
}

void Win32Platform::sleepMs(uint32_t ms)
{
    Sleep(ms);
}

bool Win32Platform::escapePressed()
{
    return GetAsyncKeyState(VK_ESCAPE) != 0;
}

bool Win32Platform::escapeHeld()
{
    return GetAsyncKeyState(VK_ESCAPE) != 0;
}

void Win32Platform::messageBox(const char* text, const char* caption)
{
    win32MessageBox(text, caption, MB_OK);
}

void Win32Platform::setThreadPriority(ThreadPriority priority)
{
    const int p = priority == ThreadPriority::Highest       ? THREAD_PRIORITY_HIGHEST
                  : priority == ThreadPriority::AboveNormal ? THREAD_PRIORITY_ABOVE_NORMAL
                                                            : THREAD_PRIORITY_NORMAL;
    SetThreadPriority(GetCurrentThread(), p);
}

std::string toWindows1252(const char* utf8)
{
    std::string out;
    const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (wide <= 0)
        return out;
    std::wstring w(size_t(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, w.data(), wide);
    const int bytes = WideCharToMultiByte(1252, 0, w.c_str(), -1, nullptr, 0, "?", nullptr);
    if (bytes <= 0)
        return out;
    out.assign(size_t(bytes), '\0');
    WideCharToMultiByte(1252, 0, w.c_str(), -1, out.data(), bytes, "?", nullptr);
    out.resize(size_t(bytes) - 1); // the terminating NUL
    return out;
}

void win32MessageBox(const char* text, const char* caption, unsigned style)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
    MessageBoxA(nullptr, toWindows1252(text).c_str(), toWindows1252(caption).c_str(), style);
}
