#include "runner/Program.h"

#include "data/PackArchive.h"
#include "display/FullscreenDisplay.h"
#include "display/OfflineDisplay.h"
#include "display/WindowDisplay.h"
#include "music/SdlSoundDevice.h"
#include "music/SoundDevice.h"
#include "platform/OfflinePlatform.h"
#include "platform/SdlPlatform.h"
#include "platform/StartDialog.h"
#include "runner/Capture.h"
#include "runner/EffectBench.h"
#include "runner/MusicAudio.h"
#include "runner/Options.h"
#include "runner/Runner.h"
#include "runner/ShowAudio.h"

#include <cstdio>
#include <unistd.h>

namespace {

constexpr const char* kVersion = "kalvora 0.1.0";

// Capture: a virtual clock that moves one frame at a time, frames and audio to files.
class CaptureHost final : public ShowHost {
public:
    CaptureHost(OfflinePlatform& clock, Capture& capture, int fps) : m_clock(clock), m_capture(capture), m_fps(fps) {}

    void openArchive(const char* fileName) override { packArchive().openFailed(fileName); }
    std::unique_ptr<Display> makeDisplay() override
    {
        auto display = std::make_unique<OfflineDisplay>(640, 480);
        m_display = display.get();
        return display;
    }
    void loopStarting() override
    {
        m_start = m_clock.timeMs();
        m_display->setFrameSink([this](const Bitmap& frame) { m_capture.addFrame(frame); });
    }
    void frameStarting(uint64_t frame) override
    {
        m_clock.advanceTo(uint32_t(m_start + frame * 1000 / uint64_t(m_fps)));
    }
    void loopEnded(uint64_t) override { m_display->setFrameSink({}); }

private:
    OfflinePlatform& m_clock;
    Capture& m_capture;
    int m_fps;
    uint64_t m_start = 0;
    OfflineDisplay* m_display = nullptr;
};

int runCapture(const Options& options)
{
    OfflinePlatform clock;
    PlatformScope scope(clock);
    Capture capture;
    std::string error;
    if (!capture.open(options.capture, options.fps, error)) {
        std::fprintf(stderr, "kalvora: %s\n", error.c_str());
        return 2;
    }
    CaptureHost host(clock, capture, options.fps);
    MusicAudio audio([&] {
        return makeOfflineSoundDevice(clock,
                                      [&](const int16_t* frames, size_t count) { capture.addAudio(frames, count); });
    });
    Runner runner(host, audio, clock, {options.frames, options.verbose});
    const int code = runner.run();
    const bool written = capture.finish();
    if (options.verbose)
        std::fprintf(stderr, "capture frames=%llu frame_hash=%016llx audio_hash=%016llx\n",
                     static_cast<unsigned long long>(capture.frameCount()),
                     static_cast<unsigned long long>(capture.frameHash()),
                     static_cast<unsigned long long>(capture.audioHash()));
    return written ? code : 2;
}

// The interactive program: a window or full screen, the real clock.
class InteractiveHost final : public ShowHost {
public:
    InteractiveHost(SdlPlatform& platform, bool windowed, const Options& options)
        : m_platform(platform), m_windowed(windowed), m_options(options)
    {}
    void openArchive(const char* fileName) override { packArchive().openFailed(fileName); }
    std::unique_ptr<Display> makeDisplay() override
    {
        if (m_windowed) {
            auto d = std::make_unique<WindowDisplay>(640, 480, 32, "Kalvora", &m_platform, m_options.zoom);
            return d->ok() ? std::move(d) : nullptr;
        }
        auto d = std::make_unique<FullscreenDisplay>(
            640, 480, 32, &m_platform, m_options.fitScale ? FullscreenScale::Fit : FullscreenScale::Integer,
            m_options.firstDepth);
        return d->ok() ? std::move(d) : nullptr;
    }

private:
    SdlPlatform& m_platform;
    bool m_windowed;
    const Options& m_options;
};

int runInteractive(const Options& options)
{
    if (!SdlPlatform::hasDisplay()) {
        std::fprintf(
            stderr, "kalvora: no display (DISPLAY and WAYLAND_DISPLAY are not set); use --capture to render offline\n");
        return 1;
    }
    SdlPlatform sdl;
    PlatformScope scope(sdl);
    bool windowed = options.mode == Options::Mode::Windowed;
    if (options.mode == Options::Mode::Ask) {
        StartDialogModel dialog;
        if (!runStartDialog(dialog)) {
            std::fprintf(stderr, "kalvora: no display could be opened; use --capture to render offline\n");
            return 1;
        }
        if (!dialog.go)
            return 0;
        windowed = dialog.windowed == 1;
    }
    InteractiveHost host(sdl, windowed, options);
    MusicAudio audio(options.silent ? MusicAudio::DeviceFactory(makeSilentSoundDevice)
                                    : MusicAudio::DeviceFactory(makeSdlSoundDevice));
    Runner runner(host, audio, sdl, {options.frames, options.verbose});
    return runner.run();
}

} // namespace

int runProgram(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "kalvora: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(optionsHelp(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts(kVersion);
        return 0;
    }
    if (!options.dataDir.empty() && chdir(options.dataDir.c_str()) != 0) {
        std::fprintf(stderr, "kalvora: cannot change to %s\n", options.dataDir.c_str());
        return 2;
    }
    if (options.bench)
        return runEffectBench(argc, argv);
    if (!options.capture.empty())
        return runCapture(options);
    return runInteractive(options);
}
