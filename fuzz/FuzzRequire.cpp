#include "FuzzTargets.h"

#include <cstdio>
#include <cstdlib>

void fuzzRequire(bool ok, const char* what)
{
    if (ok)
        return;
    std::fprintf(stderr, "contract broken: %s\n", what);
    std::abort();
}
