#include "DataKit.h"
#include "XmRender.h"
#include "XmTestReader.h"
#include "data/FileBytes.h"
#include "music/ModulePlayer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

struct Sync {
    int order;
    int row;
    int index;
    bool operator==(const Sync& o) const { return order == o.order && row == o.row && index == o.index; }
};

std::ostream& operator<<(std::ostream& out, const Sync& s)
{
    return out << s.order << "/" << s.row << ": " << s.index;
}

// The show's timeline: which sync the song sends where.
const std::vector<Sync> kTimeline = {
    {1, 56, 255},  {2, 0, 32},    {4, 56, 255},  {5, 0, 48},    {6, 0, 128},   {6, 16, 128},  {6, 32, 128},
    {6, 48, 128},  {7, 0, 128},   {7, 16, 128},  {7, 32, 128},  {7, 56, 255},  {8, 0, 64},    {8, 32, 144},
    {9, 0, 144},   {9, 32, 144},  {9, 48, 128},  {9, 56, 255},  {10, 0, 80},   {10, 32, 128}, {11, 0, 128},
    {11, 32, 128}, {12, 0, 96},   {12, 8, 128},  {12, 24, 128}, {12, 40, 128}, {12, 56, 128}, {13, 8, 128},
    {13, 24, 128}, {13, 40, 128}, {13, 48, 128}, {13, 56, 255}, {14, 0, 101},  {15, 0, 112},  {16, 56, 255},
    {17, 0, 129},  {18, 54, 255}, {19, 0, 153},  {20, 40, 255}, {20, 63, 222},
};

const std::vector<uint8_t>& showSong()
{
    static const std::vector<uint8_t> bytes = [] {
        DataKit kit(KALVORA_ASSETS_DIR);
        return kit.buildSong();
    }();
    return bytes;
}

const XmTestSong& parsedShowSong()
{
    static XmTestSong song;
    static const std::string error = readXmForTest(showSong(), song);
    EXPECT_EQ(error, "");
    return song;
}

std::vector<Sync> syncsOf(const XmTestSong& song)
{
    std::vector<Sync> out;
    for (size_t order = 0; order < song.orders.size(); ++order) {
        const auto& cells = song.patterns.at(song.orders[order]);
        const int rows = song.patternRows.at(song.orders[order]);
        for (int row = 0; row < rows; ++row) {
            for (int channel = 0; channel < song.channels; ++channel) {
                const XmTestCell& c = cells[static_cast<size_t>(row * song.channels + channel)];
                if (c.effect == 32) {
                    out.push_back({static_cast<int>(order), row, c.param});
                }
            }
        }
    }
    return out;
}

// The rules the runner and the effects impose on a sync script, whatever the exact rows.
std::string checkSyncRules(const std::vector<Sync>& syncs)
{
    struct Switch {
        int index;
        int fadeRows; // rows its fade-out needs before the next switch; 0 = no fade, -8 = exactly 8
        std::set<int> listens;
    };
    // Effects in show order; the first is current from the start.
    const std::vector<Switch> effects = {
        {0, -8, {}},          // Water
        {32, -8, {}},         // Flirp
        {48, -8, {128}},      // Tunnel
        {64, -8, {128, 144}}, // Object show
        {80, 0, {128}},       // Cube
        {96, -8, {128}},      // Greetings
        {101, 0, {}},         // Klam
        {112, -8, {}},        // Labyrinth
        {129, 9, {}},         // Metaballs
        {153, 9, {}},         // End picture (its end is the 222)
    };
    size_t current = 0;
    int switchRow = 0;
    int fadeRow = -1;
    bool ended = false;
    for (const Sync& s : syncs) {
        const int at = s.order * 64 + s.row;
        std::ostringstream where;
        where << s;
        if (ended) {
            return "sync after the end: " + where.str();
        }
        const bool isSwitch = current + 1 < effects.size() && s.index == effects[current + 1].index;
        if (isSwitch || s.index == 222) {
            const int fade = effects[current].fadeRows;
            if (fade != 0 && fadeRow < 0) {
                return "no fade-out before " + where.str();
            }
            if (fade < 0 && at - fadeRow != -fade) {
                return "fade-out not exactly " + std::to_string(-fade) + " rows before " + where.str();
            }
            if (fade > 0 && at - fadeRow < fade) {
                return "fade-out less than " + std::to_string(fade) + " rows before " + where.str();
            }
            if (s.index == 222) {
                if (current + 1 != effects.size()) {
                    return "end before the last effect: " + where.str();
                }
                ended = true;
                continue;
            }
            ++current;
            switchRow = at;
            fadeRow = -1;
            continue;
        }
        if (s.index == 255) {
            if (effects[current].fadeRows == 0 || fadeRow >= 0) {
                return "fade-out where none belongs: " + where.str();
            }
            fadeRow = at;
            continue;
        }
        if (s.index == 128 || s.index == 144) {
            if (!effects[current].listens.count(s.index)) {
                return "nobody listens to " + where.str();
            }
            if (at == switchRow && current > 0) {
                return "trigger on a switch row: " + where.str();
            }
            if (fadeRow >= 0) {
                return "trigger after the fade-out: " + where.str();
            }
            continue;
        }
        return "unexpected sync " + where.str();
    }
    if (!ended || current + 1 != effects.size()) {
        return "the script does not reach every effect and the end";
    }
    return "";
}

bool anyCell(const XmTestSong& song, bool (*match)(const XmTestCell&))
{
    for (uint8_t order : song.orders) {
        for (const XmTestCell& c : song.patterns.at(order)) {
            if (match(c)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

TEST(ShowSong, IsAValidXmWithTheShowsTiming)
{
    const XmTestSong& song = parsedShowSong();
    EXPECT_EQ(song.headerSize, 276u);
    EXPECT_EQ(song.tempo, 125);
    EXPECT_EQ(song.speed, 6);
    EXPECT_EQ(song.flags & 1, 1);
    EXPECT_GE(song.channels, 8);
    EXPECT_LE(song.channels, 12);
    ASSERT_EQ(song.orders.size(), 21u);
    for (uint8_t order : song.orders) {
        ASSERT_LT(order, song.patterns.size());
        EXPECT_EQ(song.patternRows[order], 64);
    }
    // 21 x 64 rows of 120 ms.
    EXPECT_NEAR(21 * 64 * 0.12, 161.28, 1e-9);
}

TEST(ShowSong, SyncScriptIsTheShowsTimeline)
{
    EXPECT_EQ(syncsOf(parsedShowSong()), kTimeline);
}

TEST(ShowSong, SyncScriptKeepsTheRunnersRules)
{
    EXPECT_EQ(checkSyncRules(syncsOf(parsedShowSong())), "");
    EXPECT_EQ(checkSyncRules(kTimeline), "");
}

TEST(ShowSong, SyncRuleCheckCatchesBrokenScripts)
{
    std::vector<Sync> late = kTimeline;
    late[0].row = 57; // Water's fade 7 rows before Flirp
    EXPECT_NE(checkSyncRules(late), "");

    std::vector<Sync> stray = kTimeline;
    stray.insert(stray.begin() + 1, Sync{1, 8, 128}); // nobody listens to 128 during Water
    EXPECT_NE(checkSyncRules(stray), "");

    std::vector<Sync> onSwitch = kTimeline;
    onSwitch.insert(onSwitch.begin() + 4, Sync{5, 0, 128}); // a flash on the Tunnel's switch row
    EXPECT_NE(checkSyncRules(onSwitch), "");

    std::vector<Sync> cubeFade = kTimeline;
    cubeFade.insert(cubeFade.begin() + 22, Sync{11, 56, 255}); // the Cube has no fade
    EXPECT_NE(checkSyncRules(cubeFade), "");

    std::vector<Sync> shortMeta = kTimeline;
    shortMeta[36].row = 56; // Metaballs needs at least 9 rows
    EXPECT_NE(checkSyncRules(shortMeta), "");

    std::vector<Sync> noEnd = kTimeline;
    noEnd.pop_back();
    EXPECT_NE(checkSyncRules(noEnd), "");
}

TEST(ShowSong, EveryInstrumentHasSamplesAndIsPlayed)
{
    const XmTestSong& song = parsedShowSong();
    ASSERT_GE(song.instruments.size(), 7u);
    std::set<int> played;
    for (uint8_t order : song.orders) {
        for (const XmTestCell& c : song.patterns.at(order)) {
            if (c.note >= 1 && c.note <= 96) {
                played.insert(c.instrument);
            }
        }
    }
    for (size_t i = 0; i < song.instruments.size(); ++i) {
        const XmTestInstrument& in = song.instruments[i];
        EXPECT_EQ(in.headerSize, 263u) << in.name;
        ASSERT_FALSE(in.samples.empty()) << in.name;
        for (const XmTestSample& s : in.samples) {
            EXPECT_GT(s.frames.size(), 100u) << in.name;
            EXPECT_LE(s.loopStartBytes + s.loopLengthBytes, s.lengthBytes) << in.name;
            int peak = 0;
            for (int16_t v : s.frames) {
                peak = std::max(peak, std::abs(static_cast<int>(v)));
            }
            EXPECT_GT(peak, 8000) << in.name;
        }
        EXPECT_TRUE(played.count(static_cast<int>(i + 1))) << in.name << " is never played";
    }
    EXPECT_FALSE(played.count(0)) << "a note without an instrument";
}

TEST(ShowSong, UsesTheEnginesCommands)
{
    const XmTestSong& song = parsedShowSong();
    EXPECT_TRUE(anyCell(song, [](const XmTestCell& c) { return c.effect == 4; })) << "vibrato";
    EXPECT_TRUE(anyCell(song, [](const XmTestCell& c) { return c.effect == 3; })) << "tone portamento";
    EXPECT_TRUE(anyCell(song, [](const XmTestCell& c) { return c.effect == 1; })) << "portamento up";
    EXPECT_TRUE(anyCell(song, [](const XmTestCell& c) { return c.effect == 2; })) << "portamento down";
    EXPECT_TRUE(anyCell(song, [](const XmTestCell& c) {
        return c.effect == 10 || (c.volume >= 0x60 && c.volume < 0x80);
    })) << "volume slide";
    EXPECT_TRUE(anyCell(song, [](const XmTestCell& c) { return c.effect == 0 && c.param != 0; })) << "arpeggio";
    EXPECT_TRUE(anyCell(song, [](const XmTestCell& c) { return c.note == 97; })) << "key-off";
    bool sustainedEnvelope = false;
    for (const XmTestInstrument& in : song.instruments) {
        sustainedEnvelope = sustainedEnvelope || (in.volumeType & 3) == 3;
    }
    EXPECT_TRUE(sustainedEnvelope);
}

TEST(ShowSong, BuildsToTheSameBytesEveryTime)
{
    DataKit kit(KALVORA_ASSETS_DIR);
    const std::vector<uint8_t> again = kit.buildSong();
    ASSERT_FALSE(again.empty()) << kit.error();
    EXPECT_EQ(again, showSong());
    // The build's own copy, when the data step has run.
    std::vector<uint8_t> built;
    if (readWholeFile(KALVORA_BINARY_DIR "/kv-lorn.xm", built)) {
        EXPECT_EQ(built, again);
    }
}

namespace {

std::string runCommand(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return out;
    }
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        out.append(buffer.data(), n);
    }
    pclose(pipe);
    return out;
}

} // namespace

// A second player must read the song the same way: same order count and length, audible throughout, not
// clipping.
TEST(ShowSong, PlaysInAnotherPlayerWithoutSilenceOrClipping)
{
    if (std::system("command -v openmpt123 > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "openmpt123 not installed";
    }
    char dir[] = "/tmp/kalvora-song-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/kv-lorn.xm";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(showSong().data()), static_cast<std::streamsize>(showSong().size()));
    }
    const std::string info = runCommand("openmpt123 --info '" + path + "' 2>&1");
    EXPECT_NE(info.find("Orders.....: 21"), std::string::npos) << info;
    EXPECT_NE(info.find("Duration...: 02:41"), std::string::npos) << info;

    runCommand("openmpt123 --quiet --render --force --no-float --samplerate 22050 '" + path + "' 2>&1");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile((path + ".wav").c_str(), bytes));
    const std::string wav(bytes.begin(), bytes.end());
    std::remove((path + ".wav").c_str());
    std::remove(path.c_str());
    rmdir(dir);
    const size_t data = wav.find("data");
    ASSERT_NE(data, std::string::npos);
    const size_t count = (wav.size() - data - 8) / 2;
    const int16_t* samples = reinterpret_cast<const int16_t*>(wav.data() + data + 8);
    const size_t perSecond = 22050 * 2;
    const size_t seconds = count / perSecond;
    EXPECT_GE(seconds, 160u);
    for (size_t s = 0; s < seconds; ++s) {
        double sum = 0.0;
        for (size_t i = s * perSecond; i < (s + 1) * perSecond; ++i) {
            sum += static_cast<double>(samples[i]) * samples[i];
        }
        const double rms = std::sqrt(sum / static_cast<double>(perSecond));
        EXPECT_GT(rms, 300.0) << "second " << s << " is nearly silent";
    }
    size_t run = 0;
    size_t longest = 0;
    for (size_t i = 0; i < count; ++i) {
        run = std::abs(static_cast<int>(samples[i])) >= 32767 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    EXPECT_LE(longest, 4u) << "clipping";
}

// The show's own player: it loads the song, sees the timeline's syncs, and mixes it audibly without clipping.
TEST(ShowSong, ShowsPlayerLoadsItAndSeesTheTimeline)
{
    ModulePlayer player;
    ASSERT_EQ(player.loadFromMemory(showSong().data(), showSong().size()), parsedShowSong().channels);
    std::vector<Sync> seen;
    int previousTime = -1;
    for (const XmSyncLine& line : listSyncs(player, 170.0)) {
        seen.push_back({line.order, line.row, line.index});
        EXPECT_GT(line.timeMs, previousTime);
        previousTime = line.timeMs;
    }
    EXPECT_EQ(seen, kTimeline);
    // The end signal comes about 2 min 41 s in.
    EXPECT_NEAR(previousTime / 1000.0, 161.3, 1.0);
}

TEST(ShowSong, ShowsMixerPlaysItWithoutSilenceOrClipping)
{
    ModulePlayer player;
    ASSERT_NE(player.loadFromMemory(showSong().data(), showSong().size()), 0);
    const XmRenderResult result = renderSong(player, 170.0, 10);
    EXPECT_EQ(result.reason, "end");
    const size_t perSecond = 44100 * 2;
    const size_t seconds = result.pcm.size() / perSecond;
    EXPECT_GE(seconds, 160u);
    int peak = 0;
    for (size_t s = 0; s < seconds; ++s) {
        double sum = 0.0;
        for (size_t i = s * perSecond; i < (s + 1) * perSecond; ++i) {
            const int v = result.pcm[i];
            sum += static_cast<double>(v) * v;
            peak = std::max(peak, std::abs(v));
        }
        EXPECT_GT(std::sqrt(sum / static_cast<double>(perSecond)), 300.0) << "second " << s << " is nearly silent";
    }
    EXPECT_LT(peak, 32000) << "the loudest moment reaches full scale";
}
