// The interactive program on SDL2: the start dialog, a window or full screen, the SDL sound device.

#include "runner/Interactive.h"

#include "data/PackArchive.h"
#include "display/FullscreenDisplay.h"
#include "display/WindowDisplay.h"
#include "music/SdlSoundDevice.h"
#include "music/SoundDevice.h"
#include "platform/SdlPlatform.h"
#include "platform/StartDialog.h"
#include "runner/MusicAudio.h"
#include "runner/Options.h"
#include "runner/Runner.h"

#include <cstdio>

namespace {

class InteractiveHost final : public ShowHost {
public:
    InteractiveHost(SdlPlatform& platform, bool windowed, const Options& options)
        : m_platform(platform), m_windowed(windowed), m_options(options)
    {}
    void openArchive(const char* fileName) override { packArchive().openFailed(fileName); }
    std::unique_ptr<Display> makeDisplay() override
    {
        if (m_windowed) {
            auto d =
                std::make_unique<WindowDisplay>(640, 480, 32, "Kalvora", &m_platform, m_options.zoom, m_options.vsync);
            return d->ok() ? std::move(d) : nullptr;
        }
        auto d = std::make_unique<FullscreenDisplay>(
            640, 480, 32, &m_platform, m_options.fitScale ? FullscreenScale::Fit : FullscreenScale::Integer,
            m_options.firstDepth, m_options.vsync);
        return d->ok() ? std::move(d) : nullptr;
    }

private:
    SdlPlatform& m_platform;
    bool m_windowed;
    const Options& m_options;
};

} // namespace

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
