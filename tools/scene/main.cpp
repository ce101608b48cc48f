// kalvora-scene: reads object and scene files as the show does, prints what they hold, renders scene frames.

#include "MazeScene.h"
#include "SceneTool.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: kalvora-scene object SOURCE NAME.lwo\n"
                         "       kalvora-scene info SOURCE NAME.lws\n"
                         "       kalvora-scene render SOURCE NAME.lws --frame F OUT.png [--size WxH]\n"
                         "       kalvora-scene maze DIR   (writes the maze test scene into DIR)\n"
                         "       (SOURCE: an archive or a folder)\n");
    return 2;
}

bool parseSize(const char* text, SceneRenderOptions& options)
{
    char* end = nullptr;
    const long w = std::strtol(text, &end, 10);
    if (!end || *end != 'x')
        return false;
    const char* rest = end + 1;
    const long h = std::strtol(rest, &end, 10);
    if (end == rest || *end)
        return false;
    options.width = int(std::max(0L, std::min(w, 100000L)));
    options.height = int(std::max(0L, std::min(h, 100000L)));
    return true;
}

int render(int argc, char** argv)
{
    SceneRenderOptions options;
    std::string outPng;
    bool haveFrame = false;
    for (int i = 4; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frame") == 0 && i + 1 < argc) {
            char* end = nullptr;
            options.frame = std::strtod(argv[++i], &end);
            haveFrame = end && *end == 0;
        } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            if (!parseSize(argv[++i], options))
                return usage();
        } else if (outPng.empty()) {
            outPng = argv[i];
        } else {
            return usage();
        }
    }
    if (!haveFrame || outPng.empty())
        return usage();
    return sceneRender(argv[2], argv[3], outPng, options, stdout, stderr);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "maze") == 0) {
        std::string reason;
        if (writeMazeScene(argv[2], reason))
            return 0;
        std::fprintf(stderr, "kalvora-scene: %s\n", reason.c_str());
        return 1;
    }
    if (argc < 4)
        return usage();
    const std::string command = argv[1];
    if (command == "object" && argc == 4)
        return sceneObject(argv[2], argv[3], stdout, stderr);
    if (command == "info" && argc == 4)
        return sceneInfo(argv[2], argv[3], stdout, stderr);
    if (command == "render")
        return render(argc, argv);
    return usage();
}
