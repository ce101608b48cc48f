#pragma once
// Virtual sound cards: one follows the offline platform's clock (deterministic), one the real clock.

#include "music/WaveOut.h"

#include <atomic>
#include <functional>
#include <thread>

class OfflinePlatform;

// Plays as the offline clock moves: on every move it plays the frames up to the new time, and each
// finished block is refilled before the clock call returns.
class OfflineWaveOut final : public QueuedWaveOut {
public:
    OfflineWaveOut(OfflinePlatform& clock, std::function<void(const int16_t*, size_t)> sink);
    ~OfflineWaveOut() override;
    int open(WaveOutDevice& device) override;
    int close() override { return 1; }
    void settle() override { waitFull(); }
    void detach() override;
    uint32_t timeMs() override;
    void sleepMs(uint32_t ms) override;

private:
    void advance(uint32_t now);

    OfflinePlatform& m_clock;
    std::function<void(const int16_t*, size_t)> m_sink;
    uint32_t m_start = 0;
    int64_t m_played = 0;
    bool m_attached = false;
};

// Plays (and drops) the blocks at the pace of the real clock `platform()`.
class SilentWaveOut final : public QueuedWaveOut {
public:
    ~SilentWaveOut() override;
    int open(WaveOutDevice& device) override;
    int close() override;
    void detach() override { close(); }
    uint32_t timeMs() override;
    void sleepMs(uint32_t ms) override;

private:
    void pace();

    std::thread m_pacer;
    std::atomic<bool> m_quit{false};
    uint32_t m_start = 0;
};
