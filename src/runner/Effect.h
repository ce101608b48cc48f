#pragma once
// The contract of every scene of the show.

class Bitmap;
class RenderContext;
class TriggerSource;

class Effect {
public:
    virtual ~Effect() = default;
    // Draws one frame into `view`, the 640 x 320 band of the frame. `elapsed` is the time since the
    // effect became current in hundredths of a second. The view still holds the previous frame.
    // Returns 1.
    virtual int render(RenderContext& context, Bitmap& view, TriggerSource& player, double elapsed) = 0;
    // Reads every pixel of the effect's pictures once, before the first frame. Returns 1.
    virtual int prepare() { return 1; }
};
