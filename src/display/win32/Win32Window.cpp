#include "display/win32/Win32Window.h"

#include <windows.h>

namespace {

constexpr const char* kClassName = "VELKORWIN";
constexpr DWORD kReadyPollMs = 100;
constexpr DWORD kDonePollMs = 10;

// Every message goes to the default handling: the window only shows what `present` draws.
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

Win32Window::Win32Window(const Win32WindowConfig& config) : m_config(config)
{
    m_thread = CreateThread(nullptr, 0, &Win32Window::threadEntry, this, 0, &m_threadId);
    if (!m_thread)
        return;
    SetThreadPriority(m_thread, THREAD_PRIORITY_HIGHEST);
    while (!m_windowReady.load(std::memory_order_acquire))
        Sleep(kReadyPollMs);
}

Win32Window::~Win32Window()
{
    if (!m_thread)
        return;
    if (HWND window = handle())
        PostMessageA(window, WM_DESTROY, 0, 0);
    while (!m_threadDone.load(std::memory_order_acquire))
        Sleep(kDonePollMs);
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
}

unsigned long __stdcall Win32Window::threadEntry(void* self)
{
    static_cast<Win32Window*>(self)->run();
    return 0;
}

void Win32Window::run()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_NOCLOSE;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_ACTIVECAPTION + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass); // a class left registered elsewhere serves as well

    // An overlapped window: caption and border, no system menu, no sizing frame.
    HWND window = CreateWindowExA(0, kClassName, m_config.title.c_str(), WS_VISIBLE | WS_CLIPCHILDREN | WS_OVERLAPPED,
                                  0, 0, m_config.width, m_config.height, nullptr, nullptr, instance, nullptr);
    m_window.store(window, std::memory_order_release);
    if (window) {
        if (m_config.fullscreen)
            SetFocus(window);
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
        if (m_config.opened)
            m_config.opened(window);
    }
    m_windowReady.store(true, std::memory_order_release);
    if (window) {
        if (m_config.fullscreen)
            ShowCursor(FALSE);
        messageLoop();
        if (m_config.closing)
            m_config.closing(window);
        if (m_config.fullscreen)
            ShowCursor(TRUE);
        DestroyWindow(window); // WM_DESTROY alone leaves the window, and the class then cannot go
    }
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    UnregisterClassA(kClassName, instance);
    m_threadDone.store(true, std::memory_order_release);
}

void Win32Window::messageLoop()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        if (message.message == WM_MOUSEMOVE) {
            m_mouseButton.store(int32_t(message.wParam & MK_LBUTTON), std::memory_order_relaxed);
            m_mouseX.store(int32_t(LOWORD(message.lParam)), std::memory_order_relaxed);
            m_mouseY.store(int32_t(HIWORD(message.lParam)), std::memory_order_relaxed);
        }
        DispatchMessageA(&message);
        if (message.message == WM_DESTROY)
            break;
    }
}
