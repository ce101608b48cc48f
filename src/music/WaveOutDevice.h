#pragma once
// The sound device with four output blocks played by a WaveOut card, refilled by its output thread.

#include "music/SoundDevice.h"
#include "music/WaveOut.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class WaveOutDevice final : public SoundDevice {
public:
    explicit WaveOutDevice(std::unique_ptr<WaveOut> card);
    ~WaveOutDevice() override;

    // Opens the card and starts the output thread; 4 on success, 0 on failure.
    int open() override;
    // Stops the output thread (bounded), resets and closes the card; returns 1.
    int close() override;
    uint32_t timeMs() override { return m_card->timeMs(); }

    // Card side: block `index` has finished playing; wakes the output thread.
    void blockDone(int index);
    const SoundBuffer& block(int index) const { return m_blocks[index].buffer; }

protected:
    bool running() const override { return m_running.load(std::memory_order_acquire); }
    void sleepMs(uint32_t ms) override { m_card->sleepMs(ms); }

private:
    struct WaveBlock {
        SoundBuffer buffer;
        std::atomic<bool> done{true};
    };
    void signal();
    void threadMain();

    std::unique_ptr<WaveOut> m_card;
    WaveBlock m_blocks[kBlocks];
    std::thread m_thread;
    std::mutex m_eventLock;
    std::condition_variable m_event;
    bool m_signalled = false; // auto-reset event
    std::atomic<bool> m_stopRequest{false};
    std::atomic<bool> m_stopped{false};
    std::atomic<bool> m_running{false};
};
