#pragma once
// Writes 16-bit stereo PCM as a WAV file (the renderer's and the capture's output).

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Streams a WAV file piece by piece: the header's sizes are filled in by finish().
class WavWriter {
public:
    // The most data bytes a WAV file can state (its RIFF size is 36 + data, 32 bits), in whole frames.
    static constexpr uint64_t kMaxDataBytes = (uint64_t(0xFFFFFFFFu) - 36) / 4 * 4;

    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates `path` with a header for `sampleRate`; false when the file cannot be written.
    bool open(const char* path, int sampleRate = 44100);
    // Appends `count` interleaved stereo frames. False, with nothing written, when they would take the
    // data past kMaxDataBytes (tooLarge() then says so), or when a write fails.
    bool write(const int16_t* frames, size_t count);
    // Fills in the sizes and closes the file; true when every byte reached it.
    bool finish();
    bool tooLarge() const { return m_tooLarge; }
    uint64_t framesWritten() const { return m_dataBytes / 4; }

private:
    std::FILE* m_file = nullptr;
    uint64_t m_dataBytes = 0;
    bool m_ok = false;
    bool m_tooLarge = false;
};

// `count` stereo frames, interleaved left/right. Returns true when the whole file was written.
bool writeWav(const char* path, const int16_t* frames, size_t count, int sampleRate = 44100);
