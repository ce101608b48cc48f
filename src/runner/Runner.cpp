#include "runner/Runner.h"

#include "data/Bitmap.h"
#include "display/Display.h"
#include "platform/Platform.h"
#include "render/RenderContext.h"
#include "runner/Console.h"
#include "runner/Schedule.h"
#include "runner/ShowAudio.h"

#include <cstdio>

namespace {
constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr int kBandTop = 80;
constexpr int kBandHeight = 320;

const char* reasonName(EndReason r)
{
    return r == EndReason::Sync222 ? "sync222" : r == EndReason::Frames ? "frames" : "escape";
}
} // namespace

void Runner::log(const char* text) const
{
    if (m_settings.verbose)
        std::fprintf(stderr, "%s\n", text);
}

void Runner::showFrames(Display& display, int count, int red, int green, int blue)
{
    for (int i = 0; i < count; ++i) {
        display.backBuffer().fill(red, green, blue);
        display.releaseBackBuffer();
        display.present();
    }
}

int Runner::run()
{
    log("open archive glimmerok.dat");
    m_host.openArchive("glimmerok.dat");
    NullConsole console;
    log("create display");
    std::unique_ptr<Display> display = m_host.makeDisplay();
    if (!display) {
        std::fprintf(stderr, "kalvora: no display could be opened; use --capture to render offline\n");
        return 1;
    }

    log("load module kv-lorn.xm");
    if (!m_audio.loadModule("kv-lorn.xm")) {
        display.reset();
        std::fprintf(stderr,
                     "kalvora: could not load kv-lorn.xm from the current directory; --data DIR names the folder "
                     "that holds it and glimmerok.dat\n");
        return 1;
    }
    log("open sound device");
    if (!m_audio.openDevice()) {
        m_audio.shutdown();
        display.reset();
        m_platform.messageBox("Could not open sound output", "Error!");
        std::fprintf(stderr, "kalvora: (use --silent to play without sound)\n");
        return 0;
    }
    m_audio.setMasterVolume(10);
    m_platform.setThreadPriority(ThreadPriority::AboveNormal);

    {
        RenderContext context(display.get(), kFrameWidth, kFrameHeight);
        while (m_platform.escapeHeld()) {
        }
        m_platform.escapePressed(); // a press before the show does not end it
        showFrames(*display, 6, 255, 255, 255);

        log("construct effects");
        ShowEffects effects = m_host.makeEffects(console, context);
        effects.prepare();
        showFrames(*display, 6, 0, 0, 0);

        m_platform.sleepMs(1000);
        double t0 = m_platform.timeMs();
        EffectId current = kFirstEffect;
        m_host.loopStarting();
        log("play");
        m_audio.play();

        TriggerSource& triggers = m_audio.triggers();
        for (m_frame = 0;; ++m_frame) {
            if (m_settings.maxFrames >= 0 && m_frame >= uint64_t(m_settings.maxFrames)) {
                m_endReason = EndReason::Frames;
                break;
            }
            m_host.frameStarting(m_frame);
            const double elapsed = (m_platform.timeMs() - t0) * 0.1;
            Bitmap& frame = display->backBuffer();
            Bitmap view = Bitmap::view(frame, 0, kBandTop, kFrameWidth, kBandHeight);
            effects.at(current)->render(context, view, triggers, elapsed);

            const ScheduleHit hit = walkSchedule(triggers, m_platform);
            if (hit.hit) {
                current = hit.effect;
                t0 = hit.t0;
                m_host.effectSwitched(m_frame, hit.t0, hit.index, current);
                if (m_settings.verbose)
                    std::fprintf(stderr, "switch frame=%llu t_ms=%.0f index=%d effect=%s\n",
                                 static_cast<unsigned long long>(m_frame), hit.t0, hit.index, effects.name(current));
            }
            display->releaseBackBuffer();
            display->present();

            if (m_platform.escapePressed()) {
                m_endReason = EndReason::Escape;
                ++m_frame;
                break;
            }
            if (triggers.trigger(kEndIndex)) {
                m_endReason = EndReason::Sync222;
                ++m_frame;
                break;
            }
        }
        if (m_settings.verbose)
            std::fprintf(stderr, "end frame=%llu t_ms=%u reason=%s\n", static_cast<unsigned long long>(m_frame),
                         m_platform.timeMs(), reasonName(m_endReason));

        log("stop sound");
        m_audio.shutdown();
        m_host.loopEnded(m_frame);
        log("destroy effects");
    }
    log("destroy display");
    display.reset();
    return 1;
}
