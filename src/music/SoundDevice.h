#pragma once
// The sound device: a voice pool, the player slots, the mixer and the ring, rendered block by block by an
// output thread; the backends differ only in the card that plays the blocks and in the clock.

#include "music/MusicPlayer.h"
#include "music/SoftwareMixer.h"
#include "music/SoundBuffer.h"
#include "music/Voice.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

class ModulePlayer;
class OfflinePlatform;

class SoundDevice {
public:
    static constexpr int kPoolVoices = 70;
    static constexpr int kSlots = 18;
    static constexpr int kRate = 44100;
    static constexpr int kRingFrames = 44100;
    static constexpr int kBlocks = 4;
    static constexpr int kBlockFrames = 8250;
    static constexpr int kTotalBlockFrames = kBlocks * kBlockFrames;
    // Sync events carry the time their tick is heard (after the queued blocks) less this lead.
    static constexpr int kSyncLeadMs = 200;
    static constexpr int kFadeFrames = 1024;

    SoundDevice();
    virtual ~SoundDevice();

    // Starts the output; nonzero on success.
    virtual int open() = 0;
    // Stops the output thread; returns 1.
    virtual int close() = 0;
    // The device clock in milliseconds: the time base of the sync events.
    virtual uint32_t timeMs() = 0;

    // Attaches the player and puts it in a slot (a player already in one restarts); 0 when no slot or
    // too few voices are free.
    int play(MusicPlayer& player);
    // Asks the output thread to let go of the player; waits at most about 400 ms. 0 if it is in no slot.
    int stop(MusicPlayer& player);
    int isRamping() { return m_mixer.isRamping(); }

    // Claims the first free pool voice for `state` (compare-and-swap); nullptr when none is free.
    Voice* claimVoice(int state);
    void releaseVoice(Voice* v);
    Voice& poolVoice(int i) { return m_pool[i]; }
    int freeVoices() const;

    // Output thread: renders the next `block.frames()` stream frames into `block` (ticks the players,
    // mixes the voices into the ring, copies the ring out and clears it).
    void renderBlock(SoundBuffer& block);
    // Any thread: the stream frames rendered into blocks so far.
    int64_t requestedFrames() const { return m_published.load(std::memory_order_acquire); }
    SoftwareMixer& mixer() { return m_mixer; }

protected:
    // True while the output thread runs (play and stop then hand work to it).
    virtual bool running() const = 0;
    virtual void sleepMs(uint32_t ms) = 0;

private:
    struct PlayerSlot {
        std::atomic<MusicPlayer*> player{nullptr};
        std::atomic<bool> stopRequest{false};
    };
    void mixFadingVoices();

    Voice m_pool[kPoolVoices];
    PlayerSlot m_slots[kSlots];
    SoftwareMixer m_mixer;
    SoundBuffer m_ring;
    int64_t m_requested = 0;
    int64_t m_mixed = 0;
    std::atomic<int64_t> m_published{0};
};

// The offline virtual card: blocks finish as `clock` passes their end, and are refilled before the clock
// call returns, so a run repeats exactly. `pcmSink` receives every frame the card plays, in order.
std::unique_ptr<SoundDevice> makeOfflineSoundDevice(OfflinePlatform& clock,
                                                    std::function<void(const int16_t* frames, size_t count)> pcmSink);
// The same virtual card paced by the real clock `platform()` (no audio hardware needed).
std::unique_ptr<SoundDevice> makeSilentSoundDevice();
