#include "render/PixelKernels.h"

#include "render/KernelChoice.h"
#include "render/PixelCells.h"
#include "render/PixelOps.h"

#include <algorithm>

namespace {

// (byte x colour byte) >> 8 for each of the four bytes.
uint32_t modulate(uint32_t s, uint32_t colour)
{
    uint32_t out = 0;
    for (int i = 0; i < 32; i += 8)
        out |= ((((s >> i) & 255) * ((colour >> i) & 255)) >> 8) << i;
    return out;
}

void addColorScalar(uint8_t* pixels, int32_t groups, int32_t rows, ptrdiff_t pitch, uint32_t colour)
{
    for (int32_t y = 0; y < rows; ++y) {
        auto* p = reinterpret_cast<uint32_t*>(pixels + y * pitch);
        for (int32_t i = 0; i < groups * 4; ++i)
            p[i] = addBytes(p[i], colour);
    }
}

void subtractColorScalar(uint8_t* pixels, int32_t groups, int32_t rows, ptrdiff_t pitch, uint32_t colour)
{
    for (int32_t y = 0; y < rows; ++y) {
        auto* p = reinterpret_cast<uint32_t*>(pixels + y * pitch);
        for (int32_t i = 0; i < groups * 4; ++i)
            p[i] = subtractBytes(p[i], colour);
    }
}

void blitRowScalar(uint32_t* dst, const uint32_t* src, int32_t count, uint32_t colour)
{
    for (int32_t k = 0; k < count; ++k)
        dst[k] = addBytes(dst[k], modulate(src[k], colour));
}

void blitScaledRowScalar(uint32_t* dst, const uint32_t* src, int32_t count, uint32_t step, uint32_t colour)
{
    for (int32_t k = 0; k < count; ++k)
        dst[k] = addBytes(dst[k], modulate(src[(uint64_t(k) * step) >> 16], colour));
}

// One byte of a lit texel: min(255, ((texel byte x colour byte) >> 8) + ambient byte), at bit `shift`.
template<int shift>
inline uint32_t litByte(uint32_t t, uint32_t colour, uint32_t ambient)
{
    const uint32_t m = ((((t >> shift) & 255) * ((colour >> shift) & 255)) >> 8) + ((ambient >> shift) & 255);
    return std::min(m, 255u) << shift;
}

void litSpanScalar(uint32_t* dst, const uint32_t* texture, int32_t count, uint32_t u, uint32_t du, uint32_t v,
                   uint32_t dv, uint32_t colour, uint32_t ambient)
{
    for (int32_t k = 0; k < count; ++k, u += du, v += dv) {
        const uint32_t t = texture[((v >> 8) & 0xff00) | ((u >> 16) & 255)];
        dst[k] = litByte<0>(t, colour, ambient) | litByte<8>(t, colour, ambient) | litByte<16>(t, colour, ambient) |
                 litByte<24>(t, colour, ambient);
    }
}

int16_t saturate16(int32_t v)
{
    return int16_t(std::clamp(v, -32768, 32767));
}

void gridSpanScalar(uint32_t* dst, const uint32_t* texture, ptrdiff_t texturePitch, int32_t count, uint32_t u,
                    uint32_t du, uint32_t v, uint32_t dv, int16_t b, int16_t db)
{
    for (int32_t k = 0; k < count; ++k) {
        const uint32_t t = texture[ptrdiff_t((v >> 16) & 255) * texturePitch + ((u >> 16) & 255)];
        uint32_t out = 0;
        for (int i = 0; i < 32; i += 8) {
            const int32_t product = int32_t(((t >> i) & 255) * 2) * b; // signed 16 x 16, high half kept
            out |= uint32_t(std::clamp(product >> 16, 0, 255)) << i;
        }
        dst[k] = out;
        u += du;
        v += dv;
        b = saturate16(int32_t(b) + db);
    }
}

void gridBlockScalar(uint32_t* dst, ptrdiff_t pitch, const uint32_t* texture, ptrdiff_t texturePitch, int32_t columns,
                     int32_t rows, GridEdges e)
{
    for (int32_t row = 0; row < rows; ++row) {
        const int32_t hu = (e.ru - e.lu) >> 4, hv = (e.rv - e.lv) >> 4, hl = (e.rl - e.ll) >> 4;
        gridSpanScalar(dst + row * pitch, texture, texturePitch, columns, uint32_t(e.lu), uint32_t(hu), uint32_t(e.lv),
                       uint32_t(hv), int16_t(uint16_t(uint32_t(e.ll >> 9))), int16_t(uint16_t(uint32_t(hl >> 9))));
        e.stepRow();
    }
}

void waterRowScalar(const WaterTables& tables, const uint8_t* picture, uint32_t* dstRow, const int16_t* heights,
                    int32_t width, int32_t y)
{
    const ptrdiff_t base = ptrdiff_t(y) * width;
    for (int32_t k = 0; k < width - 1; ++k)
        dstRow[k + 1] = waterCell(tables, picture, heights, base + k, width, k + 1, y);
}

void stepRowScalar(const int16_t* current, int16_t* previous, ptrdiff_t rowStart, int32_t width, int32_t shift)
{
    for (int32_t x = 1; x < width - 1; ++x)
        previous[rowStart + x] = stepCell(current, previous, rowStart + x, width, shift);
}

const PixelKernels kScalar = {
    "scalar",       addColorScalar,  subtractColorScalar, blitRowScalar,  blitScaledRowScalar,
    gridSpanScalar, gridBlockScalar, litSpanScalar,       waterRowScalar, stepRowScalar,
};

KernelChoice<PixelKernels>& choice()
{
    static KernelChoice<PixelKernels> c(kScalar, avx2PixelKernels(), sse2PixelKernels());
    return c;
}

} // namespace

const PixelKernels& scalarPixelKernels()
{
    return kScalar;
}

const PixelKernels& pixelKernels()
{
    return choice().get();
}

void usePixelKernels(const PixelKernels* set)
{
    choice().use(set);
}
