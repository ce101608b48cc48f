// kalvora-datakit OUTDIR [--assets DIR] [--preview DIR]: makes kv-lorn.xm and glimmerok.dat for the
// default show; --preview also writes every picture as a PNG.

#include "DataKit.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    std::string out;
    std::string assets = KALVORA_ASSETS_DIR;
    std::string preview;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--assets") == 0 && i + 1 < argc) {
            assets = argv[++i];
        } else if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc) {
            preview = argv[++i];
        } else if (out.empty() && argv[i][0] != '-') {
            out = argv[i];
        } else {
            out.clear();
            break;
        }
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: kalvora-datakit OUTDIR [--assets DIR] [--preview DIR]\n");
        return 2;
    }
    DataKit kit(assets);
    if (!kit.writeAll(out) || (!preview.empty() && !kit.writePreviews(preview))) {
        std::fprintf(stderr, "kalvora-datakit: %s\n", kit.error().c_str());
        return 1;
    }
    return 0;
}
