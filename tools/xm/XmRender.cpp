#include "XmRender.h"

#include "music/SoundDevice.h"
#include "music/Voice.h"
#include "platform/OfflinePlatform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace {

// Time limits are taken within 0..24 hours (negative or NaN: nothing), so frame and millisecond counts
// never overflow and no negative length reaches a buffer.
double boundedSeconds(double s)
{
    if (!(s > 0.0))
        return 0.0;
    return s < 86400.0 ? s : 86400.0;
}

// Watches the rows for the end of one pass through the song.
class PassWatcher final : public TickListener {
public:
    void onTick(const ModulePlayer& p) override
    {
        Voice* v = p.voice(0);
        int64_t frameAtTick = v ? v->streamPos : 0;
        if (m_endFrame >= 0)
            return;
        if (p.decodedRows() != m_lastRows) {
            m_lastRows = p.decodedRows();
            if (p.orderWraps() > 0) {
                end(frameAtTick, "end");
                return;
            }
            uint64_t state = 1469598103934665603ull;
            for (int c = 0; c < p.channelCount(); ++c) {
                state = (state ^ uint64_t(p.channel(c).loopCounter)) * 1099511628211ull;
                state = (state ^ uint64_t(p.channel(c).loopStartRow)) * 1099511628211ull;
            }
            uint32_t key = uint32_t(p.decodedOrder() & 0xFFF) << 12 | uint32_t(p.decodedRow() & 0xFFF);
            auto it = m_seen.find(key);
            if (it != m_seen.end() && it->second == state) {
                end(frameAtTick, "loop");
                return;
            }
            m_seen[key] = state;
        }
        if (p.speed() == 0) {
            // F00: the song stops itself; its last row sounds for one tick.
            end(frameAtTick + int64_t(44100.0f / (float(p.tempo()) * 0.4f)), "stop");
        }
    }
    int64_t endFrame() const { return m_endFrame; }
    const std::string& reason() const { return m_reason; }

private:
    void end(int64_t frame, const char* why)
    {
        m_endFrame = frame;
        m_reason = why;
    }
    int64_t m_lastRows = 0;
    std::unordered_map<uint32_t, uint64_t> m_seen;
    int64_t m_endFrame = -1;
    std::string m_reason;
};

class SyncWatcher final : public TickListener {
public:
    void onTick(const ModulePlayer& p) override
    {
        if (p.decodedRows() == m_lastRows)
            return;
        m_lastRows = p.decodedRows();
        for (int c = 0; c < p.channelCount(); ++c) {
            const ModuleChannel& ch = p.channel(c);
            if (ch.effectType == 32)
                lines.push_back({p.tickTime(), p.decodedOrder(), p.decodedRow(), c, ch.effectParam});
        }
    }
    std::vector<XmSyncLine> lines;

private:
    int64_t m_lastRows = 0;
};

class TraceWatcher final : public TickListener {
public:
    void onTick(const ModulePlayer& p) override
    {
        char buf[128];
        std::snprintf(buf, sizeof buf, "%3d %3d %2d", p.decodedOrder(), p.decodedRow(), p.tickCounter());
        std::string line = buf;
        for (int c = 0; c < p.channelCount(); ++c) {
            const ModuleChannel& ch = p.channel(c);
            const Voice* v = p.voice(c);
            std::snprintf(buf, sizeof buf, " | %5d %3d %3d %6lld", ch.voicePeriod, v ? v->volume : 0,
                          v ? v->panning : 0, (long long)(v && v->sample ? v->position : -1));
            line += buf;
        }
        lines.push_back(line);
    }
    std::vector<std::string> lines;
};

// Runs the player on an offline card until `done` says so or `maxSeconds` of clock have passed. As the
// show does it (`asShow`), the card opens first and the clock moves in 1 ms steps, so sync times are
// those the show sees; otherwise the song starts at stream frame 0 and the clock moves in long steps.
template<typename Done>
void run(ModulePlayer& player, double maxSeconds, bool asShow, Done done)
{
    OfflinePlatform clock;
    auto device = makeOfflineSoundDevice(clock, nullptr);
    if (asShow) {
        device->open();
        device->play(player);
    } else {
        device->play(player);
        device->open();
    }
    uint32_t limitMs = uint32_t(boundedSeconds(maxSeconds) * 1000.0);
    while (!done() && clock.timeMs() < limitMs)
        clock.advanceBy(asShow ? 1 : 250);
    device->stop(player);
    device->close();
}

} // namespace

XmRenderResult renderSong(ModulePlayer& player, double maxSeconds, int masterVolume, PcmSink sink)
{
    XmRenderResult result;
    PassWatcher watcher;
    player.setTickListener(&watcher);
    player.setMasterVolume(masterVolume);
    const int64_t limitFrames = int64_t(boundedSeconds(maxSeconds) * 44100.0);
    // The end of the pass is known when its tick is computed, blocks before its frames are played, so
    // each piece can be cut where the song ends as it arrives.
    auto wanted = [&] { return watcher.endFrame() >= 0 ? std::min(watcher.endFrame(), limitFrames) : limitFrames; };
    int64_t played = 0;
    bool going = true;
    OfflinePlatform clock;
    auto device = makeOfflineSoundDevice(clock, [&](const int16_t* f, size_t n) {
        const int64_t keep = std::clamp<int64_t>(wanted() - played, 0, int64_t(n));
        played += int64_t(n);
        if (keep <= 0 || !going)
            return;
        if (sink)
            going = sink(f, size_t(keep));
        else
            result.pcm.insert(result.pcm.end(), f, f + keep * 2);
        result.frames += keep;
    });
    device->play(player);
    device->open();
    while (going && played < wanted())
        clock.advanceBy(500);
    device->stop(player);
    device->close();
    player.setTickListener(nullptr);
    result.reason = "limit";
    if (watcher.endFrame() >= 0 && watcher.endFrame() <= limitFrames)
        result.reason = watcher.reason();
    return result;
}

std::vector<XmSyncLine> listSyncs(ModulePlayer& player, double maxSeconds)
{
    SyncWatcher watcher;
    PassWatcher pass;
    struct Both final : TickListener {
        TickListener* a;
        TickListener* b;
        void onTick(const ModulePlayer& p) override
        {
            a->onTick(p);
            b->onTick(p);
        }
    } both;
    both.a = &watcher;
    both.b = &pass;
    player.setTickListener(&both);
    run(player, maxSeconds, true, [&] { return pass.endFrame() >= 0; });
    player.setTickListener(nullptr);
    std::stable_sort(watcher.lines.begin(), watcher.lines.end(),
                     [](const XmSyncLine& x, const XmSyncLine& y) { return x.timeMs < y.timeMs; });
    return watcher.lines;
}

std::vector<std::string> traceTicks(ModulePlayer& player, int ticks, int masterVolume)
{
    if (ticks < 0)
        ticks = 0;
    player.setMasterVolume(masterVolume);
    TraceWatcher watcher;
    player.setTickListener(&watcher);
    run(player, 3600.0, false, [&] { return int(watcher.lines.size()) >= ticks; });
    player.setTickListener(nullptr);
    if (int(watcher.lines.size()) > ticks)
        watcher.lines.resize(size_t(ticks));
    return watcher.lines;
}
