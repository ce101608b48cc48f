#pragma once
// The closing picture: it comes up out of white and goes to black on sync 255.

#include "data/Bitmap.h"
#include "runner/Effect.h"
#include "runner/Ramp.h"

class Console;

class EndPictureEffect final : public Effect {
public:
    explicit EndPictureEffect(Console& console);
    int render(RenderContext& context, Bitmap& view, TriggerSource& player, double elapsed) override;

private:
    Bitmap m_picture;
    Fade m_fade{Ramp(100, 255, 0, 1.4), Ramp(100, 0, 255, 0.9)};
};
