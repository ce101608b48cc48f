// The WaveOut card on SDL audio: the callback plays the queued blocks in order.

#include "music/SdlSoundDevice.h"
#include "music/WaveOut.h"
#include "music/WaveOutDevice.h"
#include "platform/Platform.h"

#include <SDL.h>

#include <cstring>

namespace {

class SdlWaveOut final : public QueuedWaveOut {
public:
    ~SdlWaveOut() override { detach(); }

    int open(WaveOutDevice& device) override
    {
        detach();
        QueuedWaveOut::open(device);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return 0;
        SDL_AudioSpec want;
        SDL_zero(want);
        want.freq = 44100;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 1024;
        want.callback = &SdlWaveOut::callback;
        want.userdata = this;
        SDL_AudioSpec have;
        m_audio = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (m_audio == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return 0;
        }
        SDL_PauseAudioDevice(m_audio, 0);
        return 1;
    }
    // Output thread: the card stops asking for blocks.
    int close() override
    {
        if (m_audio != 0)
            SDL_PauseAudioDevice(m_audio, 1);
        return 1;
    }
    // The opening thread, after the output thread has ended: the device and the subsystem go.
    void detach() override
    {
        if (m_audio == 0)
            return;
        SDL_CloseAudioDevice(m_audio); // waits for a running callback
        m_audio = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    uint32_t timeMs() override { return platform().timeMs(); }
    void sleepMs(uint32_t ms) override { platform().sleepMs(ms); }

private:
    static void callback(void* user, Uint8* stream, int len)
    {
        auto* self = static_cast<SdlWaveOut*>(user);
        int64_t frames = len / 4;
        int16_t* out = reinterpret_cast<int16_t*>(stream);
        int64_t got = self->consume(out, frames);
        if (got < frames)
            std::memset(out + got * 2, 0, size_t(frames - got) * 4); // underrun: silence
    }

    SDL_AudioDeviceID m_audio = 0;
};

} // namespace

std::unique_ptr<SoundDevice> makeSdlSoundDevice()
{
    return std::make_unique<WaveOutDevice>(std::make_unique<SdlWaveOut>());
}
