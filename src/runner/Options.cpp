#include "runner/Options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {
bool parseInt(const char* text, long long low, long long high, long long& out)
{
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (errno || end == text || *end || v < low || v > high)
        return false;
    out = v;
    return true;
}
} // namespace

const char* optionsHelp()
{
    return "Usage: kalvora [options]\n"
           "  --windowed           skip the start dialog, show the 640 x 480 window\n"
           "  --fullscreen         skip the start dialog, show full screen\n"
           "  --scale fit|integer  full screen: scale to fit (default) or by whole multiples\n"
           "  --depth 32|24|16     full screen: the first colour depth to try (default 32)\n"
           "  --zoom N             window: show the frame at N x its size (default 1)\n"
           "  --no-vsync           draw frames as fast as possible instead of one per display refresh\n"
           "  --silent             no sound card: a virtual one paced by the real clock\n"
           "  --capture PATH       render offline: PNG frames and audio.wav into the folder PATH,\n"
           "                       or a video when PATH ends in .mp4 or .mkv (needs ffmpeg)\n"
           "  --fps N              offline frame rate (default 60)\n"
           "  --frames N           stop after N frames\n"
           "  --data DIR           change to DIR before opening the data files\n"
           "  --verbose            start-up steps and effect switches on stderr\n"
           "  --bench              time every effect on the offline platform and print a table\n"
           "  --bench-frames N     frames per run (default 200)\n"
           "  --bench-runs N       runs per effect, the median is shown (default 5)\n"
           "  --bench-effect NAME  time only the effect of that class name (for profiling)\n"
           "  --help               this text\n"
           "  --version            the program's version\n"
           "F12 writes a PNG of the current frame into the current directory. Escape ends the show.\n";
}

namespace {
// Options that mean nothing in the chosen mode are refused rather than ignored.
bool checkCombinations(const Options& o, bool zoomGiven, bool fpsGiven, std::string& error)
{
    if (zoomGiven && o.mode == Options::Mode::Fullscreen) {
        error = "--zoom applies to the window only, not to --fullscreen";
        return false;
    }
    if (fpsGiven && o.capture.empty()) {
        error = "--fps applies to --capture only (the window and full screen follow the display)";
        return false;
    }
    return true;
}
} // namespace

bool parseOptions(int argc, char** argv, Options& o, std::string& error)
{
    bool zoomGiven = false, fpsGiven = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        auto value = [&](const char*& v) {
            if (i + 1 >= argc) {
                error = std::string("option ") + a + " needs a value";
                return false;
            }
            v = argv[++i];
            return true;
        };
        const char* v = nullptr;
        long long n = 0;
        if (!std::strcmp(a, "--windowed")) {
            o.mode = Options::Mode::Windowed;
        } else if (!std::strcmp(a, "--fullscreen")) {
            o.mode = Options::Mode::Fullscreen;
        } else if (!std::strcmp(a, "--no-vsync")) {
            o.vsync = false;
        } else if (!std::strcmp(a, "--silent")) {
            o.silent = true;
        } else if (!std::strcmp(a, "--verbose")) {
            o.verbose = true;
        } else if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            o.help = true;
        } else if (!std::strcmp(a, "--version")) {
            o.version = true;
        } else if (!std::strcmp(a, "--bench")) {
            o.bench = true;
        } else if (!std::strcmp(a, "--bench-frames") || !std::strcmp(a, "--bench-runs")) {
            if (!value(v))
                return false;
            if (!parseInt(v, 1, 100000, n)) {
                error = std::string(a) + " takes a whole number of at least 1";
                return false;
            }
        } else if (!std::strcmp(a, "--bench-effect")) {
            if (!value(v))
                return false;
        } else if (!std::strcmp(a, "--scale")) {
            if (!value(v))
                return false;
            if (!std::strcmp(v, "fit") || !std::strcmp(v, "integer")) {
                o.fitScale = !std::strcmp(v, "fit");
            } else {
                error = "--scale takes fit or integer";
                return false;
            }
        } else if (!std::strcmp(a, "--depth")) {
            if (!value(v))
                return false;
            if (!parseInt(v, 16, 32, n) || (n != 16 && n != 24 && n != 32)) {
                error = "--depth takes 32, 24 or 16";
                return false;
            }
            o.firstDepth = int(n);
        } else if (!std::strcmp(a, "--zoom")) {
            if (!value(v))
                return false;
            if (!parseInt(v, 1, 8, n)) {
                error = "--zoom takes a whole number from 1 to 8";
                return false;
            }
            o.zoom = int(n);
            zoomGiven = true;
        } else if (!std::strcmp(a, "--capture")) {
            if (!value(v))
                return false;
            o.capture = v;
            if (o.capture.empty()) {
                error = "--capture needs a path";
                return false;
            }
        } else if (!std::strcmp(a, "--fps")) {
            if (!value(v))
                return false;
            if (!parseInt(v, 1, 1000, n)) {
                error = "--fps takes a whole number from 1 to 1000";
                return false;
            }
            o.fps = int(n);
            fpsGiven = true;
        } else if (!std::strcmp(a, "--frames")) {
            if (!value(v))
                return false;
            if (!parseInt(v, 0, 1LL << 40, n)) {
                error = "--frames takes a whole number of at least 0";
                return false;
            }
            o.frames = n;
        } else if (!std::strcmp(a, "--data")) {
            if (!value(v))
                return false;
            o.dataDir = v;
        } else {
            error = std::string("unknown option ") + a + " (try --help)";
            return false;
        }
    }
    return checkCombinations(o, zoomGiven, fpsGiven, error);
}
