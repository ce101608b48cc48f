#pragma once
// The card behind a WaveOutDevice: it plays the written blocks in order and reports each finished one.

#include "music/SoundBuffer.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

class WaveOutDevice;

class WaveOut {
public:
    virtual ~WaveOut() = default;
    // Opens the card for `device` (44100 Hz, 16-bit stereo); nonzero on success.
    virtual int open(WaveOutDevice& device) = 0;
    // Output thread: queues block `index` (already filled) after the blocks queued before it.
    virtual int write(int index) = 0;
    // Output thread: stops playing and forgets the queued blocks; nonzero on success.
    virtual int reset() = 0;
    // Output thread: closes the card; nonzero on success.
    virtual int close() = 0;
    // Caller of the device's open/close, after the output thread has started or ended: a virtual card
    // waits there until the thread has refilled every finished block; the default does nothing.
    virtual void settle() {}
    virtual void detach() {}
    virtual uint32_t timeMs() = 0;
    virtual void sleepMs(uint32_t ms) = 0;
};

// A card that keeps the written blocks in a queue and plays them by `consume`; the three backends
// (offline, silent, SDL) differ only in who consumes and when.
class QueuedWaveOut : public WaveOut {
public:
    int open(WaveOutDevice& device) override;
    int write(int index) override;
    int reset() override;

protected:
    // Plays up to `frames` frames of the queued blocks into `out` (may be null: frames are dropped);
    // returns the frames played. A finished block is reported to the device.
    int64_t consume(int16_t* out, int64_t frames);
    // The front block's next frames without playing them: pointer and count (0 when nothing is queued).
    int64_t peek(const int16_t** frames);
    // Waits until all blocks are queued again, or the card is reset.
    void waitFull();
    int queued();

    WaveOutDevice* m_device = nullptr;
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_queue[8] = {};
    int m_head = 0;
    int m_count = 0;
    int64_t m_frontPos = 0; // frames of the front block already played
    bool m_reset = false;
};
