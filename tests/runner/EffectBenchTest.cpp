// The timing mode prints its table and one machine-readable line per floor and per row of the effect table.
#include "runner/EffectBench.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

// An effect that exists only in this test's table.
class ProbeEffect final : public Effect {
public:
    explicit ProbeEffect(Console&) {}
    int render(RenderContext&, Bitmap&, TriggerSource&, double) override
    {
        ++renders;
        return 1;
    }
    static inline int renders = 0;
};

} // namespace

TEST(EffectBench, TimesEveryRowOfItsTableOnceAndPrintsOneParsableLineEach)
{
    ASSERT_EQ(chdir(KALVORA_BINARY_DIR), 0); // the show's data: the water effect cannot start without it
    std::vector<EffectRow> table(showEffectTable().begin(), showEffectTable().end());
    table.push_back({EffectId(kEffectCount), "ProbeEffect", 0, makeEffect<ProbeEffect>});
    const char* args[] = {"kalvora", "--bench", "--bench-frames", "3", "--bench-runs", "1"};
    testing::internal::CaptureStdout();
    const int rc = runEffectBench(6, const_cast<char**>(args), table);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(rc, 0);
    std::istringstream lines(out);
    std::string line;
    int floors = 0;
    std::vector<std::string> effects;
    const std::regex floorLine(R"(bench floor=(memcpy|texmap) ms=[0-9]+\.[0-9]+)");
    const std::regex effectLine(
        R"(bench effect=([A-Za-z]+) ms=[0-9]+\.[0-9]+ fps=[0-9]+\.[0-9] floor_ratio=[0-9]+\.[0-9]+)");
    while (std::getline(lines, line)) {
        std::smatch m;
        if (std::regex_match(line, floorLine))
            ++floors;
        else if (std::regex_match(line, m, effectLine))
            effects.push_back(m[1]);
        else
            EXPECT_EQ(line.rfind("bench ", 0), std::string::npos) << "malformed: " << line;
    }
    EXPECT_EQ(floors, 2);
    std::vector<std::string> expected;
    for (const EffectRow& row : table)
        expected.push_back(row.name);
    EXPECT_EQ(effects, expected);
    EXPECT_EQ(ProbeEffect::renders, 3);
    EXPECT_NE(out.find("ms/frame"), std::string::npos);
}

TEST(EffectBench, NamedEffectIsTheOnlyOneTimed)
{
    ASSERT_EQ(chdir(KALVORA_BINARY_DIR), 0);
    std::vector<EffectRow> table(showEffectTable().begin(), showEffectTable().end());
    table.push_back({EffectId(kEffectCount), "ProbeEffect", 0, makeEffect<ProbeEffect>});
    ProbeEffect::renders = 0;
    const char* args[] = {"kalvora", "--bench", "--bench-frames", "4", "--bench-effect", "ProbeEffect"};
    testing::internal::CaptureStdout();
    EXPECT_EQ(runEffectBench(6, const_cast<char**>(args), table), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(ProbeEffect::renders, 5 * 4) << "five runs of four frames, the default run count";
    EXPECT_NE(out.find("bench effect=ProbeEffect "), std::string::npos);
    EXPECT_EQ(out.find("bench effect=", out.find("bench effect=") + 1), std::string::npos) << out;
}
