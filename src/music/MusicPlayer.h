#pragma once
// The format-independent half of a player: device link, voices, master volume, sync queue and counters.

#include "music/SyncQueue.h"
#include "music/TriggerSource.h"

#include <atomic>
#include <cstdint>

class SoundDevice;
struct Voice;

class MusicPlayer : public TriggerSource {
public:
    static constexpr int kMaxVoices = 32;

    MusicPlayer();
    ~MusicPlayer() override = default;

    virtual int loadFromMemory(const uint8_t* data, size_t size) = 0;
    virtual int loadFromFile(const char* name) = 0;
    virtual int status() { return 0; }
    // Output thread: advances the song by one tick.
    virtual int tick() = 0;
    virtual int resetChannels() = 0;
    virtual int restart() = 0;
    virtual float ticksPerSecond() = 0;

    // Clamps to 0..32; any thread.
    int setMasterVolume(int volume);
    int masterVolume() const { return m_masterVolume.load(std::memory_order_relaxed); }

    // Runner's thread, while playing: asks the output thread to restart the song before its next tick.
    void requestRestart() { m_restartRequest.store(true, std::memory_order_release); }
    // Output thread: carries out a pending restart request.
    void serviceRestart()
    {
        if (m_restartRequest.exchange(false, std::memory_order_acq_rel))
            restart();
    }

    // Takes one free pool voice per channel from `device`; 0 (nothing kept) when the pool lacks them.
    int attachDevice(SoundDevice* device);
    // Output thread: returns the voices to the pool.
    void releaseVoices();
    SoundDevice* device() const { return m_device; }
    int channelCount() const { return m_channelCount; }
    Voice* voice(int i) const { return i >= 0 && i < m_channelCount ? m_voices[i] : nullptr; }

    // Output thread: the device clock time at which the tick being computed is heard (less the lead).
    int tickTime() const { return m_tickTime; }
    void setTickTime(int ms) { m_tickTime = ms; }

    // Output thread; 0 when the queue is full.
    int postSyncEvent(int time, int channel, int index) { return m_syncQueue.post(time, channel, index); }
    // Runner's thread: moves every event whose time has come into the counters; 0 without a device.
    int pollSyncEvents();
    // Runner's thread: consumes one pending trigger of `index`; returns the count before (0 = none).
    int trigger(int index) override;
    // Runner's thread: pending count of `index` (after the last poll).
    int pending(int index) const { return index >= 0 && index < 256 ? m_syncCounters[index] : 0; }

    const char* moduleName() const { return m_moduleName; }
    const char* trackerName() const { return m_trackerName; }

protected:
    char m_moduleName[256] = {};
    char m_trackerName[256] = {};
    Voice* m_voices[kMaxVoices] = {};
    int m_channelCount = 0;
    std::atomic<int> m_masterVolume{9};
    SoundDevice* m_device = nullptr;
    int m_tickTime = 0;
    SyncQueue m_syncQueue;
    int m_syncCounters[256] = {};
    std::atomic<bool> m_restartRequest{false};
};
