#pragma once
// Writes what the offline show presents and plays: PNG frames and a WAV file into a folder, or a video
// through ffmpeg (raw bgr0 frames on its standard input, the audio muxed from a WAV afterwards).

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class Bitmap;

class Capture {
public:
    static constexpr int kSampleRate = 44100;

    Capture() = default;
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // A path ending in .mp4 or .mkv makes a video (if ffmpeg runs), anything else a folder, which must
    // be new or empty. Returns false with a reason in `error`.
    bool open(const std::string& path, int fps, std::string& error);
    void addFrame(const Bitmap& frame);
    // Stereo 16-bit frames, in playing order, from the moment playback started.
    void addAudio(const int16_t* frames, size_t count);
    // Cuts or pads the audio to the length of the frames and writes everything out; into a folder,
    // no audio file is written when no frame was captured.
    bool finish();

    uint64_t frameCount() const { return m_frames; }
    // FNV-1a over the raw frames (640 x 480 x 4 bytes each) and over the PCM that was written.
    uint64_t frameHash() const { return m_frameHash; }
    uint64_t audioHash() const { return m_audioHash; }

private:
    std::string m_path;
    std::string m_videoTemp;
    int m_fps = 60;
    bool m_video = false;
    bool m_finished = true;
    bool m_progress = false; // a progress line on a terminal
    std::FILE* m_pipe = nullptr;
    uint64_t m_frames = 0;
    uint64_t m_frameHash = 14695981039346656037ull;
    uint64_t m_audioHash = 14695981039346656037ull;
    std::vector<int16_t> m_audio;
    std::vector<uint8_t> m_row;
};
