#include "music/SoftwareMixer.h"

#include "music/MixKernels.h"
#include "platform/ScalarSwitch.h"

#include <atomic>
#include <cmath>
#include <cstdlib>

namespace {

std::atomic<bool> g_forceScalar{scalarKernelsOnly()};

enum Event { None, End, Loop, Turn, Wrap };

void stopVoice(Voice& v)
{
    v.sample = nullptr;
    int expected = Voice::OneShot;
    v.state.compare_exchange_strong(expected, Voice::Free, std::memory_order_acq_rel);
}

} // namespace

void SoftwareMixer::setForceScalar(bool scalar)
{
    g_forceScalar.store(scalar, std::memory_order_relaxed);
}

bool SoftwareMixer::forceScalar()
{
    return g_forceScalar.load(std::memory_order_relaxed);
}

int SoftwareMixer::mixVoice(Voice& v, SoundBuffer* ring, int frames)
{
    if (!ring || ring->channels() != 2 || ring->frames() <= 0)
        return 0;
    int64_t start = v.streamPos;
    v.streamPos += frames;
    if (!v.sample)
        return 0;
    int64_t ringFrames = ring->frames();
    int64_t offset = ((start % ringFrames) + ringFrames) % ringFrames;

    double step = double(v.frequency) / double(ring->rate());
    if (!(step >= kMinStep))
        step = kMinStep;
    if (step > kMaxStep)
        step = kMaxStep;
    double whole = std::trunc(step);
    v.stepInt = int64_t(whole);
    v.stepFrac = uint32_t(std::trunc(step * 65536.0 - whole * 65536.0));

    int left = 256;
    int right = 256;
    if (v.panning > 128)
        left = (256 - v.panning) * 2;
    if (v.panning < 128)
        right = v.panning * 2;
    v.leftTarget = v.volume * left / 256;
    v.rightTarget = v.volume * right / 256;
    if (!(m_flags & Ramping)) {
        v.leftCurrent = v.leftTarget;
        v.rightCurrent = v.rightTarget;
    }
    render(v, *ring, offset, frames);
    return 1;
}

void SoftwareMixer::render(Voice& v, SoundBuffer& ring, int64_t ringOffset, int64_t frames)
{
    const SampleData* s = v.sample;
    if (!s || (s->bits != 8 && s->bits != 16) || ring.bits() != 16 || ring.channels() != 2)
        return;
    int64_t step = int64_t(v.stepInt) << 16 | v.stepFrac;
    if (v.direction <= 0)
        step = -step;
    int64_t pos = v.position * 65536 + v.fraction;
    const int64_t length = s->length;
    const int loopType = s->loopType;
    const int64_t loopStart = s->loopStart;
    const int64_t loopEnd = s->loopEnd;

    // A voice past the sample (or, moving forward, past its loop end) stops instead of reading beyond
    // the data. A backward ping-pong voice may lie one step beyond its loop end after turning; the
    // outer limits hold whatever state a voice was left in.
    if (v.position > length + 40 || v.position < -40 || (step >= 0 && v.position > length) ||
        (loopType != 0 && step >= 0 && v.position > loopEnd)) {
        stopVoice(v);
        return;
    }

    const void* data = s->buffer.data();
    const int bitsIndex = s->bits == 16 ? 4 : 0;
    const bool interp = (m_flags & Interpolation) != 0;
    const bool simd = !g_forceScalar.load(std::memory_order_relaxed);
    int16_t* ringData = ring.samples16();
    const int64_t ringFrames = ring.frames();
    int32_t volL = v.leftCurrent;
    int32_t volR = v.rightCurrent;
    const int32_t targetL = v.leftTarget;
    const int32_t targetR = v.rightTarget;

    int64_t remaining = frames;
    int64_t out = ringOffset;
    while (remaining > 0) {
        int64_t boundary;
        Event event;
        if (loopType == 0) {
            boundary = length;
            event = End;
        } else if (loopType == 1) {
            boundary = loopEnd;
            event = Loop;
        } else {
            boundary = step >= 0 ? loopEnd : loopStart;
            event = Turn;
        }
        // Frames until the position reaches the boundary, exact in 16.16: the first frame at or beyond it
        // is not mixed.
        int64_t distance = step >= 0 ? boundary * 65536 - pos : pos - boundary * 65536;
        int64_t absStep = std::llabs(step);
        int64_t segment;
        if (absStep >= distance)
            segment = 1;
        else
            segment = distance / absStep + (distance % absStep ? 1 : 0);
        if (segment > remaining) {
            segment = remaining;
            event = None;
        }
        Event pending = None;
        int64_t toRingEnd = ringFrames - out;
        if (toRingEnd <= segment) {
            if (toRingEnd == segment)
                pending = event;
            segment = toRingEnd;
            event = Wrap;
        }

        bool ramping = volL != targetL || volR != targetR;
        if (ramping || volL != 0 || volR != 0) {
            int32_t dl = 0;
            int32_t dr = 0;
            if (ramping) {
                int64_t shortest = segment;
                int32_t diffL = targetL - volL;
                int32_t diffR = targetR - volR;
                if (diffL) {
                    dl = diffL > 0 ? 1 : -1;
                    int64_t n = std::abs(diffL) + std::abs(diffL) / 2;
                    if (n < shortest)
                        shortest = n;
                }
                if (diffR) {
                    dr = diffR > 0 ? 1 : -1;
                    int64_t n = std::abs(diffR) + std::abs(diffR) / 2;
                    if (n < shortest)
                        shortest = n;
                }
                if (shortest < segment) {
                    segment = shortest;
                    event = None;
                    pending = None;
                }
            }
            int index = bitsIndex | (ramping ? 2 : 0) | (interp ? 1 : 0);
            int64_t p = pos;
            mixk::SegmentFn fn = simd && mixk::kSse2Table[index] ? mixk::kSse2Table[index] : mixk::kSegmentTable[index];
            fn(data, p, step, ringData + out * 2, segment, volL, volR, dl, dr);
        }
        out += segment;
        pos += step * segment;
        remaining -= segment;

        if (event == Wrap) {
            out = 0;
            event = pending;
        }
        if (event == Loop) {
            int64_t loopLength = (loopEnd - loopStart) * 65536;
            if (loopLength <= 0) {
                stopVoice(v);
                break;
            }
            pos -= loopLength;
            // A loop shorter than one step wraps by a whole number of lengths.
            if (pos >= loopEnd * 65536)
                pos = loopStart * 65536 + (pos - loopStart * 65536) % loopLength;
        } else if (event == Turn) {
            step = -step;
            v.direction = -v.direction;
        } else if (event == End) {
            stopVoice(v);
            break;
        }
    }
    v.position = pos >> 16;
    v.fraction = uint32_t(pos & 0xFFFF);
    v.leftCurrent = volL;
    v.rightCurrent = volR;
}
