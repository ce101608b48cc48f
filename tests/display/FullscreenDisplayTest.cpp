#include "display/FullscreenDisplay.h"
#include "SdlTestSupport.h"
#include "display/SdlOutputWindow.h"
#include "platform/OfflinePlatform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

extern char** environ;

namespace {

// Channel levels spread over the range; 0x00 and 0xFF also survive the 16-bit copy unchanged.
constexpr uint32_t kLevels[5] = {0x00, 0x42, 0x84, 0xC6, 0xFF};

// 16 x 16 blocks of colours made of those levels.
uint32_t blockColour(int32_t x, int32_t y)
{
    const int32_t bx = x / 16, by = y / 16;
    return 0x5A000000u | kLevels[(bx + 2 * by) % 5] << 16 | kLevels[(3 * bx + by) % 5] << 8 | kLevels[(bx * by) % 5];
}

void fillBlocks(Bitmap& b)
{
    for (int32_t y = 0; y < b.height(); ++y)
        for (int32_t x = 0; x < b.width(); ++x)
            b.row32(y)[x] = blockColour(x, y);
}

struct Screen {
    std::vector<uint32_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t at(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + size_t(x)] & 0xFFFFFF; }
};

Screen read(FullscreenDisplay& d)
{
    Screen s;
    EXPECT_TRUE(d.readBack(s.pixels, s.width, s.height));
    return s;
}

// Counts the pixels that differ from the frame scaled by whole `scale` and centred with black bars.
// With `bits` 5 only each channel's top five bits count (how five bits grow back to eight is the
// renderer's business).
int32_t integerScaleMismatches(const Screen& s, const Bitmap& frame, int32_t scale, int bits = 8)
{
    const uint32_t mask = bits == 5 ? 0xF8F8F8u : 0xFFFFFFu;
    const int32_t ox = (s.width - 640 * scale) / 2, oy = (s.height - 480 * scale) / 2;
    int32_t wrong = 0;
    for (int32_t y = 0; y < s.height; ++y)
        for (int32_t x = 0; x < s.width; ++x) {
            const int32_t fx = x - ox, fy = y - oy;
            const bool inside = fx >= 0 && fy >= 0 && fx < 640 * scale && fy < 480 * scale;
            const uint32_t expected = inside ? frame.row32(fy / scale)[fx / scale] & mask : 0;
            wrong += (s.at(x, y) & mask) != expected;
        }
    return wrong;
}

int32_t wholeScale(const Screen& s)
{
    return std::max(1, std::min(s.width / 640, s.height / 480));
}

// A window manager inside the test's X server, as a desktop would have; one already running makes
// it exit at once. Test processes that run at the same time take turns (a lock file per X display),
// so a window is never shown while another process's manager is still starting.
class Fullscreen : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!haveDisplay())
            return;
        std::string lockName = std::string("kv-fullscreen-") + std::getenv("DISPLAY") + ".lock";
        for (char& c : lockName)
            c = (c == '/' || c == ':') ? '_' : c;
        s_lock = ::open((std::filesystem::temp_directory_path() / lockName).c_str(), O_RDWR | O_CREAT, 0666);
        if (s_lock >= 0)
            flock(s_lock, LOCK_EX);
        const std::filesystem::path marker =
            std::filesystem::temp_directory_path() / ("kv-wm-" + std::to_string(::getpid()));
        std::filesystem::remove(marker);
        const std::string startup = "touch " + marker.string();
        char* argv[] = {const_cast<char*>("openbox"), const_cast<char*>("--sm-disable"), const_cast<char*>("--startup"),
                        const_cast<char*>(startup.c_str()), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&s_wm, "openbox", &actions, nullptr, argv, environ) != 0)
            s_wm = -1;
        posix_spawn_file_actions_destroy(&actions);
        // Ready when it runs its start-up command; gone when another manager is there already.
        eventually([&] {
            int status;
            if (s_wm > 0 && waitpid(s_wm, &status, WNOHANG) == s_wm)
                s_wm = 0; // another manager runs already
            return s_wm <= 0 || std::filesystem::exists(marker);
        });
        std::filesystem::remove(marker);
    }
    static void TearDownTestSuite()
    {
        if (s_wm > 0) {
            kill(s_wm, SIGTERM);
            waitpid(s_wm, nullptr, 0);
        }
        s_wm = 0;
        if (s_lock >= 0)
            ::close(s_lock); // releases the turn
        s_lock = -1;
    }
    void SetUp() override
    {
        if (!haveDisplay())
            GTEST_SKIP() << "no DISPLAY";
        // Without a window manager nobody makes the window cover the screen.
        if (s_wm < 0)
            GTEST_SKIP() << "openbox could not be started";
    }
    static pid_t s_wm; // the manager started here, 0 when another one runs, -1 when none could start
    static int s_lock;
};

pid_t Fullscreen::s_wm = 0;
int Fullscreen::s_lock = -1;

} // namespace

TEST_F(Fullscreen, FitScaleFillsTheScreenKeepingTheAspectAndHidesTheCursor)
{
    FullscreenDisplay d(640, 480, 32);
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(32, d.depth());
    EXPECT_EQ(0, SDL_ShowCursor(SDL_QUERY));
    fillBlocks(d.backBuffer());
    EXPECT_EQ(1, d.releaseBackBuffer());
    EXPECT_EQ(1, d.present());
    const Screen s = read(d);
    ASSERT_GE(s.width, 640);
    ASSERT_GE(s.height, 480);
    const double scale = std::min(s.width / 640.0, s.height / 480.0);
    const int32_t vw = int32_t(640 * scale), vh = int32_t(480 * scale);
    const int32_t ox = (s.width - vw) / 2, oy = (s.height - vh) / 2;
    EXPECT_TRUE(ox == 0 || oy == 0) << "the frame touches two opposite edges";
    // The centre of every block lands inside that block's scaled square.
    int32_t wrong = 0;
    for (int32_t by = 0; by < 30; ++by)
        for (int32_t bx = 0; bx < 40; ++bx) {
            const int32_t x = ox + int32_t((bx * 16 + 8) * scale), y = oy + int32_t((by * 16 + 8) * scale);
            wrong += s.at(x, y) != (blockColour(bx * 16, by * 16) & 0xFFFFFF);
        }
    EXPECT_EQ(0, wrong);
    if (ox > 2) {
        EXPECT_EQ(0u, s.at(ox / 2, s.height / 2));
    }
    if (oy > 2) {
        EXPECT_EQ(0u, s.at(s.width / 2, oy / 2));
    }
}

TEST_F(Fullscreen, IntegerScaleShowsWholeMultiplesCentredWithBlackBars)
{
    FullscreenDisplay d(640, 480, 32, nullptr, FullscreenScale::Integer);
    ASSERT_TRUE(d.ok());
    ASSERT_EQ(32, d.depth());
    fillPattern(d.backBuffer(), 41);
    d.present();
    d.backBuffer().fill(0, 0, 255); // the next frame's drawing does not reach the screen
    const Screen s = read(d);
    ASSERT_GE(s.width, 640);
    Bitmap expected(640, 480, Bitmap::FormatXrgb32);
    fillPattern(expected, 41);
    EXPECT_EQ(0, integerScaleMismatches(s, expected, wholeScale(s)));
}

TEST_F(Fullscreen, Depth24And16AttemptsShowTheirConversionsAndCanFollowEachOther)
{
    Bitmap frame(640, 480, Bitmap::FormatXrgb32);
    fillBlocks(frame);
    frame.row32(0)[0] = 0x00070707u; // below the 16-bit copy's resolution
    frame.row32(0)[1] = 0x00F8F8F8u;
    for (int32_t first : {24, 16}) {
        FullscreenDisplay d(640, 480, 32, nullptr, FullscreenScale::Integer, first);
        ASSERT_TRUE(d.ok());
        ASSERT_EQ(first, d.depth());
        for (int32_t y = 0; y < 480; ++y)
            std::copy(frame.row32(y), frame.row32(y) + 640, d.backBuffer().row32(y));
        EXPECT_EQ(1, d.present());
        const Screen s = read(d);
        ASSERT_GE(s.width, 640);
        const int32_t scale = wholeScale(s);
        const int32_t ox = (s.width - 640 * scale) / 2, oy = (s.height - 480 * scale) / 2;
        if (first == 24) {
            EXPECT_EQ(0, integerScaleMismatches(s, frame, scale));
        } else {
            EXPECT_EQ(0u, s.at(ox, oy));                // 0x07 keeps no bit in five
            EXPECT_EQ(0xFFFFFFu, s.at(ox + scale, oy)); // 0xF8 is the top five-bit level
            EXPECT_EQ(0, integerScaleMismatches(s, frame, scale, 5));
        }
    }
}

TEST_F(Fullscreen, NoWorkingDepthShowsNothingButKeepsAValidBackBuffer)
{
    FullscreenDisplay d(640, 480, 32, nullptr, FullscreenScale::Fit, 0);
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(0, d.depth());
    Bitmap& back = d.backBuffer();
    ASSERT_EQ(640, back.width());
    ASSERT_EQ(480, back.height());
    back.fill(255, 255, 255);
    EXPECT_EQ(1, d.releaseBackBuffer());
    EXPECT_EQ(0, d.present());
    d.destroy();
    EXPECT_EQ(0, d.present());
}

TEST_F(Fullscreen, RefusedDepthsShowTheirMessageInTurnAndTheNextDepthStillShows)
{
    OfflinePlatform messages;
    messages.setQuiet(true);
    setPlatform(&messages);
    SdlOutputConfig config;
    config.title = "fafa";
    config.fullscreen = true;
    config.scale = FullscreenScale::Integer;
    config.refusedDepths = 4 | 2; // 32 and 24
    {
        SdlOutputWindow window(config, nullptr);
        ASSERT_TRUE(window.ok());
        EXPECT_EQ(16, window.depth());
        Bitmap frame(640, 480, Bitmap::FormatXrgb32);
        fillBlocks(frame);
        window.submit(frame);
        Screen s;
        ASSERT_TRUE(window.readBack(s.pixels, s.width, s.height));
        ASSERT_GE(s.width, 640);
        EXPECT_EQ(0, integerScaleMismatches(s, frame, wholeScale(s), 5));
    }
    config.refusedDepths = 4 | 2 | 1;
    {
        SdlOutputWindow window(config, nullptr);
        ASSERT_TRUE(window.ok());
        EXPECT_EQ(0, window.depth());
    }
    setPlatform(nullptr);
    const std::string outOfMemory = "Could not shit!: Nu har ditt graffikkort g\xC3\xA5tt s\xC3\xB6nder";
    const std::vector<std::string> expected(5, outOfMemory);
    EXPECT_EQ(expected, messages.messages());
}
