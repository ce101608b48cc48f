#include "render/SpanKernels.h"

#include "render/KernelChoice.h"

#include <algorithm>

namespace {

// The signed 16-bit saturating walk of the three channels, one step per pixel.
struct ShadeWalk {
    int32_t value[3];
    int32_t step[3];
    explicit ShadeWalk(const ShadeLine& shade)
    {
        for (int c = 0; c < 3; ++c) {
            value[c] = std::clamp(shade.start[c], -32768, 32767);
            step[c] = shade.step[c];
        }
    }
    void advance()
    {
        for (int c = 0; c < 3; ++c)
            value[c] = std::clamp(value[c] + step[c], -32768, 32767);
    }
};

uint32_t shadeByte(int32_t value)
{
    return uint32_t(std::clamp(value >> 7, 0, 255));
}

// (2t x c) >> 16 clamped to a byte, for a byte t and a signed 16-bit c.
uint32_t modulateByte(uint32_t t, int32_t c)
{
    return uint32_t(std::clamp((int32_t(t * 2) * c) >> 16, 0, 255));
}

uint32_t texelAt(const uint32_t* texels, const TexelWalk& walk, int32_t j)
{
    const uint32_t u = walk.u + uint32_t(j) * walk.du, v = walk.v + uint32_t(j) * walk.dv;
    return texels[((v >> 16) & 255) * 256 + ((u >> 16) & 255)];
}

void fillScalar(uint32_t* dst, int32_t count, uint32_t colour)
{
    for (int32_t j = 0; j < count; ++j)
        dst[j] = colour;
}

void gouraudScalar(uint32_t* dst, int32_t count, const ShadeLine& shade)
{
    ShadeWalk walk(shade);
    for (int32_t j = 0; j < count; ++j, walk.advance())
        dst[j] = (shadeByte(walk.value[0]) << 16) | (shadeByte(walk.value[1]) << 8) | shadeByte(walk.value[2]);
}

void texturedScalar(uint32_t* dst, int32_t count, const uint32_t* texels, TexelWalk walk)
{
    for (int32_t j = 0; j < count; ++j)
        dst[j] = texelAt(texels, walk, j);
}

void texturedShadedScalar(uint32_t* dst, int32_t count, const uint32_t* texels, TexelWalk walk, const ShadeLine& shade)
{
    ShadeWalk light(shade);
    for (int32_t j = 0; j < count; ++j, light.advance()) {
        const uint32_t t = texelAt(texels, walk, j);
        dst[j] = (modulateByte((t >> 16) & 255, light.value[0]) << 16) |
                 (modulateByte((t >> 8) & 255, light.value[1]) << 8) | modulateByte(t & 255, light.value[2]);
    }
}

const SpanKernels kScalar = {"scalar",       fillScalar,           gouraudScalar,
                             texturedScalar, texturedShadedScalar, texturedShadedBySegment<texturedShadedScalar>};

KernelChoice<SpanKernels>& choice()
{
    static KernelChoice<SpanKernels> c(kScalar, avx2SpanKernels(), sse2SpanKernels());
    return c;
}

} // namespace

const SpanKernels& scalarSpanKernels()
{
    return kScalar;
}

const SpanKernels& spanKernels()
{
    return choice().get();
}

void useSpanKernels(const SpanKernels* set)
{
    choice().use(set);
}
