#pragma once
// The program's command line.

#include <string>

struct Options {
    enum class Mode { Ask, Windowed, Fullscreen };
    Mode mode = Mode::Ask;
    bool fitScale = true;  // full screen: fit (true) or whole multiples
    int firstDepth = 32;   // full screen: first depth attempt (32, 24 or 16)
    int zoom = 1;          // window: nearest-neighbour magnification
    bool vsync = true;     // one frame per display refresh; false: the unthrottled loop
    bool silent = false;   // a virtual sound card paced by the real clock
    std::string capture;   // offline output: a folder, or a .mp4/.mkv file
    int fps = 60;          // offline frame rate
    long long frames = -1; // stop after this many frames; -1 = no limit
    std::string dataDir;   // change here before opening the data files
    bool verbose = false;
    bool help = false;
    bool version = false;
    bool bench = false;
};

// Parses argv. Returns true on success; on failure `error` says why (the caller exits with 2).
bool parseOptions(int argc, char** argv, Options& options, std::string& error);
// The text of --help.
const char* optionsHelp();
