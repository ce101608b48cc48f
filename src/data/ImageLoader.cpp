#include "data/Bitmap.h"

// Picture decoding arrives with the archive; until then every load fails cleanly.
int Bitmap::load(const char*)
{
    destroy();
    return 0;
}
