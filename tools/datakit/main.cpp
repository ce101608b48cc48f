// kalvora-datakit OUTDIR [ASSETS]: makes kv-lorn.xm and glimmerok.dat for the default show.

#include "DataKit.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: kalvora-datakit OUTDIR [ASSETS]\n");
        return 2;
    }
    DataKit kit(argc == 3 ? argv[2] : KALVORA_ASSETS_DIR);
    if (!kit.writeAll(argv[1])) {
        std::fprintf(stderr, "kalvora-datakit: %s\n", kit.error().c_str());
        return 1;
    }
    return 0;
}
