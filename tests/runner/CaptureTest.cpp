#include "runner/Capture.h"
#include "data/Bitmap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(Capture, FolderGetsOnePngPerFrameAndAudioCutToTheFramesLength)
{
    const fs::path dir = fs::temp_directory_path() / ("kalvora-capture-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    Capture c;
    std::string error;
    ASSERT_TRUE(c.open(dir.string(), 10, error)) << error;
    Bitmap frame(640, 480, Bitmap::FormatXrgb32);
    std::vector<int16_t> pcm(2 * 10000, 7);
    c.addAudio(pcm.data(), 10000); // more than three frames at 10 fps hold (3 x 4410)
    for (int i = 0; i < 3; ++i) {
        frame.fill(i, i, i);
        c.addFrame(frame);
    }
    ASSERT_TRUE(c.finish());
    EXPECT_TRUE(fs::exists(dir / "frame-000000.png"));
    EXPECT_TRUE(fs::exists(dir / "frame-000002.png"));
    EXPECT_FALSE(fs::exists(dir / "frame-000003.png"));
    EXPECT_EQ(fs::file_size(dir / "audio.wav"), 44u + 3 * 4410 * 4);
    Capture again;
    EXPECT_FALSE(again.open(dir.string(), 10, error)) << "a folder holding frames is refused";
    EXPECT_NE(error.find("not empty"), std::string::npos) << error;
    fs::remove_all(dir);
}

TEST(Capture, ShortAudioIsPaddedWithSilenceAndHashesRepeat)
{
    uint64_t hashes[2][2];
    for (int run = 0; run < 2; ++run) {
        const fs::path dir = fs::temp_directory_path() / ("kalvora-capture-pad-" + std::to_string(::getpid()));
        Capture c;
        std::string error;
        ASSERT_TRUE(c.open(dir.string(), 25, error));
        Bitmap frame(640, 480, Bitmap::FormatXrgb32);
        c.addFrame(frame);
        const int16_t one[2] = {100, -100};
        c.addAudio(one, 1);
        ASSERT_TRUE(c.finish());
        EXPECT_EQ(fs::file_size(dir / "audio.wav"), 44u + 1764 * 4);
        hashes[run][0] = c.frameHash();
        hashes[run][1] = c.audioHash();
        fs::remove_all(dir);
    }
    EXPECT_EQ(hashes[0][0], hashes[1][0]);
    EXPECT_EQ(hashes[0][1], hashes[1][1]);
}
