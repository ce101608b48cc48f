// SSE2 versions of the pixel kernels; each gives exactly the scalar reference's pixels.
#include "render/PixelKernels.h"

#include "render/PixelCells.h"
#include "render/PixelOps.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

inline __m128i load128(const void* p)
{
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
inline void store128(void* p, __m128i v)
{
    _mm_storeu_si128(static_cast<__m128i*>(p), v);
}

void addColorSse2(uint8_t* pixels, int32_t groups, int32_t rows, ptrdiff_t pitch, uint32_t colour)
{
    const __m128i c = _mm_set1_epi32(int32_t(colour));
    for (int32_t y = 0; y < rows; ++y) {
        uint8_t* p = pixels + y * pitch;
        for (int32_t i = 0; i < groups; ++i, p += 16)
            store128(p, _mm_adds_epu8(load128(p), c));
    }
}

void subtractColorSse2(uint8_t* pixels, int32_t groups, int32_t rows, ptrdiff_t pitch, uint32_t colour)
{
    const __m128i c = _mm_set1_epi32(int32_t(colour));
    for (int32_t y = 0; y < rows; ++y) {
        uint8_t* p = pixels + y * pitch;
        for (int32_t i = 0; i < groups; ++i, p += 16)
            store128(p, _mm_subs_epu8(load128(p), c));
    }
}

// Colour bytes widened to 16 bits, twice: b g r x b g r x.
inline __m128i colour16(uint32_t colour)
{
    return _mm_unpacklo_epi8(_mm_set1_epi32(int32_t(colour)), _mm_setzero_si128());
}

// Four source pixels modulated by the colour: (s x c) >> 8 per byte (the product fits 16 bits unsigned).
inline __m128i modulate4(__m128i s, __m128i c16)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), c16), 8);
    const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), c16), 8);
    return _mm_packus_epi16(lo, hi);
}

inline uint32_t modulateAdd1(uint32_t d, uint32_t s, __m128i c16)
{
    const __m128i m = modulate4(_mm_cvtsi32_si128(int32_t(s)), c16);
    return uint32_t(_mm_cvtsi128_si32(_mm_adds_epu8(_mm_cvtsi32_si128(int32_t(d)), m)));
}

void blitRowSse2(uint32_t* dst, const uint32_t* src, int32_t count, uint32_t colour)
{
    const __m128i c16 = colour16(colour);
    int32_t k = 0;
    for (; k + 4 <= count; k += 4)
        store128(dst + k, _mm_adds_epu8(load128(dst + k), modulate4(load128(src + k), c16)));
    for (; k < count; ++k)
        dst[k] = modulateAdd1(dst[k], src[k], c16);
}

void blitScaledRowSse2(uint32_t* dst, const uint32_t* src, int32_t count, uint32_t step, uint32_t colour)
{
    const __m128i c16 = colour16(colour);
    uint64_t acc = 0;
    int32_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const uint32_t s0 = src[acc >> 16];
        const uint32_t s1 = src[(acc + step) >> 16];
        const uint32_t s2 = src[(acc + 2 * uint64_t(step)) >> 16];
        const uint32_t s3 = src[(acc + 3 * uint64_t(step)) >> 16];
        acc += 4 * uint64_t(step);
        const __m128i s = _mm_set_epi32(int32_t(s3), int32_t(s2), int32_t(s1), int32_t(s0));
        store128(dst + k, _mm_adds_epu8(load128(dst + k), modulate4(s, c16)));
    }
    for (; k < count; ++k, acc += step)
        dst[k] = modulateAdd1(dst[k], src[acc >> 16], c16);
}

// Lights the 16-bit lanes of texel bytes: min(255, ((t x c) >> 8) + a); t x c fits 16 bits unsigned.
inline __m128i litLanes(__m128i t16, __m128i c16, __m128i a16)
{
    return _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(t16, c16), 8), a16);
}

void litSpanSse2(uint32_t* dst, const uint32_t* texture, int32_t count, uint32_t u, uint32_t du, uint32_t v,
                 uint32_t dv, uint32_t colour, uint32_t ambient)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i c16 = _mm_unpacklo_epi8(_mm_set1_epi32(int32_t(colour)), zero);
    const __m128i a16 = _mm_unpacklo_epi8(_mm_set1_epi32(int32_t(ambient)), zero);
    int32_t k = 0;
    for (; k + 4 <= count; k += 4) {
        uint32_t t[4];
        for (uint32_t& texel : t) {
            texel = texture[((v >> 8) & 0xff00) | ((u >> 16) & 255)];
            u += du;
            v += dv;
        }
        const __m128i texels = _mm_set_epi32(int32_t(t[3]), int32_t(t[2]), int32_t(t[1]), int32_t(t[0]));
        const __m128i lo = litLanes(_mm_unpacklo_epi8(texels, zero), c16, a16);
        const __m128i hi = litLanes(_mm_unpackhi_epi8(texels, zero), c16, a16);
        store128(dst + k, _mm_packus_epi16(lo, hi)); // at most 509: the pack clamps to 255
    }
    for (; k < count; ++k, u += du, v += dv) {
        const __m128i t16 =
            _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(texture[((v >> 8) & 0xff00) | ((u >> 16) & 255)])), zero);
        const __m128i lit = litLanes(t16, c16, a16);
        dst[k] = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(lit, lit)));
    }
}

// Lights four texels with four brightness values (one per pixel, in 16-bit lanes 0..3).
inline __m128i light4(__m128i texels, __m128i b4)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i b01 = _mm_unpacklo_epi32(_mm_unpacklo_epi16(b4, b4), _mm_unpacklo_epi16(b4, b4));
    const __m128i b23 = _mm_unpackhi_epi32(_mm_unpacklo_epi16(b4, b4), _mm_unpacklo_epi16(b4, b4));
    const __m128i lo = _mm_mulhi_epi16(_mm_slli_epi16(_mm_unpacklo_epi8(texels, zero), 1), b01);
    const __m128i hi = _mm_mulhi_epi16(_mm_slli_epi16(_mm_unpackhi_epi8(texels, zero), 1), b23);
    return _mm_packus_epi16(lo, hi); // clamps to 0..255
}

void gridSpanSse2(uint32_t* dst, const uint32_t* texture, ptrdiff_t texturePitch, int32_t count, uint32_t u,
                  uint32_t du, uint32_t v, uint32_t dv, int16_t b, int16_t db)
{
    // Brightness: the saturating steps all go one way, so the sequence equals the straight line
    // b + k x db clamped to 16 bits; it is kept in 32-bit lanes and packed with signed saturation.
    // (Exact for counts up to 65536, far beyond a block's 16.)
    const __m128i stepB = _mm_set1_epi32(4 * int32_t(db));
    alignas(16) const int32_t startB[4] = {b, b + db, b + 2 * db, b + 3 * db};
    __m128i bright = _mm_load_si128(reinterpret_cast<const __m128i*>(startB));
    int32_t k = 0;
    if (texturePitch == 256) {
        // Texel index ((v >> 8) & 0xff00) | ((u >> 16) & 0xff) for four pixels at once.
        alignas(16) uint32_t startU[4] = {u, u + du, u + 2 * du, u + 3 * du};
        alignas(16) uint32_t startV[4] = {v, v + dv, v + 2 * dv, v + 3 * dv};
        __m128i uu = _mm_load_si128(reinterpret_cast<const __m128i*>(startU));
        __m128i vv = _mm_load_si128(reinterpret_cast<const __m128i*>(startV));
        const __m128i stepU = _mm_set1_epi32(int32_t(4 * du)), stepV = _mm_set1_epi32(int32_t(4 * dv));
        const __m128i rowMask = _mm_set1_epi32(0xff00), columnMask = _mm_set1_epi32(0xff);
        for (; k + 4 <= count; k += 4) {
            const __m128i index = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(vv, 8), rowMask),
                                               _mm_and_si128(_mm_srli_epi32(uu, 16), columnMask));
            alignas(16) uint32_t at[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(at), index);
            const __m128i texels = _mm_set_epi32(int32_t(texture[at[3]]), int32_t(texture[at[2]]),
                                                 int32_t(texture[at[1]]), int32_t(texture[at[0]]));
            store128(dst + k, light4(texels, _mm_packs_epi32(bright, bright)));
            uu = _mm_add_epi32(uu, stepU);
            vv = _mm_add_epi32(vv, stepV);
            bright = _mm_add_epi32(bright, stepB);
        }
        u += uint32_t(k) * du;
        v += uint32_t(k) * dv;
    } else {
        for (; k + 4 <= count; k += 4) {
            uint32_t t[4];
            for (int j = 0; j < 4; ++j) {
                t[j] = texture[ptrdiff_t((v >> 16) & 255) * texturePitch + ((u >> 16) & 255)];
                u += du;
                v += dv;
            }
            const __m128i texels = _mm_set_epi32(int32_t(t[3]), int32_t(t[2]), int32_t(t[1]), int32_t(t[0]));
            store128(dst + k, light4(texels, _mm_packs_epi32(bright, bright)));
            bright = _mm_add_epi32(bright, stepB);
        }
    }
    int32_t line = std::clamp(int32_t(b) + k * int32_t(db), -32768, 32767);
    for (; k < count; ++k) {
        const uint32_t t = texture[ptrdiff_t((v >> 16) & 255) * texturePitch + ((u >> 16) & 255)];
        dst[k] = uint32_t(_mm_cvtsi128_si32(light4(_mm_cvtsi32_si128(int32_t(t)), _mm_set1_epi16(int16_t(line)))));
        u += du;
        v += dv;
        line = std::clamp(line + db, -32768, 32767);
    }
}

// [0, s, 2s, 3s] in 32-bit lanes (wrapping).
inline __m128i ramp4(int32_t s)
{
    const __m128i v = _mm_set1_epi32(s);
    return _mm_add_epi32(_mm_add_epi32(_mm_slli_si128(v, 4), _mm_slli_si128(v, 8)), _mm_slli_si128(v, 12));
}

void gridBlockSse2(uint32_t* dst, ptrdiff_t pitch, const uint32_t* texture, ptrdiff_t texturePitch, int32_t columns,
                   int32_t rows, GridEdges e)
{
    if (columns != 16 || texturePitch != 256) {
        for (int32_t row = 0; row < rows; ++row) {
            const int32_t hu = (e.ru - e.lu) >> 4, hv = (e.rv - e.lv) >> 4, hl = (e.rl - e.ll) >> 4;
            gridSpanSse2(dst + row * pitch, texture, texturePitch, columns, uint32_t(e.lu), uint32_t(hu),
                         uint32_t(e.lv), uint32_t(hv), int16_t(uint16_t(uint32_t(e.ll >> 9))),
                         int16_t(uint16_t(uint32_t(hl >> 9))));
            e.stepRow();
        }
        return;
    }
    // A whole block row in registers: four groups of four pixels, brightness as the clamped straight line.
    const __m128i rowMask = _mm_set1_epi32(0xff00), columnMask = _mm_set1_epi32(0xff);
    for (int32_t row = 0; row < rows; ++row) {
        const int32_t hu = (e.ru - e.lu) >> 4, hv = (e.rv - e.lv) >> 4, hl = (e.rl - e.ll) >> 4;
        const int32_t b = int16_t(uint16_t(uint32_t(e.ll >> 9))), db = int16_t(uint16_t(uint32_t(hl >> 9)));
        __m128i uu = _mm_add_epi32(_mm_set1_epi32(e.lu), ramp4(hu));
        __m128i vv = _mm_add_epi32(_mm_set1_epi32(e.lv), ramp4(hv));
        __m128i bright = _mm_add_epi32(_mm_set1_epi32(b), ramp4(db));
        const __m128i stepU = _mm_set1_epi32(int32_t(uint32_t(hu) * 4u));
        const __m128i stepV = _mm_set1_epi32(int32_t(uint32_t(hv) * 4u));
        const __m128i stepB = _mm_set1_epi32(4 * db);
        uint32_t* out = dst + row * pitch;
        for (int32_t k = 0; k < 16; k += 4) {
            const __m128i index = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(vv, 8), rowMask),
                                               _mm_and_si128(_mm_srli_epi32(uu, 16), columnMask));
            const uint32_t i0 = uint32_t(_mm_cvtsi128_si32(index));
            const uint32_t i1 = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 0x55)));
            const uint32_t i2 = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 0xaa)));
            const uint32_t i3 = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 0xff)));
            const __m128i texels = _mm_unpacklo_epi64(
                _mm_unpacklo_epi32(_mm_cvtsi32_si128(int32_t(texture[i0])), _mm_cvtsi32_si128(int32_t(texture[i1]))),
                _mm_unpacklo_epi32(_mm_cvtsi32_si128(int32_t(texture[i2])), _mm_cvtsi32_si128(int32_t(texture[i3]))));
            store128(out + k, light4(texels, _mm_packs_epi32(bright, bright)));
            uu = _mm_add_epi32(uu, stepU);
            vv = _mm_add_epi32(vv, stepV);
            bright = _mm_add_epi32(bright, stepB);
        }
        e.stepRow();
    }
}

void waterRowSse2(const WaterTables& tables, const uint8_t* picture, uint32_t* dstRow, const int16_t* heights,
                  int32_t width, int32_t y)
{
    const ptrdiff_t base = ptrdiff_t(y) * width;
    const int32_t count = width - 1;
    const __m128i zero = _mm_setzero_si128();
    int32_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const ptrdiff_t i = base + k;
        const __m128i below = _mm_srai_epi32(
            _mm_unpacklo_epi16(zero, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(heights + i + width))), 16);
        const __m128i above = _mm_srai_epi32(
            _mm_unpacklo_epi16(zero, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(heights + i - width))), 16);
        const __m128i d = _mm_sub_epi32(below, above);
        alignas(16) int32_t shift[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(shift), _mm_srai_epi32(d, 5));
        // h = clamp(d >> 2, 0, 255) as one byte per pixel, then spread over the pixel's four bytes.
        __m128i h = _mm_packs_epi32(_mm_srai_epi32(d, 2), zero);
        h = _mm_packus_epi16(h, zero);
        h = _mm_unpacklo_epi8(h, h);
        h = _mm_unpacklo_epi16(h, h);
        uint32_t s[4];
        for (int j = 0; j < 4; ++j) {
            const int32_t x = k + j + 1;
            const int32_t offset =
                tables.rows[tableIndex(2048 + shift[j] + y)] + tables.columns[tableIndex(2048 + shift[j] + x)];
            std::memcpy(&s[j], picture + offset, 4);
        }
        const __m128i src = _mm_set_epi32(int32_t(s[3]), int32_t(s[2]), int32_t(s[1]), int32_t(s[0]));
        store128(dstRow + k + 1, _mm_adds_epu8(src, h));
    }
    for (; k < count; ++k)
        dstRow[k + 1] = waterCell(tables, picture, heights, base + k, width, k + 1, y);
}

inline __m128i load4x16(const int16_t* p)
{
    return _mm_srai_epi32(_mm_unpacklo_epi16(_mm_setzero_si128(), _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))),
                          16);
}

void stepRowSse2(const int16_t* current, int16_t* previous, ptrdiff_t rowStart, int32_t width, int32_t shift)
{
    const __m128i count = _mm_cvtsi32_si128(shift);
    const __m128i ones = _mm_set1_epi16(1);
    int32_t x = 1;
    // Eight cells a step: neighbours interleaved in pairs, each pair summed into 32 bits by one multiply-add.
    for (; x + 8 <= width - 1; x += 8) {
        const ptrdiff_t i = rowStart + x;
        const __m128i a = load128(current + i - width - 1), b = load128(current + i - width);
        const __m128i c = load128(current + i - width + 1), d = load128(current + i - 1);
        const __m128i e = load128(current + i + 1), f = load128(current + i + width - 1);
        const __m128i g = load128(current + i + width), h = load128(current + i + width + 1);
        __m128i lo = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a, b), ones),
                                   _mm_madd_epi16(_mm_unpacklo_epi16(c, d), ones));
        lo = _mm_add_epi32(lo, _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(e, f), ones),
                                             _mm_madd_epi16(_mm_unpacklo_epi16(g, h), ones)));
        __m128i hi = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(a, b), ones),
                                   _mm_madd_epi16(_mm_unpackhi_epi16(c, d), ones));
        hi = _mm_add_epi32(hi, _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(e, f), ones),
                                             _mm_madd_epi16(_mm_unpackhi_epi16(g, h), ones)));
        const __m128i p = load128(previous + i);
        __m128i nlo = _mm_sub_epi32(_mm_srai_epi32(lo, 2), _mm_srai_epi32(_mm_unpacklo_epi16(p, p), 16));
        __m128i nhi = _mm_sub_epi32(_mm_srai_epi32(hi, 2), _mm_srai_epi32(_mm_unpackhi_epi16(p, p), 16));
        nlo = _mm_sub_epi32(nlo, _mm_sra_epi32(nlo, count));
        nhi = _mm_sub_epi32(nhi, _mm_sra_epi32(nhi, count));
        nlo = _mm_srai_epi32(_mm_slli_epi32(nlo, 16), 16);
        nhi = _mm_srai_epi32(_mm_slli_epi32(nhi, 16), 16);
        store128(previous + i, _mm_packs_epi32(nlo, nhi));
    }
    for (; x + 4 <= width - 1; x += 4) {
        const ptrdiff_t i = rowStart + x;
        __m128i s = _mm_add_epi32(load4x16(current + i - width - 1), load4x16(current + i - width));
        s = _mm_add_epi32(s, load4x16(current + i - width + 1));
        s = _mm_add_epi32(s, load4x16(current + i - 1));
        s = _mm_add_epi32(s, load4x16(current + i + 1));
        s = _mm_add_epi32(s, load4x16(current + i + width - 1));
        s = _mm_add_epi32(s, load4x16(current + i + width));
        s = _mm_add_epi32(s, load4x16(current + i + width + 1));
        __m128i n = _mm_sub_epi32(_mm_srai_epi32(s, 2), load4x16(previous + i));
        n = _mm_sub_epi32(n, _mm_sra_epi32(n, count));
        // Keep the low 16 bits: sign-extend them, so the saturating pack changes nothing.
        n = _mm_srai_epi32(_mm_slli_epi32(n, 16), 16);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(previous + i), _mm_packs_epi32(n, n));
    }
    for (; x < width - 1; ++x)
        previous[rowStart + x] = stepCell(current, previous, rowStart + x, width, shift);
}

const PixelKernels kSse2 = {
    "sse2",       addColorSse2,  subtractColorSse2, blitRowSse2,  blitScaledRowSse2,
    gridSpanSse2, gridBlockSse2, litSpanSse2,       waterRowSse2, stepRowSse2,
};

} // namespace

const PixelKernels* sse2PixelKernels()
{
    return &kSse2;
}

#else

const PixelKernels* sse2PixelKernels()
{
    return nullptr;
}

#endif
