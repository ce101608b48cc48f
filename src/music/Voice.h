#pragma once
// One playing sample stream as the mixer sees it; the sound device owns a pool of them.

#include "music/XmModel.h"

#include <atomic>
#include <cstdint>

struct Voice {
    enum State { Owned = 0, Free = 1, OneShot = 2, Fading = 3 };

    const SampleData* sample = nullptr;
    // Absolute output frame up to which the voice has been mixed; -1 = not yet placed.
    int64_t streamPos = -1;
    int leftTarget = 0;    // 0..256
    int rightTarget = 0;   // 0..256
    int64_t position = 0;  // integer sample frame
    uint32_t fraction = 0; // 16-bit fraction of the position
    int64_t stepInt = 0;   // forward step, integer part
    uint32_t stepFrac = 0; // forward step, 16-bit fraction
    // Claimed and released with compare-and-swap: the runner's thread and the output thread both claim.
    std::atomic<int> state{Free};
    int direction = 1; // 1 forward, -1 backward (ping-pong)
    int leftCurrent = 0;
    int rightCurrent = 0;
    int volume = 0;    // 0..256, set by the playback engine
    int panning = 128; // 0..256, 128 centre
    float frequency = 0.0f;

    Voice() = default;
    // The pool copies a voice into a fading one; the state is not part of the copy.
    Voice(const Voice&) = delete;
    Voice& operator=(const Voice&) = delete;
    void copyStreamFrom(const Voice& o)
    {
        sample = o.sample;
        streamPos = o.streamPos;
        leftTarget = o.leftTarget;
        rightTarget = o.rightTarget;
        position = o.position;
        fraction = o.fraction;
        stepInt = o.stepInt;
        stepFrac = o.stepFrac;
        direction = o.direction;
        leftCurrent = o.leftCurrent;
        rightCurrent = o.rightCurrent;
        volume = o.volume;
        panning = o.panning;
        frequency = o.frequency;
    }

    // No sample, volume 0, panning 128, current volumes 0, stream position -1, direction 1; state untouched.
    void reset()
    {
        sample = nullptr;
        volume = 0;
        panning = 128;
        leftCurrent = rightCurrent = 0;
        streamPos = -1;
        direction = 1;
    }
    // Frame 0, forward, volume 256, current volumes 0 (a ramp from silence follows).
    void startSample(const SampleData* data)
    {
        sample = data;
        position = 0;
        fraction = 0;
        direction = 1;
        volume = 256;
        leftCurrent = rightCurrent = 0;
    }
    // Drops the sample when the offset is not below its length.
    void setOffset(int64_t frame)
    {
        position = frame;
        fraction = 0;
        direction = 1;
        if (!sample || frame >= sample->length)
            sample = nullptr;
    }
};
