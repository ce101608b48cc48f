#pragma once
// The window behind both Windows displays: a thread of its own at the highest priority registers the
// window class, creates the window and runs its message loop, keeping the last mouse move.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

struct HWND__;

struct Win32WindowConfig {
    std::string title;
    int32_t width = 0; // outer size
    int32_t height = 0;
    bool fullscreen = false; // takes the focus and hides the cursor while it exists
    // Run on the window thread: once the window is shown, before the constructor returns, and once the
    // message loop has ended, before the window is destroyed.
    std::function<void(HWND__*)> opened;
    std::function<void(HWND__*)> closing;
};

class Win32Window final {
public:
    // Starts the window thread and polls every 100 ms until the window is ready (or could not be made).
    explicit Win32Window(const Win32WindowConfig& config);
    // Posts WM_DESTROY and polls every 10 ms until the thread has destroyed the window, unregistered
    // the class and ended.
    ~Win32Window();
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // The window, or null when it could not be made.
    HWND__* handle() const { return m_window.load(std::memory_order_acquire); }
    int32_t mouseX() const { return m_mouseX.load(std::memory_order_relaxed); }
    int32_t mouseY() const { return m_mouseY.load(std::memory_order_relaxed); }
    int32_t mouseButton() const { return m_mouseButton.load(std::memory_order_relaxed); }

private:
    static unsigned long __stdcall threadEntry(void* self);
    void run();
    void messageLoop();

    Win32WindowConfig m_config;
    void* m_thread = nullptr;
    unsigned long m_threadId = 0;
    std::atomic<HWND__*> m_window{nullptr};
    std::atomic<bool> m_windowReady{false};
    std::atomic<bool> m_threadDone{false};
    std::atomic<int32_t> m_mouseX{0};
    std::atomic<int32_t> m_mouseY{0};
    std::atomic<int32_t> m_mouseButton{0};
};
