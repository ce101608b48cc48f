#include "FakeShow.h"

#include "data/Bitmap.h"
#include "platform/StartDialogModel.h"
#include "render/RenderContext.h"
#include "runner/Console.h"
#include "runner/Options.h"
#include "runner/Schedule.h"

#include <gtest/gtest.h>

#include <algorithm>

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

class TestHost final : public ShowHost {
public:
    explicit TestHost(OfflinePlatform& clock) : m_clock(clock) {}
    void openArchive(const char* name) override { log.push_back(std::string("archive ") + name); }
    std::unique_ptr<Display> makeDisplay() override
    {
        auto d = std::make_unique<OfflineDisplay>(640, 480);
        display = d.get();
        d->setFrameSink([this](const Bitmap& f) {
            presents.push_back(f.row32(0)[0] & 0xFFFFFF);
            band.push_back(f.row32(80)[0] & 0xFF);
        });
        return d;
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

    std::vector<std::string> log;
    std::vector<uint32_t> presents;
    std::vector<uint32_t> band;
    OfflineDisplay* display = nullptr;
    std::vector<double> elapsed[kEffectCount]; // every render's elapsed, per effect
    uint32_t start = 0;

private:
    OfflinePlatform& m_clock;
};

struct Show {
    OfflinePlatform clock;
    TestHost host{clock};
    FakeAudio audio{clock};
    int run(long long frames = -1)
    {
        clock.setQuiet(true);
        Runner runner(host, audio, clock, {frames, false});
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
    EXPECT_EQ(s.run(3), 1);
    const std::vector<std::string> expectedAudio = {"load kv-lorn.xm", "open", "volume 10", "play", "shutdown"};
    EXPECT_EQ(s.audio.calls, expectedAudio);
    ASSERT_GE(s.host.log.size(), 15u);
    EXPECT_EQ(s.host.log[0], "archive glimmerok.dat");
    EXPECT_EQ(s.host.log[1], "construct EndPictureEffect");
    EXPECT_EQ(s.host.log[10], "construct KlamEffect");
    EXPECT_EQ(s.host.log[11], "prepare TunnelEffect");
    EXPECT_EQ(s.host.log[12], "prepare FlirpEffect");
    EXPECT_EQ(s.host.log[13], "prepare WaterEffect");
    EXPECT_EQ(s.host.log[14], "prepare ObjectShowEffect");
    EXPECT_EQ(std::count(s.host.log.begin(), s.host.log.end(), "destroy KlamEffect"), 1);
    EXPECT_EQ(std::count_if(s.host.log.begin(), s.host.log.end(), [](auto& l) { return l.rfind("destroy", 0) == 0; }),
              kEffectCount);
    // Six white frames, six black frames, then the loop's frames.
    ASSERT_EQ(s.host.presents.size(), 15u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(s.host.presents[i], 0xFFFFFFu);
    for (int i = 6; i < 15; ++i)
        EXPECT_EQ(s.host.presents[i], 0u) << i; // rows above the band keep the black
}

TEST(Runner, FirstEffectIsWaterAndItsClockStartsAfterThePause)
{
    Show s;
    s.run(4);
    EXPECT_EQ(s.host.band[12], uint32_t(10 + int(EffectId::Water)));
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

TEST(Runner, EscapeWinsOverSync222)
{
    Show s;
    s.audio.script.postAt(1000, 222);
    s.host.log.reserve(64);
    s.clock.pressEscape(); // consumed by the wait for Escape's release before the show
    EXPECT_EQ(s.run(5), 1);
    EXPECT_EQ(s.reason, EndReason::Sync222);
}

TEST(Runner, EscapeDuringTheShowEndsItAfterThatFrame)
{
    Show s;
    s.host.escapeAtFrame = 2;
    EXPECT_EQ(s.run(), 1);
    EXPECT_EQ(s.reason, EndReason::Escape);
    EXPECT_EQ(s.framesRun, 3u);
    EXPECT_EQ(s.audio.calls.back(), "shutdown");
}

TEST(Runner, ModuleThatDoesNotLoadEndsWithExitCode1BeforeAnyFrame)
{
    Show s;
    s.audio.loadOk = 0;
    EXPECT_EQ(s.run(), 1);
    EXPECT_TRUE(s.host.presents.empty());
    EXPECT_EQ(s.audio.calls.size(), 1u);
}

TEST(Runner, NoSoundDeviceShowsTheMessageAndExitsWith0)
{
    Show s;
    s.audio.openOk = 0;
    EXPECT_EQ(s.run(), 0);
    ASSERT_EQ(s.clock.messages().size(), 1u);
    EXPECT_EQ(s.clock.messages()[0], "Error!: Could not open sound output");
    EXPECT_TRUE(s.host.presents.empty());
}

TEST(Options, FlagsAndValues)
{
    const char* argv[] = {"kalvora", "--windowed", "--capture", "out", "--fps", "25", "--frames", "100", "--zoom", "2"};
    Options o;
    std::string error;
    ASSERT_TRUE(parseOptions(10, const_cast<char**>(argv), o, error)) << error;
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
                                          {"kalvora", "--frames", "-3"}}) {
        Options o;
        std::string error;
        EXPECT_FALSE(parseOptions(int(args.size()), const_cast<char**>(args.data()), o, error)) << args[1];
        EXPECT_FALSE(error.empty());
    }
}

TEST(StartDialog, LastRadioCommandWinsAndCloseKeepsGo)
{
    StartDialogModel m;
    m.initialise();
    EXPECT_EQ(m.windowed, 0);
    m.command(StartDialogModel::Windowed);
    m.command(1234); // ignored
    EXPECT_FALSE(m.ended);
    m.command(StartDialogModel::Fullscreen);
    m.command(StartDialogModel::Go);
    EXPECT_TRUE(m.ended);
    EXPECT_EQ(m.go, 1);
    EXPECT_EQ(m.windowed, 0);

    m.initialise();
    m.close();
    EXPECT_TRUE(m.ended);
    EXPECT_EQ(m.go, 0);
    m.initialise();
    m.command(StartDialogModel::Yuck);
    EXPECT_EQ(m.go, 0);
}
