#include "music/SoundDevice.h"

#include "music/ModulePlayer.h"

#include <cstring>

SoundDevice::SoundDevice()
{
    m_ring.create(kRingFrames, 2, 16, kRate, true);
}

SoundDevice::~SoundDevice() = default;

Voice* SoundDevice::claimVoice(int state)
{
    for (Voice& v : m_pool) {
        int expected = Voice::Free;
        if (v.state.compare_exchange_strong(expected, state, std::memory_order_acq_rel))
            return &v;
    }
    return nullptr;
}

void SoundDevice::releaseVoice(Voice* v)
{
    if (v)
        v->state.store(Voice::Free, std::memory_order_release);
}

int SoundDevice::freeVoices() const
{
    int n = 0;
    for (const Voice& v : m_pool)
        n += v.state.load(std::memory_order_acquire) == Voice::Free;
    return n;
}

int SoundDevice::play(MusicPlayer& player)
{
    int empty = -1;
    for (int i = 0; i < kSlots; ++i) {
        MusicPlayer* p = m_slots[i].player.load(std::memory_order_acquire);
        if (p == &player) {
            if (running())
                player.requestRestart(); // carried out by the output thread before its next tick
            else
                player.restart();
            return 1;
        }
        if (!p)
            empty = i;
    }
    if (empty < 0)
        return 0;
    if (!player.attachDevice(this))
        return 0;
    player.resetChannels();
    player.restart();
    // Stored last, so the output thread sees a fully prepared player.
    m_slots[empty].player.store(&player, std::memory_order_release);
    return 1;
}

int SoundDevice::stop(MusicPlayer& player)
{
    for (PlayerSlot& slot : m_slots) {
        if (slot.player.load(std::memory_order_acquire) != &player)
            continue;
        if (!running()) {
            // No output thread can touch the slot: let go at once.
            player.releaseVoices();
            slot.stopRequest.store(false, std::memory_order_relaxed);
            slot.player.store(nullptr, std::memory_order_release);
            return 1;
        }
        slot.stopRequest.store(true, std::memory_order_release);
        for (int i = 0; i < 40 && slot.player.load(std::memory_order_acquire) == &player; ++i)
            sleepMs(10);
        return 1;
    }
    return 0;
}

void SoundDevice::mixFadingVoices()
{
    for (Voice& v : m_pool) {
        if (v.state.load(std::memory_order_acquire) != Voice::Fading)
            continue;
        m_mixer.mixVoice(v, &m_ring, kFadeFrames);
        v.reset();
        v.state.store(Voice::Free, std::memory_order_release);
    }
}

void SoundDevice::renderBlock(SoundBuffer& block)
{
    const int frames = int(block.frames());
    m_requested += frames;
    for (Voice& v : m_pool) {
        if (v.streamPos == -1)
            v.streamPos = m_mixed;
        int state = v.state.load(std::memory_order_acquire);
        if (state == Voice::OneShot) {
            if (v.streamPos < m_requested)
                m_mixer.mixVoice(v, &m_ring, int(m_requested - v.streamPos));
        } else if (state == Voice::Free) {
            v.streamPos = m_requested;
        } else if (state == Voice::Fading) {
            m_mixer.mixVoice(v, &m_ring, kFadeFrames);
            v.reset();
            v.state.store(Voice::Free, std::memory_order_release);
        }
    }
    for (PlayerSlot& slot : m_slots) {
        MusicPlayer* p = slot.player.load(std::memory_order_acquire);
        if (!p)
            continue;
        if (slot.stopRequest.load(std::memory_order_acquire)) {
            p->releaseVoices();
            slot.stopRequest.store(false, std::memory_order_relaxed);
            slot.player.store(nullptr, std::memory_order_release);
            continue;
        }
        p->serviceRestart();
        p->setTickTime(int(timeMs()) + kTotalBlockFrames * 1000 / kRate - kSyncLeadMs);
        Voice* first = p->voice(0);
        if (!first)
            continue;
        // A voice freed after the pool pass above is back at -1, and a player published since may own it.
        for (int c = 0; c < p->channelCount(); ++c)
            if (p->voice(c)->streamPos == -1)
                p->voice(c)->streamPos = m_mixed;
        while (first->streamPos < m_requested) {
            p->tick();
            float tps = p->ticksPerSecond();
            // Single precision on purpose: tempo 126 gives 875 frames per tick.
            int tickFrames = int(44100.0f / tps);
            p->setTickTime(p->tickTime() + int(1000.0f / tps));
            for (int c = 0; c < p->channelCount(); ++c)
                m_mixer.mixVoice(*p->voice(c), &m_ring, tickFrames);
            mixFadingVoices();
        }
    }
    int64_t count = m_requested - m_mixed;
    block.copyFrom(m_ring, m_mixed, count);
    int64_t pos = m_mixed % kRingFrames;
    int64_t left = count;
    while (left > 0) {
        int64_t run = left < kRingFrames - pos ? left : kRingFrames - pos;
        std::memset(m_ring.samples16() + pos * 2, 0, size_t(run) * 4);
        left -= run;
        pos = 0;
    }
    m_mixed = m_requested;
    m_published.store(m_requested, std::memory_order_release);
}
