// The timing mode prints its table and one machine-readable line per floor and per effect.
#include "effects/EffectBench.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

TEST(EffectBench, PrintsFloorsAndOneParsableLinePerEffect)
{
    const char* args[] = {"kalvora", "--bench", "--bench-frames", "3", "--bench-runs", "1"};
    testing::internal::CaptureStdout();
    const int rc = runEffectBench(6, const_cast<char**>(args));
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
    const std::vector<std::string> expected = {"TunnelEffect", "FlirpEffect", "KlamEffect", "EndPictureEffect"};
    EXPECT_EQ(effects, expected);
    EXPECT_NE(out.find("ms/frame"), std::string::npos);
}
