#pragma once
// The show: start-up, the frame loop with its schedule, and shut-down.

#include "runner/ShowEffects.h"

#include <cstdint>
#include <memory>

class Console;
class Display;
class Platform;
class RenderContext;
class ShowAudio;

// What differs between the interactive program, capture and tests.
class ShowHost {
public:
    virtual ~ShowHost() = default;
    // Opens the data archive; failure is not reported (lookups fall back to plain files).
    virtual void openArchive(const char* fileName) = 0;
    // The display, or null when none can be made.
    virtual std::unique_ptr<Display> makeDisplay() = 0;
    virtual ShowEffects makeEffects(Console& console, RenderContext& context)
    {
        return makeShowEffects(console, context);
    }
    // Called before the loop's first frame, at the clock the first effect starts at.
    virtual void loopStarting() {}
    // Called at the top of each frame of the loop (frame 0 first); offline moves its clock here.
    virtual void frameStarting(uint64_t) {}
    // Called when a schedule hit makes `effect` current, at clock `timeMs`.
    virtual void effectSwitched(uint64_t /*frame*/, double /*timeMs*/, int /*index*/, EffectId /*effect*/) {}
    // Called once after shut-down of the audio, before the display is destroyed.
    virtual void loopEnded(uint64_t) {}
};

struct RunnerSettings {
    long long maxFrames = -1; // -1: until the song ends or Escape
    bool verbose = false;
};

enum class EndReason { Sync222, Escape, Frames };

class Runner {
public:
    Runner(ShowHost& host, ShowAudio& audio, Platform& platform, RunnerSettings settings)
        : m_host(host), m_audio(audio), m_platform(platform), m_settings(settings)
    {}
    // Runs the show from the archive to the end; returns the process exit code.
    int run();

    uint64_t framesRendered() const { return m_frame; }
    EndReason endReason() const { return m_endReason; }

private:
    ShowHost& m_host;
    ShowAudio& m_audio;
    Platform& m_platform;
    RunnerSettings m_settings;
    uint64_t m_frame = 0;
    EndReason m_endReason = EndReason::Escape;

    void log(const char* text) const;
    void showFrames(Display& display, int count, int red, int green, int blue);
};
