#pragma once
// Draws one frame of an effect's fade over its view.

#include "runner/Ramp.h"

class Bitmap;

// What the fade-in comes out of: black (its level is subtracted) or white (its level is added).
enum class FadeInFrom { Black, White };

// The fade-in level, then the fade-out level (always towards black), each truncated toward zero and applied
// to every pixel of the view as a grey, skipped when 0.
void applyFade(Bitmap& view, const FadeLevels& levels, FadeInFrom from = FadeInFrom::Black);
