#include "effects/ViewFade.h"

#include "render/Fixed.h"
#include "render/PixelOps.h"

void applyFade(Bitmap& view, const FadeLevels& levels, FadeInFrom from)
{
    const int in = truncToInt32(levels.in), out = truncToInt32(levels.out);
    if (in != 0 && from == FadeInFrom::White)
        addColor(view, in, in, in);
    else if (in != 0)
        subtractColor(view, in, in, in);
    if (out != 0)
        subtractColor(view, out, out, out);
}
