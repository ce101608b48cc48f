// AVX2 versions of the widest pixel kernels: eight pixels a step, texels fetched by one gather. Each gives
// exactly the scalar reference's pixels.
#include "render/PixelKernels.h"

#include "render/PixelCells.h"
#include "render/SimdTarget.h"

#if KALVORA_HAS_AVX2
#include <immintrin.h>

namespace {

const PixelKernels* g_sse2 = nullptr; // the set this one falls back to for unusual block shapes

KALVORA_AVX2 inline void store256(void* p, __m256i v)
{
    _mm256_storeu_si256(static_cast<__m256i*>(p), v);
}

// [0, s, 2s, .., 7s] in 32-bit lanes (wrapping).
KALVORA_AVX2 inline __m256i ramp8(uint32_t s)
{
    return _mm256_mullo_epi32(_mm256_set1_epi32(int32_t(s)), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

// Texel index ((v >> 8) & 0xff00) | ((u >> 16) & 0xff) of a 256 x 256 texture, per lane.
KALVORA_AVX2 inline __m256i texelIndex(__m256i u, __m256i v)
{
    return _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(v, 8), _mm256_set1_epi32(0xff00)),
                           _mm256_and_si256(_mm256_srli_epi32(u, 16), _mm256_set1_epi32(0xff)));
}

KALVORA_AVX2 inline __m256i gather(const uint32_t* base, __m256i index)
{
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), index, 4);
}

// Lights the 16-bit lanes of texel bytes: ((t x c) >> 8) + a; t x c fits 16 bits unsigned.
KALVORA_AVX2 inline __m256i litLanes(__m256i t16, __m256i c16, __m256i a16)
{
    return _mm256_add_epi16(_mm256_srli_epi16(_mm256_mullo_epi16(t16, c16), 8), a16);
}

KALVORA_AVX2 void litSpanAvx2(uint32_t* dst, const uint32_t* texture, int32_t count, uint32_t u, uint32_t du,
                              uint32_t v, uint32_t dv, uint32_t colour, uint32_t ambient)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i c16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(int32_t(colour)), zero);
    const __m256i a16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(int32_t(ambient)), zero);
    __m256i uu = _mm256_add_epi32(_mm256_set1_epi32(int32_t(u)), ramp8(du));
    __m256i vv = _mm256_add_epi32(_mm256_set1_epi32(int32_t(v)), ramp8(dv));
    const __m256i stepU = _mm256_set1_epi32(int32_t(8 * du)), stepV = _mm256_set1_epi32(int32_t(8 * dv));
    // Whole groups of eight, then the rest as one group stored in part (the texel indices always lie
    // within the texture, so the extra lanes read harmlessly).
    for (int32_t k = 0; k < count; k += 8) {
        const __m256i texels = gather(texture, texelIndex(uu, vv));
        // Unpacking and packing both work within 128-bit halves, so the pixel order survives.
        const __m256i lo = litLanes(_mm256_unpacklo_epi8(texels, zero), c16, a16);
        const __m256i hi = litLanes(_mm256_unpackhi_epi8(texels, zero), c16, a16);
        const __m256i lit = _mm256_packus_epi16(lo, hi); // at most 509: the pack clamps to 255
        if (k + 8 <= count)
            store256(dst + k, lit);
        else
            storeFirst(dst + k, lit, count - k);
        uu = _mm256_add_epi32(uu, stepU);
        vv = _mm256_add_epi32(vv, stepV);
    }
}

// Eight brightness values (16 bits, one per pixel) spread over the four byte lanes of their pixels, in the
// order the texel unpacking gives: pixels 0, 1 | 4, 5 in `lo`, 2, 3 | 6, 7 in `hi`.
KALVORA_AVX2 inline void spreadBrightness(__m256i bright32, __m256i& lo, __m256i& hi)
{
    const __m256i b16 = _mm256_packs_epi32(bright32, bright32); // clamped to 16 bits
    const __m256i pairs = _mm256_unpacklo_epi16(b16, b16);
    lo = _mm256_unpacklo_epi32(pairs, pairs);
    hi = _mm256_unpackhi_epi32(pairs, pairs);
}

// Lights eight texels: each byte t becomes clamp((2t x b) >> 16, 0, 255).
KALVORA_AVX2 inline __m256i light8(__m256i texels, __m256i bright32)
{
    const __m256i zero = _mm256_setzero_si256();
    __m256i blo, bhi;
    spreadBrightness(bright32, blo, bhi);
    const __m256i lo = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_unpacklo_epi8(texels, zero), 1), blo);
    const __m256i hi = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_unpackhi_epi8(texels, zero), 1), bhi);
    return _mm256_packus_epi16(lo, hi);
}

KALVORA_AVX2 void gridBlockAvx2(uint32_t* dst, ptrdiff_t pitch, const uint32_t* texture, ptrdiff_t texturePitch,
                                int32_t columns, int32_t rows, GridEdges e)
{
    if (columns != 16 || texturePitch != 256) {
        g_sse2->gridBlock(dst, pitch, texture, texturePitch, columns, rows, e);
        return;
    }
    // A block row is two groups of eight; the brightness is the straight line clamped to 16 bits, which
    // equals the saturating walk of a constant step.
    for (int32_t row = 0; row < rows; ++row) {
        const int32_t hu = (e.ru - e.lu) >> 4, hv = (e.rv - e.lv) >> 4, hl = (e.rl - e.ll) >> 4;
        const int32_t b = int16_t(uint16_t(uint32_t(e.ll >> 9))), db = int16_t(uint16_t(uint32_t(hl >> 9)));
        const __m256i uu = _mm256_add_epi32(_mm256_set1_epi32(e.lu), ramp8(uint32_t(hu)));
        const __m256i vv = _mm256_add_epi32(_mm256_set1_epi32(e.lv), ramp8(uint32_t(hv)));
        const __m256i bright = _mm256_add_epi32(_mm256_set1_epi32(b), ramp8(uint32_t(db)));
        uint32_t* out = dst + row * pitch;
        store256(out, light8(gather(texture, texelIndex(uu, vv)), bright));
        const __m256i uu8 = _mm256_add_epi32(uu, _mm256_set1_epi32(int32_t(uint32_t(hu) * 8u)));
        const __m256i vv8 = _mm256_add_epi32(vv, _mm256_set1_epi32(int32_t(uint32_t(hv) * 8u)));
        store256(out + 8,
                 light8(gather(texture, texelIndex(uu8, vv8)), _mm256_add_epi32(bright, _mm256_set1_epi32(8 * db))));
        e.stepRow();
    }
}

KALVORA_AVX2 void waterRowAvx2(const WaterTables& tables, const uint8_t* picture, uint32_t* dstRow,
                               const int16_t* heights, int32_t width, int32_t y)
{
    const ptrdiff_t base = ptrdiff_t(y) * width;
    const int32_t count = width - 1;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lowest = _mm256_setzero_si256(), highest = _mm256_set1_epi32(4095);
    const __m256i rowBase = _mm256_set1_epi32(2048 + y);
    __m256i columnBase = _mm256_add_epi32(_mm256_set1_epi32(2048 + 1), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    int32_t k = 0;
    for (; k + 8 <= count; k += 8, columnBase = _mm256_add_epi32(columnBase, _mm256_set1_epi32(8))) {
        const ptrdiff_t i = base + k;
        const __m256i below =
            _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(heights + i + width)));
        const __m256i above =
            _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(heights + i - width)));
        const __m256i d = _mm256_sub_epi32(below, above);
        const __m256i shift = _mm256_srai_epi32(d, 5);
        const __m256i rowIndex = _mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(rowBase, shift), lowest), highest);
        const __m256i columnIndex =
            _mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(columnBase, shift), lowest), highest);
        const __m256i offset = _mm256_add_epi32(_mm256_i32gather_epi32(tables.rows, rowIndex, 4),
                                                _mm256_i32gather_epi32(tables.columns, columnIndex, 4));
        const __m256i source = _mm256_i32gather_epi32(reinterpret_cast<const int*>(picture), offset, 1);
        // h = clamp(d >> 2, 0, 255) as one byte per pixel, then spread over the pixel's four bytes (all
        // within 128-bit halves, so the pixel order survives).
        __m256i h = _mm256_packus_epi16(_mm256_packs_epi32(_mm256_srai_epi32(d, 2), zero), zero);
        h = _mm256_unpacklo_epi8(h, h);
        h = _mm256_unpacklo_epi16(h, h);
        store256(dstRow + k + 1, _mm256_adds_epu8(source, h));
    }
    for (; k < count; ++k)
        dstRow[k + 1] = waterCell(tables, picture, heights, base + k, width, k + 1, y);
}

KALVORA_AVX2 inline __m256i load256(const int16_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Sixteen cells of stepRow: neighbours interleaved in pairs, each pair summed into 32 bits by one
// multiply-add; all shuffles stay within 128-bit halves, so the final pack restores the cell order.
KALVORA_AVX2 inline __m256i stepSixteen(const int16_t* current, const int16_t* previous, ptrdiff_t i, int32_t width,
                                        __m128i count)
{
    const __m256i ones = _mm256_set1_epi16(1);
    const __m256i a = load256(current + i - width - 1), b = load256(current + i - width);
    const __m256i c = load256(current + i - width + 1), d = load256(current + i - 1);
    const __m256i e = load256(current + i + 1), f = load256(current + i + width - 1);
    const __m256i g = load256(current + i + width), h = load256(current + i + width + 1);
    __m256i lo = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), ones),
                                  _mm256_madd_epi16(_mm256_unpacklo_epi16(c, d), ones));
    lo = _mm256_add_epi32(lo, _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(e, f), ones),
                                               _mm256_madd_epi16(_mm256_unpacklo_epi16(g, h), ones)));
    __m256i hi = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), ones),
                                  _mm256_madd_epi16(_mm256_unpackhi_epi16(c, d), ones));
    hi = _mm256_add_epi32(hi, _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(e, f), ones),
                                               _mm256_madd_epi16(_mm256_unpackhi_epi16(g, h), ones)));
    const __m256i p = load256(previous + i);
    __m256i nlo = _mm256_sub_epi32(_mm256_srai_epi32(lo, 2), _mm256_srai_epi32(_mm256_unpacklo_epi16(p, p), 16));
    __m256i nhi = _mm256_sub_epi32(_mm256_srai_epi32(hi, 2), _mm256_srai_epi32(_mm256_unpackhi_epi16(p, p), 16));
    nlo = _mm256_sub_epi32(nlo, _mm256_sra_epi32(nlo, count));
    nhi = _mm256_sub_epi32(nhi, _mm256_sra_epi32(nhi, count));
    // Keep the low 16 bits: sign-extend them, so the saturating pack changes nothing.
    nlo = _mm256_srai_epi32(_mm256_slli_epi32(nlo, 16), 16);
    nhi = _mm256_srai_epi32(_mm256_slli_epi32(nhi, 16), 16);
    return _mm256_packs_epi32(nlo, nhi);
}

KALVORA_AVX2 void stepRowAvx2(const int16_t* current, int16_t* previous, ptrdiff_t rowStart, int32_t width,
                              int32_t shift)
{
    const __m128i count = _mm_cvtsi32_si128(shift);
    int32_t x = 1;
    for (; x + 16 <= width - 1; x += 16)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(previous + rowStart + x),
                            stepSixteen(current, previous, rowStart + x, width, count));
    for (; x < width - 1; ++x)
        previous[rowStart + x] = stepCell(current, previous, rowStart + x, width, shift);
}

PixelKernels makeAvx2()
{
    PixelKernels k = *g_sse2;
    k.name = "avx2";
    k.gridBlock = gridBlockAvx2;
    k.litSpan = litSpanAvx2;
    k.waterRow = waterRowAvx2;
    k.stepRow = stepRowAvx2;
    return k;
}

} // namespace

const PixelKernels* avx2PixelKernels()
{
    g_sse2 = sse2PixelKernels();
    if (!g_sse2 || !processorHasAvx2())
        return nullptr;
    static const PixelKernels kAvx2 = makeAvx2();
    return &kAvx2;
}

#else

const PixelKernels* avx2PixelKernels()
{
    return nullptr;
}

#endif
