// Golden traces: `kalvora-xm trace` of small modules against text files in tests/data/xm/golden; and the
// bounds of the tool's run limits.
// Regenerate: see tests/data/xm/README.md.

#include "XmRender.h"

#include "music/ModulePlayer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

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

} // namespace

TEST(GoldenTrace, SyncTest)
{
    checkTrace("w_sync_test");
}
TEST(GoldenTrace, RetriggerE90)
{
    checkTrace("E90");
}
TEST(GoldenTrace, KeyOffFade)
{
    checkTrace("NoteOffFade");
}
TEST(GoldenTrace, NoteDelayCombination)
{
    checkTrace("DelayCombination");
}
TEST(GoldenTrace, PortamentoMemories)
{
    checkTrace("Porta-LinkMem");
}
TEST(GoldenTrace, FineVolumeMemories)
{
    checkTrace("FineVol-LinkMem");
}
TEST(GoldenTrace, PanningSlideMemory)
{
    checkTrace("PanSlideMem");
}
TEST(GoldenTrace, SampleOffsetRange)
{
    checkTrace("OffsetRange");
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
    std::string file = std::string(KALVORA_TEST_DATA "/xm/E90.xm");
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
