#include "music/MusicPlayer.h"

#include "music/SoundDevice.h"
#include "music/Voice.h"

MusicPlayer::MusicPlayer() = default;

int MusicPlayer::setMasterVolume(int volume)
{
    m_masterVolume.store(volume < 0 ? 0 : (volume > 32 ? 32 : volume), std::memory_order_relaxed);
    return 1;
}

int MusicPlayer::attachDevice(SoundDevice* device)
{
    if (!device)
        return 0;
    for (int i = 0; i < m_channelCount; ++i) {
        Voice* v = device->claimVoice(Voice::Owned);
        if (!v) {
            for (int j = 0; j < i; ++j) {
                device->releaseVoice(m_voices[j]);
                m_voices[j] = nullptr;
            }
            return 0;
        }
        m_voices[i] = v;
    }
    m_device = device; // only now: a refused player stays unattached
    return 1;
}

void MusicPlayer::releaseVoices()
{
    if (!m_device)
        return;
    for (int i = 0; i < m_channelCount; ++i) {
        if (m_voices[i])
            m_device->releaseVoice(m_voices[i]);
        m_voices[i] = nullptr;
    }
}

int MusicPlayer::pollSyncEvents()
{
    if (!m_device)
        return 0;
    int now = int(m_device->timeMs());
    for (;;) {
        int index = m_syncQueue.takeDue(now);
        if (index < 0)
            break;
        ++m_syncCounters[index & 255];
    }
    return 1;
}

int MusicPlayer::trigger(int index)
{
    pollSyncEvents();
    if (index < 0 || index > 255 || m_syncCounters[index] == 0)
        return 0;
    return m_syncCounters[index]--;
}
