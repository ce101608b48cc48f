#include "FakeShow.h"

#include "data/Bitmap.h"
#include "render/RenderContext.h"
#include "runner/Console.h"
#include "runner/Options.h"
#include "runner/Schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace {

// Fills the band with its own colour and records the elapsed time of every frame it draws.
class ColourEffect final : public Effect {
public:
    ColourEffect(int colour, std::vector<std::string>& log, std::vector<double>& elapsedSeen, const char* name)
        : m_colour(colour), m_log(log), m_elapsedSeen(elapsedSeen), m_name(name)
    {
        m_log.push_back(std::string("construct ") + name);
    }
    ~ColourEffect() override { m_log.push_back(std::string("destroy ") + m_name); }
    int render(RenderContext&, Bitmap& view, TriggerSource&, double elapsed) override
    {
        view.fill(m_colour, m_colour, m_colour);
        m_elapsedSeen.push_back(elapsed);
        return 1;
    }
    int prepare() override
    {
        m_log.push_back(std::string("prepare ") + m_name);
        return 1;
    }

private:
    int m_colour;
    std::vector<std::string>& m_log;
    std::vector<double>& m_elapsedSeen;
    const char* m_name;
};

// Logs every present (the colour of row 0, and the band's) and its own destruction.
class LoggedDisplay final : public Display {
public:
    LoggedDisplay(std::vector<std::string>& log, std::function<bool()> escapeHeld, bool& presentedWhileEscapeHeld)
        : m_log(log), m_escapeHeld(std::move(escapeHeld)), m_presentedWhileEscapeHeld(presentedWhileEscapeHeld)
    {}
    ~LoggedDisplay() override { m_log.push_back("destroy display"); }
    Bitmap& backBuffer() override { return m_frame; }
    int releaseBackBuffer() override { return 1; }
    int present() override
    {
        const uint32_t top = m_frame.row32(0)[0] & 0xFFFFFF, band = m_frame.row32(80)[0] & 0xFF;
        m_log.push_back(top == 0xFFFFFF ? "white" : top || band ? "frame " + std::to_string(band) : "black");
        m_presentedWhileEscapeHeld |= m_escapeHeld();
        return 1;
    }
    int mouseX() const override { return 0; }
    int mouseY() const override { return 0; }
    int mouseButton() const override { return 0; }

private:
    std::vector<std::string>& m_log;
    std::function<bool()> m_escapeHeld;
    bool& m_presentedWhileEscapeHeld;
    Bitmap m_frame{640, 480, Bitmap::FormatXrgb32};
};

class TestHost final : public ShowHost {
public:
    TestHost(OfflinePlatform& clock, std::vector<std::string>& log) : log(log), m_clock(clock) {}
    void openArchive(const char* name) override { log.push_back(std::string("archive ") + name); }
    std::unique_ptr<Display> makeDisplay() override
    {
        log.push_back("make display");
        return std::make_unique<LoggedDisplay>(
            log, [this] { return m_clock.escapeHeld(); }, presentedWhileEscapeHeld);
    }
    ShowEffects makeEffects(Console&, RenderContext&) override
    {
        ShowEffects e;
        for (const EffectRow& row : e.table()) {
            const int i = int(row.id);
            e.set(row.id, std::make_unique<ColourEffect>(10 + i, log, elapsed[i], row.name));
        }
        return e;
    }
    void loopStarting() override { start = m_clock.timeMs(); }
    void frameStarting(uint64_t frame) override
    {
        m_clock.advanceTo(uint32_t(start + frame * 10));
        if (int64_t(frame) == escapeAtFrame)
            m_clock.pressEscape();
    }
    int64_t escapeAtFrame = -1;

    std::vector<std::string>& log;
    bool presentedWhileEscapeHeld = false;
    std::vector<double> elapsed[kEffectCount]; // every render's elapsed, per effect
    uint32_t start = 0;

private:
    OfflinePlatform& m_clock;
};

// The offline platform, with its message boxes in the show's log.
class LoggedPlatform final : public Platform {
public:
    LoggedPlatform(OfflinePlatform& clock, std::vector<std::string>& log) : m_clock(clock), m_log(log) {}
    uint32_t timeMs() override { return m_clock.timeMs(); }
    void sleepMs(uint32_t ms) override { m_clock.sleepMs(ms); }
    bool escapePressed() override { return m_clock.escapePressed(); }
    bool escapeHeld() override { return m_clock.escapeHeld(); }
    void messageBox(const char* text, const char* caption) override
    {
        m_log.push_back(std::string("message ") + caption + " " + text);
    }
    void setThreadPriority(ThreadPriority) override {}

private:
    OfflinePlatform& m_clock;
    std::vector<std::string>& m_log;
};

// One ordered log of the archive, display, audio, effect, frame and message steps.
struct Show {
    OfflinePlatform clock;
    FakeAudio audio{clock};
    std::vector<std::string>& log = audio.calls;
    TestHost host{clock, log};
    LoggedPlatform platform{clock, log};
    int run(long long frames = -1)
    {
        Runner runner(host, audio, platform, {frames, false});
        const int code = runner.run();
        framesRun = runner.framesRendered();
        reason = runner.endReason();
        return code;
    }
    uint64_t framesRun = 0;
    EndReason reason = EndReason::Escape;
};

} // namespace

TEST(Schedule, LaterRowWinsAndBothHitsAreConsumed)
{
    OfflinePlatform clock;
    ScriptedTriggers t(clock);
    t.post(32);
    t.post(48);
    const ScheduleHit hit = walkSchedule(t, clock);
    EXPECT_TRUE(hit.hit);
    EXPECT_EQ(hit.effect, EffectId::Tunnel);
    EXPECT_EQ(t.trigger(32), 0);
    EXPECT_EQ(t.trigger(48), 0);
}

TEST(Schedule, SwitchDrainsEveryPendingFadeOut)
{
    OfflinePlatform clock;
    ScriptedTriggers t(clock);
    t.post(255);
    t.post(255);
    t.post(255);
    t.post(64);
    EXPECT_TRUE(walkSchedule(t, clock).hit);
    EXPECT_EQ(t.trigger(255), 0);
}

TEST(Schedule, FadeOutsStayPendingWithoutASwitch)
{
    OfflinePlatform clock;
    ScriptedTriggers t(clock);
    t.post(255);
    EXPECT_FALSE(walkSchedule(t, clock).hit);
    EXPECT_EQ(t.trigger(255), 1);
}

TEST(Schedule, HitTakesTheClockAtTheSwitch)
{
    OfflinePlatform clock;
    clock.advanceTo(1234);
    ScriptedTriggers t(clock);
    t.postAt(1000, 153);
    const ScheduleHit hit = walkSchedule(t, clock);
    EXPECT_EQ(hit.effect, EffectId::EndPicture);
    EXPECT_EQ(hit.t0, 1234);
}

TEST(Runner, StartUpAndShutDownInOrder)
{
    Show s;
    EXPECT_EQ(s.run(2), 1);
    std::vector<std::string> expected = {"archive glimmerok.dat", "make display", "load kv-lorn.xm", "open",
                                         "volume 10"};
    expected.insert(expected.end(), 6, "white");
    for (int i = 0; i < kEffectCount; ++i)
        expected.push_back(std::string("construct ") + effectName(EffectId(i)));
    for (EffectId id : {EffectId::Tunnel, EffectId::Flirp, EffectId::Water, EffectId::ObjectShow})
        expected.push_back(std::string("prepare ") + effectName(id));
    expected.insert(expected.end(), 6, "black");
    expected.push_back("play");
    expected.insert(expected.end(), 2, "frame " + std::to_string(10 + int(EffectId::Water)));
    expected.push_back("shutdown");
    for (int i = kEffectCount - 1; i >= 0; --i)
        expected.push_back(std::string("destroy ") + effectName(EffectId(i)));
    expected.push_back("destroy display");
    EXPECT_EQ(s.log, expected);
}

TEST(Runner, FirstEffectIsWaterAndItsClockStartsAfterThePause)
{
    Show s;
    s.run(4);
    const auto& seen = s.host.elapsed[int(EffectId::Water)];
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], 0.0);
    EXPECT_EQ(seen[1], 1.0); // 10 ms per test frame
    EXPECT_GE(s.clock.timeMs(), 1000u);
}

TEST(Runner, SwitchTakesEffectOnTheNextFrameWithItsOwnClock)
{
    Show s;
    s.audio.script.postAt(1000 + 25, 48); // seen on the frame at +30 ms
    s.run(6);
    const auto& tunnel = s.host.elapsed[int(EffectId::Tunnel)];
    ASSERT_EQ(tunnel.size(), 2u);
    EXPECT_EQ(tunnel[0], 1.0); // frame at +40 ms, effect started at +30
    EXPECT_EQ(s.host.elapsed[int(EffectId::Water)].size(), 4u);
}

TEST(Runner, TwoPendingHitsOfOneIndexRestartTheEffectNextFrame)
{
    Show s;
    s.audio.script.postAt(1000, 32);
    s.audio.script.postAt(1000, 32);
    s.run(4);
    const auto& flirp = s.host.elapsed[int(EffectId::Flirp)];
    ASSERT_EQ(flirp.size(), 3u);
    EXPECT_EQ(flirp[0], 1.0); // switched at frame 0 (+0 ms), drawn from frame 1 (+10 ms)
    EXPECT_EQ(flirp[1], 1.0); // the second hit, consumed at frame 1, restarted its clock
    EXPECT_EQ(flirp[2], 2.0);
}

TEST(Runner, Sync222EndsTheShowWithExitCode1)
{
    Show s;
    s.audio.script.postAt(1000 + 20, 222);
    EXPECT_EQ(s.run(), 1);
    EXPECT_EQ(s.reason, EndReason::Sync222);
    EXPECT_EQ(s.framesRun, 3u);
}

TEST(Runner, EscapeHeldAtStartHoldsTheShowBackAndDoesNotEndIt)
{
    Show s;
    s.clock.holdEscape(true);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        s.clock.holdEscape(false);
    });
    EXPECT_EQ(s.run(3), 1);
    release.join();
    EXPECT_FALSE(s.host.presentedWhileEscapeHeld);
    EXPECT_EQ(s.reason, EndReason::Frames);
}

TEST(Runner, EscapeEndsTheShowAfterThatFrameAndWinsOverSync222)
{
    Show s;
    s.host.escapeAtFrame = 2;
    s.audio.script.postAt(1000 + 20, 222); // due on the same frame
    EXPECT_EQ(s.run(), 1);
    EXPECT_EQ(s.reason, EndReason::Escape);
    EXPECT_EQ(s.framesRun, 3u);
    EXPECT_EQ(s.audio.script.asked(222), 2) << "222 was not asked for on the frame Escape ended";
}

TEST(Runner, ModuleThatDoesNotLoadEndsWithExitCode1BeforeAnyFrame)
{
    Show s;
    s.audio.loadOk = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(s.run(), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s.log, (std::vector<std::string>{"archive glimmerok.dat", "make display", "load kv-lorn.xm",
                                               "destroy display"}));
    EXPECT_NE(said.find("current directory"), std::string::npos) << said;
    EXPECT_NE(said.find("--data"), std::string::npos) << said;
}

TEST(Runner, NoSoundDeviceShowsTheMessageAfterTheDisplayIsGoneAndExitsWith0)
{
    Show s;
    s.audio.openOk = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(s.run(), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s.log,
              (std::vector<std::string>{"archive glimmerok.dat", "make display", "load kv-lorn.xm", "open", "shutdown",
                                        "destroy display", "message Error! Could not open sound output"}));
    EXPECT_NE(said.find("(use --silent to play without sound)"), std::string::npos) << said;
}

TEST(Options, FlagsAndValues)
{
    const char* argv[] = {"kalvora",  "--windowed", "--capture", "out", "--fps",     "25",
                          "--frames", "100",        "--zoom",    "2",   "--no-vsync"};
    Options o;
    std::string error;
    ASSERT_TRUE(parseOptions(11, const_cast<char**>(argv), o, error)) << error;
    EXPECT_FALSE(o.vsync);
    EXPECT_EQ(o.mode, Options::Mode::Windowed);
    EXPECT_EQ(o.capture, "out");
    EXPECT_EQ(o.fps, 25);
    EXPECT_EQ(o.frames, 100);
    EXPECT_EQ(o.zoom, 2);
}

TEST(Options, BadInputIsRefusedWithAReason)
{
    for (std::vector<const char*> args : {std::vector<const char*>{"kalvora", "--nope"},
                                          {"kalvora", "--fps"},
                                          {"kalvora", "--fps", "0"},
                                          {"kalvora", "--depth", "8"},
                                          {"kalvora", "--scale", "big"},
                                          {"kalvora", "--frames", "-3"},
                                          {"kalvora", "--fullscreen", "--zoom", "2"},
                                          {"kalvora", "--fps", "30"}}) {
        Options o;
        std::string error;
        EXPECT_FALSE(parseOptions(int(args.size()), const_cast<char**>(args.data()), o, error)) << args.back();
        EXPECT_FALSE(error.empty());
    }
}
