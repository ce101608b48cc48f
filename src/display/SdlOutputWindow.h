#pragma once
// The SDL window behind both displays: a thread of its own that initialises video and owns the
// window, renderer, frame texture and event pump, and shows the frames handed to it.

#include "display/FrameSlots.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class SdlPlatform;
struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

enum class FullscreenScale { Fit, Integer };

struct SdlOutputConfig {
    std::string title;
    int32_t width = 640; // frame size
    int32_t height = 480;
    int32_t zoom = 1; // windowed: the window is zoom times the frame, nearest neighbour
    bool fullscreen = false;
    FullscreenScale scale = FullscreenScale::Fit;
    int32_t firstDepth = 32; // fullscreen: the depth attempts start here (32, 24, 16)
    // Paced: a submit waits until the window thread has taken the frame before it, and the window thread
    // shows one frame per display refresh (vsync where it works, else a timer), sleeping in between.
    // Unpaced: submits never wait and every frame is shown as soon as it arrives.
    bool paced = true;
    // For tests: depths (32, 24, 16 as bits 2, 1, 0) whose texture is refused as if the renderer
    // had run out of memory, so the failure path can be seen on any machine.
    uint32_t refusedDepths = 0;
};

class SdlOutputWindow final {
public:
    // Starts the window thread and returns once the window is ready or has failed. `platform` (may
    // be null) receives Escape and quit requests from the window's events.
    SdlOutputWindow(const SdlOutputConfig& config, SdlPlatform* platform);
    // Ends the window thread; the window, its renderer and video are gone when this returns.
    ~SdlOutputWindow();
    SdlOutputWindow(const SdlOutputWindow&) = delete;
    SdlOutputWindow& operator=(const SdlOutputWindow&) = delete;

    // True when the window and its renderer exist.
    bool ok() const { return m_ok.load(std::memory_order_acquire); }
    // Fullscreen: the depth whose texture was made (32, 24, 16), or 0. Windowed: 32, or 0 on failure.
    int32_t depth() const { return m_depth.load(std::memory_order_acquire); }

    // Main thread: copies `frame` for the window thread to show. Paced, it first waits (at most
    // kTakeTimeoutMs) until the window thread has taken the frame submitted before.
    void submit(const Bitmap& frame);

    // Frame coordinates of the last mouse move, and whether the left button was down at it.
    int32_t mouseX() const { return m_mouseX.load(std::memory_order_relaxed); }
    int32_t mouseY() const { return m_mouseY.load(std::memory_order_relaxed); }
    int32_t mouseButton() const { return m_mouseButton.load(std::memory_order_relaxed); }

    // Main thread: has the window thread draw the current frame again and read back the whole
    // window's pixels (0x00RRGGBB, row after row). False when the window does not exist.
    bool readBack(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);

    static constexpr int kTakeTimeoutMs = 100;

private:
    enum ReadState : int { ReadIdle, ReadRequested, ReadDone, ReadFailed };
    using Clock = std::chrono::steady_clock;

    SdlOutputConfig m_config;
    SdlPlatform* m_platform;
    FrameSlots m_slots;
    std::thread m_thread;
    std::mutex m_takenLock; // with m_taken: the window thread took a frame
    std::condition_variable m_taken;

    std::atomic<bool> m_windowReady{false};
    std::atomic<bool> m_threadDone{false};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ok{false};
    std::atomic<int32_t> m_depth{0};
    std::atomic<int32_t> m_mouseX{0};
    std::atomic<int32_t> m_mouseY{0};
    std::atomic<int32_t> m_mouseButton{0};
    std::atomic<uint32_t> m_wakeEvent{0};   // SDL user event type that wakes the thread, 0 before video
    std::atomic<bool> m_wakePending{false}; // one wake event in the queue is enough
    std::atomic<int> m_readState{ReadIdle};
    std::vector<uint32_t> m_readPixels; // written by the window thread while ReadRequested
    int32_t m_readWidth = 0;
    int32_t m_readHeight = 0;

    // Window thread only.
    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    bool m_videoInit = false;    // this thread holds a reference on SDL's video subsystem
    Clock::duration m_refresh{}; // one display refresh
    Clock::time_point m_due{};   // paced: when the next frame may be shown

    void wake();
    void run();
    bool open();
    bool attemptDepth(int32_t depth);
    void close();
    void handle(const SDL_Event& event);
    void draw(bool readBackNow);
    void takeFrame(bool& fresh);
    int waitMs(bool frameWaiting) const;
    void scheduleNext(Clock::time_point drawStart);
    void screenshot();
};
