// Leak-checker settings for the tests that start SDL video.

#include <dlfcn.h>

#include <initializer_list>

// The message-bus library SDL connects to at start-up keeps its connection data until the process
// ends, with the blocks hanging off it.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}

namespace {

// The GL library loads the software rasterizer's driver for each window and unloads it with the
// window; blocks still pointed to from the driver's own data then look lost. Keeping the driver
// loaded keeps them reachable.
struct KeepGlDriverLoaded {
    KeepGlDriverLoaded()
    {
        for (const char* path :
             {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", "/usr/lib/aarch64-linux-gnu/dri/swrast_dri.so",
              "/usr/lib64/dri/swrast_dri.so", "/usr/lib/dri/swrast_dri.so"})
            if (dlopen(path, RTLD_LAZY))
                break;
    }
} keepGlDriverLoaded;

} // namespace
