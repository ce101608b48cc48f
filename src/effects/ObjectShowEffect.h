#pragma once
// Four objects shown one after the other, each spinning environment-mapped in front of its own background;
// sync 144 brings in the next object growing from nothing, sync 128 restarts the growth.

#include "data/Bitmap.h"
#include "effects/ShowObject.h"
#include "runner/Effect.h"
#include "runner/Ramp.h"

#include <array>
#include <memory>

class Console;
class RenderContext;

class ObjectShowEffect final : public Effect {
public:
    static constexpr int32_t kObjects = 4;

    ObjectShowEffect(Console& console, RenderContext& context);
    ObjectShowEffect(const ObjectShowEffect&) = delete;
    ObjectShowEffect& operator=(const ObjectShowEffect&) = delete;
    ~ObjectShowEffect() override;

    int render(RenderContext& context, Bitmap& view, TriggerSource& player, double elapsed) override;
    int prepare() override;

    // The object being shown, 0..3.
    int32_t current() const { return m_current; }
    // The scale the object was drawn with on the last frame.
    double lastScale() const { return m_lastScale; }
    const ShowObject& object(int32_t index) const { return *m_objects[size_t(index)]; }

private:
    std::array<Bitmap, kObjects> m_backgrounds;
    std::array<Bitmap, kObjects> m_maps;
    std::array<std::unique_ptr<ShowObject>, kObjects> m_objects;
    int32_t m_current = 0;
    double m_switchTime = 0;
    double m_lastScale = 0;
    Fade m_fade{Ramp(20, 255, 0, 1.5), Ramp(80, 0, 255, 1.0)};
};
