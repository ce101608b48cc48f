#pragma once
// The mixer: resamples 8/16-bit voices into the 16-bit stereo ring with volume, panning, ramping and
// linear interpolation.

#include "music/Mixer.h"

class SoftwareMixer final : public Mixer {
public:
    enum Flags { Ramping = 1, Interpolation = 2 };
    // The lowest and highest step: in-range notes never reach them, extreme vibrato no longer divides by 0.
    static constexpr double kMinStep = 1.0 / 65536.0;
    static constexpr double kMaxStep = 32.5;

    explicit SoftwareMixer(int flags = Ramping | Interpolation) : m_flags(flags) {}

    int mixVoice(Voice& voice, SoundBuffer* ring, int frames) override;
    int isRamping() override { return m_flags & Ramping; }
    int outputBits() override { return 16; }
    int setFlags(int flags) override
    {
        m_flags = flags;
        return 1;
    }

    // Uses the scalar loops only (they and the SIMD ones give the same output); starts as scalarKernelsOnly().
    static void setForceScalar(bool scalar);
    static bool forceScalar();

    // Renders `frames` frames of the voice into the ring from ring frame `ringOffset` (no setup).
    void render(Voice& voice, SoundBuffer& ring, int64_t ringOffset, int64_t frames);

private:
    int m_flags;
};
