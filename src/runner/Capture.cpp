#include "runner/Capture.h"

#include "data/Bitmap.h"
#include "data/PngWriter.h"
#include "music/WavFile.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

uint64_t fnv(uint64_t h, const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i)
        h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

std::string shellQuote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

bool endsWith(const std::string& s, const char* tail)
{
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

bool commandOk(int status)
{
#ifdef _WIN32
    return status == 0; // the command's own exit code
#else
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

} // namespace

Capture::~Capture()
{
    if (!m_finished)
        finish();
}

bool Capture::open(const std::string& path, int fps, std::string& error)
{
    m_path = path;
    m_fps = fps;
    m_video = endsWith(path, ".mp4") || endsWith(path, ".mkv");
    if (m_video) {
#ifdef _WIN32
        // The ffmpeg command lines are written for a POSIX shell.
        error = "video capture is not available in the Windows build; capture into a folder instead";
        return false;
#endif
        if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) {
            error = "ffmpeg is not installed; capture into a folder instead";
            return false;
        }
        m_videoTemp = path + ".video" + (endsWith(path, ".mp4") ? ".mp4" : ".mkv");
        const std::string command = "ffmpeg -y -loglevel error -f rawvideo -pix_fmt bgr0 -s 640x480 -r " +
                                    std::to_string(fps) + " -i - -c:v libx264 -preset veryfast -pix_fmt yuv420p " +
                                    shellQuote(m_videoTemp) + " 2>" + shellQuote(path + ".log");
        m_pipe = popen(command.c_str(), "w");
        if (!m_pipe) {
            error = "could not start ffmpeg";
            return false;
        }
    } else {
        std::error_code ec;
        // Frames of an earlier capture would mix with this one's; nothing is deleted to avoid that.
        if (std::filesystem::exists(path, ec) && !std::filesystem::is_empty(path, ec)) {
            error = "the folder " + path + " is not empty; capture into a new or empty folder";
            return false;
        }
        std::filesystem::create_directories(path, ec);
        if (ec) {
            error = "could not create the folder " + path + ": " + ec.message();
            return false;
        }
    }
    m_finished = false;
    m_progress = isatty(2);
    return true;
}

void Capture::addFrame(const Bitmap& frame)
{
    const size_t rowBytes = size_t(frame.width()) * 4;
    for (int32_t y = 0; y < frame.height(); ++y) {
        m_frameHash = fnv(m_frameHash, frame.row(y), rowBytes);
        if (m_pipe)
            std::fwrite(frame.row(y), 1, rowBytes, m_pipe);
    }
    if (!m_video) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06llu.png", static_cast<unsigned long long>(m_frames));
        writePng(m_path + name, frame);
    }
    ++m_frames;
    if (m_progress && m_frames % uint64_t(m_fps) == 0)
        std::fprintf(stderr, "\rcapture: %llu frames, %llu s", static_cast<unsigned long long>(m_frames),
                     static_cast<unsigned long long>(m_frames / uint64_t(m_fps)));
}

void Capture::addAudio(const int16_t* frames, size_t count)
{
    m_audio.insert(m_audio.end(), frames, frames + count * 2);
}

bool Capture::finish()
{
    if (m_finished)
        return true;
    m_finished = true;
    if (m_progress && m_frames >= uint64_t(m_fps))
        std::fprintf(stderr, "\n");
    // The audio covers exactly the frames' time: frame k starts at k / fps seconds.
    const size_t audioFrames = size_t(m_frames * kSampleRate / uint64_t(m_fps));
    m_audio.resize(audioFrames * 2, 0);
    m_audioHash = fnv(m_audioHash, m_audio.data(), m_audio.size() * sizeof(int16_t));

    if (!m_video) // a show that never started leaves no sound file behind
        return m_frames == 0 || writeWav((m_path + "/audio.wav").c_str(), m_audio.data(), audioFrames, kSampleRate);

    bool ok = m_pipe && commandOk(pclose(m_pipe));
    m_pipe = nullptr;
    const std::string wav = m_path + ".wav";
    ok = ok && writeWav(wav.c_str(), m_audio.data(), audioFrames, kSampleRate);
    if (ok) {
        const std::string command = "ffmpeg -y -loglevel error -i " + shellQuote(m_videoTemp) + " -i " +
                                    shellQuote(wav) + " -c:v copy -c:a aac -shortest " + shellQuote(m_path) + " 2>>" +
                                    shellQuote(m_path + ".log");
        ok = commandOk(std::system(command.c_str()));
    }
    std::remove(m_videoTemp.c_str());
    std::remove(wav.c_str());
    if (!ok)
        std::fprintf(stderr, "kalvora: ffmpeg failed; see %s.log\n", m_path.c_str());
    return ok;
}
