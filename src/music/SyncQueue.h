#pragma once
// Timed sync events passed from the output thread to the runner's thread without a lock.

#include <atomic>
#include <cstdint>

struct SyncEvent {
    // Milliseconds on the device clock; -1 marks a free slot. Written last (release), read first (acquire).
    std::atomic<int> time{-1};
    int channel = 0;
    int index = 0;
    int spare = 0;
};

class SyncQueue {
public:
    static constexpr int kSlots = 256;

    // Output thread: stores the event in the first free slot, scanning from slot 0; 0 when full (dropped).
    int post(int time, int channel, int index)
    {
        for (SyncEvent& e : m_slots) {
            if (e.time.load(std::memory_order_acquire) != -1)
                continue;
            e.channel = channel;
            e.index = index;
            e.spare = 0;
            e.time.store(time, std::memory_order_release);
            return 1;
        }
        return 0;
    }
    // Runner's thread: takes the first slot (in slot order) whose time is not later than `now`,
    // frees it and returns its sync index; -1 when none is due.
    int takeDue(int now)
    {
        for (SyncEvent& e : m_slots) {
            int t = e.time.load(std::memory_order_acquire);
            if (t == -1 || t > now)
                continue;
            int index = e.index;
            e.time.store(-1, std::memory_order_release);
            return index;
        }
        return -1;
    }
    // Frees every slot; only while no producer runs.
    void clear()
    {
        for (SyncEvent& e : m_slots)
            e.time.store(-1, std::memory_order_release);
    }

private:
    SyncEvent m_slots[kSlots];
};
