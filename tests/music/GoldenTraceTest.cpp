// Golden traces: `kalvora-xm trace` of small modules against text files in tests/data/xm/golden; and the
// bounds of the tool's run limits.
// Regenerate: see tests/data/xm/README.md.

#include "XmRender.h"
#include "XmTool.h"

#include "music/ModulePlayer.h"
#include "music/WavFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// `name` is the module's path below tests/data/xm without ".xm"; the golden file is named after its base name.
void checkTrace(const char* name)
{
    std::string base = name;
    base = base.substr(base.find_last_of('/') + 1);
    std::string golden = std::string(KALVORA_TEST_DATA "/xm/golden/") + base + ".trace";
    std::ifstream f(golden);
    ASSERT_TRUE(f.good()) << golden;
    std::vector<std::string> want;
    for (std::string line; std::getline(f, line);)
        want.push_back(line);
    ModulePlayer player;
    ASSERT_NE(player.loadFromFile((std::string(KALVORA_TEST_DATA "/xm/") + name + ".xm").c_str()), 0);
    std::vector<std::string> got = traceTicks(player, int(want.size()));
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        ASSERT_EQ(got[i], want[i]) << name << " tick line " << i + 1;
}

int tool(std::vector<const char*> args)
{
    args.insert(args.begin(), "kalvora-xm");
    return runXmTool(int(args.size()), const_cast<char**>(args.data()));
}

std::vector<uint8_t> fileBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

} // namespace

TEST(GoldenTrace, SyncTest)
{
    checkTrace("w_sync_test");
}
TEST(GoldenTrace, RetriggerE90)
{
    checkTrace("rules/E90");
}
TEST(GoldenTrace, KeyOffFade)
{
    checkTrace("rules/NoteOffFade");
}
TEST(GoldenTrace, NoteDelayCombination)
{
    checkTrace("rules/DelayCombination");
}
TEST(GoldenTrace, PortamentoMemories)
{
    checkTrace("rules/Porta-LinkMem");
}
TEST(GoldenTrace, FineVolumeMemories)
{
    checkTrace("rules/FineVol-LinkMem");
}
TEST(GoldenTrace, PanningSlideMemory)
{
    checkTrace("rules/PanSlideMem");
}
TEST(GoldenTrace, SampleOffsetRange)
{
    checkTrace("rules/OffsetRange");
}
TEST(GoldenTrace, KxxKeyOff)
{
    checkTrace("ft2_kxx");
}
TEST(GoldenTrace, PatternJumpBreak)
{
    checkTrace("pattern_jump_ft2_break");
}
TEST(GoldenTrace, AmigaNoteDelays)
{
    checkTrace("rules/delay2");
}

TEST(XmTool, LimitsOutsideTheirRangeAreBounded)
{
    std::string file = std::string(KALVORA_TEST_DATA "/xm/rules/E90.xm");
    ModulePlayer player;
    ASSERT_NE(player.loadFromFile(file.c_str()), 0);
    XmRenderResult none = renderSong(player, -1.0);
    EXPECT_EQ(none.frames, 0) << "a negative time renders nothing";
    EXPECT_TRUE(none.pcm.empty());
    EXPECT_EQ(renderSong(player, std::nan("")).frames, 0);
    XmRenderResult whole = renderSong(player, 1e30);
    EXPECT_NE(whole.reason, "limit") << "a huge limit still ends with the song";
    EXPECT_EQ(int64_t(whole.pcm.size()), whole.frames * 2);
    EXPECT_TRUE(traceTicks(player, -3).empty());
}

TEST(XmTool, HelpGoesToStdoutAndAnythingButANumberIsAUsageError)
{
    const std::string file = KALVORA_TEST_DATA "/xm/rules/E90.xm";
    testing::internal::CaptureStdout();
    EXPECT_EQ(tool({"--help"}), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout().rfind("usage: kalvora-xm", 0), 0u);
    EXPECT_EQ(tool({"trace", file.c_str(), "--ticks", "many"}), 2);
    EXPECT_EQ(tool({"syncs", file.c_str(), "--seconds", "10s"}), 2);
    testing::internal::CaptureStderr();
    EXPECT_EQ(tool({"info", KALVORA_TEST_DATA}), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("not a regular file"), std::string::npos);
}

TEST(XmTool, RenderWritesTheSongsFramesWithTheirSizesInTheHeader)
{
    const std::string file = KALVORA_TEST_DATA "/xm/rules/E90.xm";
    const std::string out = (std::filesystem::temp_directory_path() / ("kv-e90-" + std::to_string(getpid()))).string();
    testing::internal::CaptureStdout();
    ASSERT_EQ(tool({"render", file.c_str(), out.c_str(), "--seconds", "3.5"}), 0);
    testing::internal::GetCapturedStdout();
    ModulePlayer player;
    ASSERT_NE(player.loadFromFile(file.c_str()), 0);
    const XmRenderResult kept = renderSong(player, 3.5);
    const std::vector<uint8_t> wav = fileBytes(out);
    std::filesystem::remove(out);
    ASSERT_EQ(wav.size(), 44 + size_t(kept.frames) * 4);
    EXPECT_EQ(le32(wav, 4), 36 + kept.frames * 4);
    EXPECT_EQ(le32(wav, 40), kept.frames * 4);
    EXPECT_EQ(std::memcmp(wav.data() + 44, kept.pcm.data(), size_t(kept.frames) * 4), 0) << "little-endian host";
}

TEST(WavWriter, DataBeyondWhatTheHeaderCanStateIsRefusedUnwritten)
{
    const std::string out = (std::filesystem::temp_directory_path() / ("kv-wav-" + std::to_string(getpid()))).string();
    const int16_t frame[2] = {1, -1};
    WavWriter w;
    ASSERT_TRUE(w.open(out.c_str()));
    EXPECT_TRUE(w.write(frame, 1));
    // Refused by its count before any sample is read: the pointer is never followed.
    EXPECT_FALSE(w.write(frame, size_t(WavWriter::kMaxDataBytes / 4)));
    EXPECT_TRUE(w.tooLarge());
    EXPECT_TRUE(w.finish());
    EXPECT_EQ(fileBytes(out).size(), 48u);
    std::filesystem::remove(out);
}
