#include "effects/EndPictureEffect.h"

#include "effects/ViewFade.h"

#include <algorithm>
#include <cstring>

EndPictureEffect::EndPictureEffect(Console&) : m_picture("data\\endpic.jpg")
{}

int EndPictureEffect::render(RenderContext&, Bitmap& view, TriggerSource& player, double elapsed)
{
    // One block copy of the picture (both have the frame's pitch), never more than the view holds. Without
    // a picture the view keeps the previous frame and the fades work on that.
    if (m_picture.pixels() && view.pixels() && view.height() > 0) {
        const size_t pictureBytes = size_t(m_picture.height()) * size_t(m_picture.pitch());
        const size_t viewBytes = size_t(view.height() - 1) * size_t(view.pitch()) + size_t(view.width()) * 4;
        std::memcpy(view.pixels(), m_picture.pixels(), std::min(pictureBytes, viewBytes));
    }
    applyFade(view, m_fade.levels(elapsed, player), FadeInFrom::White);
    return 1;
}
