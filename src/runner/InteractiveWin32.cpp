// The interactive program on Win32: the MAINRUTA dialog, a GDI window or DirectDraw full screen,
// waveOut.

#include "runner/Interactive.h"

#include "data/PackArchive.h"
#include "display/win32/FullscreenDisplay.h"
#include "display/win32/WindowDisplay.h"
#include "music/SoundDevice.h"
#include "music/win32/Win32SoundDevice.h"
#include "platform/StartDialog.h"
#include "platform/win32/Win32Platform.h"
#include "runner/MusicAudio.h"
#include "runner/Options.h"
#include "runner/Runner.h"

#include <cstdio>

namespace {

class InteractiveHost final : public ShowHost {
public:
    InteractiveHost(bool windowed, const Options& options) : m_windowed(windowed), m_options(options) {}
    void openArchive(const char* fileName) override { packArchive().openFailed(fileName); }
    std::unique_ptr<Display> makeDisplay() override
    {
        if (m_windowed) {
            auto d = std::make_unique<WindowDisplay>(640, 480, 32, "Kalvora");
            if (m_options.verbose)
                std::fprintf(stderr, "display window gdi\n");
            return d->ok() ? std::move(d) : nullptr;
        }
        auto d = std::make_unique<FullscreenDisplay>(640, 480, 32, m_options.firstDepth);
        if (m_options.verbose)
            std::fprintf(stderr, "display fullscreen directdraw depth=%d\n", int(d->depth()));
        return d->ok() ? std::move(d) : nullptr;
    }

private:
    bool m_windowed;
    const Options& m_options;
};

} // namespace

int runInteractive(const Options& options)
{
    Win32Platform win32;
    PlatformScope scope(win32);
    bool windowed = options.mode == Options::Mode::Windowed;
    if (options.mode == Options::Mode::Ask) {
        StartDialogModel dialog;
        if (!runStartDialog(dialog)) {
            std::fprintf(stderr, "kalvora: the start dialog could not be shown\n");
            return 1;
        }
        if (!dialog.go)
            return 0;
        windowed = dialog.windowed == 1;
    }
    InteractiveHost host(windowed, options);
    MusicAudio audio(options.silent ? MusicAudio::DeviceFactory(makeSilentSoundDevice)
                                    : MusicAudio::DeviceFactory(makeWin32SoundDevice));
    Runner runner(host, audio, win32, {options.frames, options.verbose});
    return runner.run();
}
