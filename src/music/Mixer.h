#pragma once
// Renders voices into the device's ring buffer.

#include "music/SoundBuffer.h"
#include "music/Voice.h"

class Mixer {
public:
    virtual ~Mixer() = default;
    // Mixes the next `frames` frames of `voice` into `ring`; 1, or 0 when nothing could be mixed.
    virtual int mixVoice(Voice& voice, SoundBuffer* ring, int frames) = 0;
    virtual int isRamping() = 0;
    virtual int outputBits() = 0;
    virtual int setFlags(int flags) = 0;
};
