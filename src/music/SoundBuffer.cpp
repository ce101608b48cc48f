#include "music/SoundBuffer.h"

#include <cstring>

bool SoundBuffer::create(int64_t frames, int channels, int bits, int rate, bool ring, int frontBytes)
{
    m_bytes.clear();
    m_frames = 0;
    if (frames < 0 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16 && bits != 32) || frontBytes < 0 ||
        frames > (int64_t(1) << 31))
        return false;
    m_channels = channels;
    m_bits = bits;
    m_rate = rate;
    m_ring = ring;
    m_front = (frontBytes + 7) & ~7;
    m_frames = frames;
    int64_t total = m_front + byteSize() + kSlackBytes;
    m_bytes.assign(size_t((total + 7) / 8), 0);
    return true;
}

bool SoundBuffer::copyFrom(const SoundBuffer& src, int64_t srcFrame, int64_t frames)
{
    if (m_ring || src.m_bits != m_bits || src.m_channels != m_channels || frames < 0 || frames > m_frames ||
        src.m_frames <= 0)
        return false;
    int bpf = bytesPerFrame();
    int64_t pos = ((srcFrame % src.m_frames) + src.m_frames) % src.m_frames;
    int64_t done = 0;
    while (done < frames) {
        int64_t run = frames - done;
        if (run > src.m_frames - pos)
            run = src.m_frames - pos;
        std::memcpy(data() + done * bpf, src.data() + pos * bpf, size_t(run * bpf));
        done += run;
        pos = 0;
    }
    return true;
}
