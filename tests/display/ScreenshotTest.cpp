#include "display/Screenshot.h"
#include "data/Bitmap.h"
#include "data/PngWriter.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

class ScreenshotFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() /
                (std::string("kv-shot-") + info->name() + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    void touch(const char* name) { std::ofstream(m_dir / name) << "x"; }
    std::filesystem::path m_dir;
};

std::vector<uint8_t> readAll(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST_F(ScreenshotFolder, NamesCountFromOneAndTakeTheFirstGap)
{
    EXPECT_EQ((m_dir / "kalvora-0001.png").string(), nextScreenshotPath(m_dir.string()));
    touch("kalvora-0001.png");
    touch("kalvora-0003.png");
    EXPECT_EQ((m_dir / "kalvora-0002.png").string(), nextScreenshotPath(m_dir.string()));
}

TEST_F(ScreenshotFolder, SavedFileIsThePngOfTheFrameAndNextNumberFollows)
{
    Bitmap frame(4, 3, Bitmap::FormatXrgb32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            frame.row32(y)[x] = uint32_t(x * 0x400000 + y * 0x5000 + 7);
    touch("kalvora-0001.png");
    const std::string path = saveScreenshot(frame, m_dir.string());
    ASSERT_EQ((m_dir / "kalvora-0002.png").string(), path);
    EXPECT_EQ(encodePng(frame), readAll(path));
    EXPECT_EQ((m_dir / "kalvora-0003.png").string(), nextScreenshotPath(m_dir.string()));
}

TEST_F(ScreenshotFolder, MissingFolderGivesNoPath)
{
    Bitmap frame(2, 2, Bitmap::FormatXrgb32);
    EXPECT_EQ("", saveScreenshot(frame, (m_dir / "missing").string()));
}
