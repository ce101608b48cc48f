#pragma once
// A plain PCM buffer: sample data, the device's ring and its output blocks.

#include <cstddef>
#include <cstdint>
#include <vector>

class SoundBuffer {
public:
    // Slack after the frames: interpolation and guard points may touch it, never beyond.
    static constexpr int kSlackBytes = 256;

    SoundBuffer() = default;
    // Zero-filled; frames x channels x bits / 8 bytes plus kSlackBytes (plus `frontBytes` before frame 0).
    // Returns false when the size is unreasonable (the buffer then stays empty).
    bool create(int64_t frames, int channels, int bits, int rate, bool ring, int frontBytes = 0);

    // Frame 0; `frontBytes()` readable bytes lie before it.
    uint8_t* data() { return m_bytes.empty() ? nullptr : reinterpret_cast<uint8_t*>(m_bytes.data()) + m_front; }
    const uint8_t* data() const
    {
        return m_bytes.empty() ? nullptr : reinterpret_cast<const uint8_t*>(m_bytes.data()) + m_front;
    }
    int16_t* samples16() { return reinterpret_cast<int16_t*>(data()); }
    const int16_t* samples16() const { return reinterpret_cast<const int16_t*>(data()); }
    const int8_t* samples8() const { return reinterpret_cast<const int8_t*>(data()); }

    int bits() const { return m_bits; }
    int channels() const { return m_channels; }
    int bytesPerSample() const { return m_bits / 8; }
    int bytesPerFrame() const { return m_bits / 8 * m_channels; }
    int64_t frames() const { return m_frames; }
    int64_t sampleCount() const { return m_frames * m_channels; }
    // Bytes of frame data, without slack.
    int64_t byteSize() const { return m_frames * bytesPerFrame(); }
    int frontBytes() const { return m_front; }
    int rate() const { return m_rate; }
    bool isRing() const { return m_ring; }

    // Copies `frames` frames from `src` starting at frame `srcFrame` (wrapping at the end of a ring
    // source) into this buffer from frame 0. Refused (false) when this buffer is a ring, the
    // formats differ or the count does not fit.
    bool copyFrom(const SoundBuffer& src, int64_t srcFrame, int64_t frames);

private:
    std::vector<int64_t> m_bytes; // 8-byte units keep 16-bit data aligned
    int m_front = 0;
    int m_bits = 16;
    int m_channels = 1;
    int64_t m_frames = 0;
    int m_rate = 44100;
    bool m_ring = false;
};
