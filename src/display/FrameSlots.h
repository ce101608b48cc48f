#pragma once
// Hands finished frames from the drawing thread to the window thread without locks (three slots).

#include "data/Bitmap.h"

#include <atomic>
#include <cstdint>

// One producer calls publish, one consumer calls take and current. The producer never waits and
// nothing allocates after construction; the consumer always sees the newest complete frame.
class FrameSlots {
public:
    // Three zeroed 32-bit frames of this size.
    FrameSlots(int32_t width, int32_t height);

    // Producer: copies `frame` (its top-left width x height, or less if it is smaller) into a free
    // slot and makes it the newest frame.
    void publish(const Bitmap& frame);
    // Consumer: makes the newest frame current if there is one it has not taken yet; true if so.
    bool take();
    // Either side: true while the newest published frame has not been taken yet.
    bool untaken() const { return (m_ready.load(std::memory_order_acquire) & kFresh) != 0; }
    // Consumer: the frame taken last (zeroed until the first take).
    const Bitmap& current() const { return m_slots[m_read]; }

private:
    static constexpr uint32_t kFresh = 4;
    Bitmap m_slots[3];
    int m_write = 0;                  // producer only
    int m_read = 2;                   // consumer only
    std::atomic<uint32_t> m_ready{1}; // slot index of the newest frame, | kFresh until taken
};
