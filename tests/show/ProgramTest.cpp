// The program's entry: options, exit codes, and an offline capture of the default show's first frames.

#include "runner/Program.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
int run(std::vector<const char*> args)
{
    args.insert(args.begin(), "kalvora");
    return runProgram(int(args.size()), const_cast<char**>(args.data()));
}

fs::path scratch(const char* name)
{
    const fs::path p = fs::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getpid()));
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}
} // namespace

TEST(Program, HelpAndVersionExitWith0AndUnknownOptionsWith2)
{
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_EQ(run({"--no-such-option"}), 2);
    EXPECT_EQ(run({"--fps", "zero"}), 2);
}

TEST(Program, MissingModuleEndsWithExitCode1)
{
    const fs::path empty = scratch("kalvora-empty");
    const fs::path out = scratch("kalvora-out");
    const fs::path here = fs::current_path();
    EXPECT_EQ(run({"--data", empty.c_str(), "--capture", out.c_str(), "--frames", "5"}), 1);
    fs::current_path(here);
    EXPECT_FALSE(fs::exists(out / "frame-000000.png")); // no frame was shown
    EXPECT_FALSE(fs::exists(out / "audio.wav"));
    fs::remove_all(empty);
    fs::remove_all(out);
}

TEST(Program, CaptureWritesFramesAndAudioOfTheDefaultShow)
{
    const fs::path out = scratch("kalvora-capture");
    const fs::path here = fs::current_path();
    EXPECT_EQ(run({"--data", KALVORA_BINARY_DIR, "--capture", out.c_str(), "--fps", "20", "--frames", "10"}), 1);
    fs::current_path(here);
    EXPECT_TRUE(fs::exists(out / "frame-000009.png"));
    EXPECT_FALSE(fs::exists(out / "frame-000010.png"));
    EXPECT_EQ(fs::file_size(out / "audio.wav"), 44u + 10 * 2205 * 4);
    fs::remove_all(out);
}

TEST(Program, WithoutADisplayTheInteractiveShowSaysSoAndExitsWith1)
{
    std::vector<std::pair<const char*, std::string>> saved;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
        if (const char* v = std::getenv(name))
            saved.emplace_back(name, v);
        unsetenv(name);
    }
    EXPECT_EQ(run({"--windowed"}), 1);
    EXPECT_EQ(run({}), 1); // the start dialog too: it never waits for a click nobody can make
    for (const auto& [name, value] : saved)
        setenv(name, value.c_str(), 1);
}
