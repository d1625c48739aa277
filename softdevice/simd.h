#pragma once
// The pixel pipeline's vector types: four lanes of float (F32x4) or int32 (I32x4), eight 16-bit
// lanes in the same 128 bits (I16x8), and eight float or int32 lanes as two halves (F32x8,
// I32x8). Built on SSE2, or with PLAYER_PORTABLE_SIMD on plain C++ (simd_portable.h) with the
// same results lane for lane. Functions with [[gnu::target("avx2")]] that use these get the
// AVX2 encodings of the same operations, and may use simd::avx2's 256-bit lanes; use_avx2()
// says whether the device takes them. The portable build has neither. WebAssembly builds the
// SSE2 code too (emscripten maps its intrinsics onto 128-bit WebAssembly SIMD), but not AVX2.
//
// Only the operations the pipeline needs are here; see simd_portable.h for what each does.

#include <cstdint>
#include <cstdlib>

#include "softdevice/simd_portable.h"

// PLAYER_SIMD_AVX2: the AVX2 code is built, to be chosen at run time.
#if !defined(PLAYER_PORTABLE_SIMD) && !defined(__EMSCRIPTEN__)
#define PLAYER_SIMD_AVX2 1
#endif

#ifndef PLAYER_PORTABLE_SIMD
#include <emmintrin.h>

namespace simd::sse2 {

struct F32x4 {
    __m128 v;
};
struct I32x4 {
    __m128i v;
};
struct I16x8 {
    __m128i v;
};

#define SIMD_INLINE [[gnu::always_inline]] inline

// --- floats

SIMD_INLINE F32x4 all(float x) { return {_mm_set1_ps(x)}; }
SIMD_INLINE F32x4 set(float a, float b, float c, float d) { return {_mm_setr_ps(a, b, c, d)}; }
SIMD_INLINE F32x4 load(const float* p) { return {_mm_loadu_ps(p)}; }
SIMD_INLINE void store(float* p, F32x4 a) { _mm_storeu_ps(p, a.v); }
SIMD_INLINE F32x4 operator+(F32x4 a, F32x4 b) { return {_mm_add_ps(a.v, b.v)}; }
SIMD_INLINE F32x4 operator-(F32x4 a, F32x4 b) { return {_mm_sub_ps(a.v, b.v)}; }
SIMD_INLINE F32x4 operator*(F32x4 a, F32x4 b) { return {_mm_mul_ps(a.v, b.v)}; }
SIMD_INLINE F32x4 operator/(F32x4 a, F32x4 b) { return {_mm_div_ps(a.v, b.v)}; }
SIMD_INLINE F32x4 min(F32x4 a, F32x4 b) { return {_mm_min_ps(a.v, b.v)}; }
SIMD_INLINE F32x4 max(F32x4 a, F32x4 b) { return {_mm_max_ps(a.v, b.v)}; }
SIMD_INLINE F32x4 operator&(F32x4 a, F32x4 b) { return {_mm_and_ps(a.v, b.v)}; }
SIMD_INLINE F32x4 operator|(F32x4 a, F32x4 b) { return {_mm_or_ps(a.v, b.v)}; }
SIMD_INLINE F32x4 andnot(F32x4 a, F32x4 b) { return {_mm_andnot_ps(a.v, b.v)}; }
SIMD_INLINE F32x4 operator<=(F32x4 a, F32x4 b) { return {_mm_cmple_ps(a.v, b.v)}; }
SIMD_INLINE F32x4 operator>(F32x4 a, F32x4 b) { return {_mm_cmpgt_ps(a.v, b.v)}; }
SIMD_INLINE int movemask(F32x4 a) { return _mm_movemask_ps(a.v); }
#ifdef __EMSCRIPTEN__
// emscripten emulates cvttps2dq and cvtps2dq lane by lane through the C library. WebAssembly's
// own conversion saturates instead; lanes out of range or not a number get x86's 0x80000000.
SIMD_INLINE I32x4 x86_convert(v128_t whole, __m128 a)
{
    const v128_t inRange =
        wasm_f32x4_lt(wasm_f32x4_abs(v128_t(a)), wasm_f32x4_splat(2147483648.0f));
    return {__m128i(wasm_v128_bitselect(wasm_i32x4_trunc_sat_f32x4(whole),
                                        wasm_i32x4_splat(INT32_MIN), inRange))};
}
SIMD_INLINE I32x4 truncate(F32x4 a) { return x86_convert(v128_t(a.v), a.v); }
// To nearest, ties to even, as cvtps2dq rounds.
SIMD_INLINE I32x4 round(F32x4 a) { return x86_convert(wasm_f32x4_nearest(v128_t(a.v)), a.v); }
SIMD_INLINE int32_t round(float x)
{
    return wasm_i32x4_extract_lane(v128_t(round(F32x4{_mm_set1_ps(x)}).v), 0);
}
#else
SIMD_INLINE I32x4 truncate(F32x4 a) { return {_mm_cvttps_epi32(a.v)}; }
// cvtps2dq rounds as the processor is set to, which is to nearest here: nothing changes it.
SIMD_INLINE I32x4 round(F32x4 a) { return {_mm_cvtps_epi32(a.v)}; }
SIMD_INLINE int32_t round(float x) { return _mm_cvtss_si32(_mm_set_ss(x)); }
#endif
SIMD_INLINE F32x4 to_float(I32x4 a) { return {_mm_cvtepi32_ps(a.v)}; }
SIMD_INLINE F32x4 as_float(I32x4 a) { return {_mm_castsi128_ps(a.v)}; }
SIMD_INLINE F32x4 load_pairs(const float* a, const float* b)
{
    return {_mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(a)),
                         reinterpret_cast<const __m64*>(b))};
}
SIMD_INLINE void store_pairs(float* a, float* b, F32x4 x)
{
    _mm_storeh_pi(reinterpret_cast<__m64*>(b), x.v);
    _mm_storel_pi(reinterpret_cast<__m64*>(a), x.v);
}

// --- int32

SIMD_INLINE I32x4 all(int32_t x) { return {_mm_set1_epi32(x)}; }
SIMD_INLINE I32x4 set(int32_t a, int32_t b, int32_t c, int32_t d)
{
    return {_mm_setr_epi32(a, b, c, d)};
}
SIMD_INLINE void store(int32_t* p, I32x4 a) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), a.v); }
SIMD_INLINE void store(uint32_t* p, I32x4 a) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), a.v); }
SIMD_INLINE I32x4 load_pair(const uint32_t* p)
{
    return {_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))};
}
SIMD_INLINE I32x4 load_pairs(const uint32_t* a, const uint32_t* b)
{
    return {_mm_unpacklo_epi64(load_pair(a).v, load_pair(b).v)};
}
SIMD_INLINE void store_pairs(uint32_t* a, uint32_t* b, I32x4 x)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(b), _mm_srli_si128(x.v, 8));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(a), x.v);
}
SIMD_INLINE I32x4 operator+(I32x4 a, I32x4 b) { return {_mm_add_epi32(a.v, b.v)}; }
SIMD_INLINE I32x4 operator-(I32x4 a, I32x4 b) { return {_mm_sub_epi32(a.v, b.v)}; }
SIMD_INLINE I32x4 operator&(I32x4 a, I32x4 b) { return {_mm_and_si128(a.v, b.v)}; }
SIMD_INLINE I32x4 operator|(I32x4 a, I32x4 b) { return {_mm_or_si128(a.v, b.v)}; }
SIMD_INLINE I32x4 andnot(I32x4 a, I32x4 b) { return {_mm_andnot_si128(a.v, b.v)}; }
SIMD_INLINE I32x4 operator<(I32x4 a, I32x4 b) { return {_mm_cmplt_epi32(a.v, b.v)}; }
SIMD_INLINE I32x4 operator==(I32x4 a, I32x4 b) { return {_mm_cmpeq_epi32(a.v, b.v)}; }
template <int N>
SIMD_INLINE I32x4 shift_left(I32x4 a)
{
    return {_mm_slli_epi32(a.v, N)};
}
template <int N>
SIMD_INLINE I32x4 shift_right(I32x4 a)
{
    return {_mm_srai_epi32(a.v, N)};
}
template <int N>
SIMD_INLINE I32x4 shift_right_logical(I32x4 a)
{
    return {_mm_srli_epi32(a.v, N)};
}
SIMD_INLINE int movemask(I32x4 a) { return _mm_movemask_ps(_mm_castsi128_ps(a.v)); }
template <int I>
SIMD_INLINE I32x4 broadcast_lane(I32x4 a)
{
    return {_mm_shuffle_epi32(a.v, I * 0x55)};
}

// --- 16-bit lanes

SIMD_INLINE I16x8 all16(int16_t x) { return {_mm_set1_epi16(x)}; }
SIMD_INLINE I16x8 as_i16(I32x4 a) { return {a.v}; }
SIMD_INLINE I32x4 as_i32(I16x8 a) { return {a.v}; }
SIMD_INLINE I16x8 add16(I16x8 a, I16x8 b) { return {_mm_add_epi16(a.v, b.v)}; }
SIMD_INLINE I16x8 sub16(I16x8 a, I16x8 b) { return {_mm_sub_epi16(a.v, b.v)}; }
SIMD_INLINE I16x8 mul16(I16x8 a, I16x8 b) { return {_mm_mullo_epi16(a.v, b.v)}; }
SIMD_INLINE I16x8 mul_high_unsigned16(I16x8 a, I16x8 b) { return {_mm_mulhi_epu16(a.v, b.v)}; }
SIMD_INLINE I16x8 add_saturated_unsigned16(I16x8 a, I16x8 b) { return {_mm_adds_epu16(a.v, b.v)}; }
SIMD_INLINE I16x8 min16(I16x8 a, I16x8 b) { return {_mm_min_epi16(a.v, b.v)}; }
template <int N>
SIMD_INLINE I16x8 shift_right_logical16(I16x8 a)
{
    return {_mm_srli_epi16(a.v, N)};
}
template <int N>
SIMD_INLINE I16x8 shift_right16(I16x8 a)
{
    return {_mm_srai_epi16(a.v, N)};
}
SIMD_INLINE I16x8 alpha16(I16x8 a) { return {_mm_shufflehi_epi16(_mm_shufflelo_epi16(a.v, 0xFF), 0xFF)}; }
SIMD_INLINE I32x4 multiply_add16(I16x8 a, I16x8 b) { return {_mm_madd_epi16(a.v, b.v)}; }
SIMD_INLINE I16x8 pack_saturated(I32x4 a, I32x4 b) { return {_mm_packs_epi32(a.v, b.v)}; }
SIMD_INLINE I32x4 pack_bytes(I16x8 a, I16x8 b) { return {_mm_packus_epi16(a.v, b.v)}; }
SIMD_INLINE I16x8 widen_low(I32x4 a) { return {_mm_unpacklo_epi8(a.v, _mm_setzero_si128())}; }
SIMD_INLINE I16x8 widen_high(I32x4 a) { return {_mm_unpackhi_epi8(a.v, _mm_setzero_si128())}; }
SIMD_INLINE I16x8 widen_pixels(uint32_t first, uint32_t second)
{
    return widen_low({_mm_setr_epi32(int32_t(first), int32_t(second), 0, 0)});
}
SIMD_INLINE I16x8 interleave_pair(I32x4 a)
{
    return widen_low({_mm_unpacklo_epi8(a.v, _mm_srli_si128(a.v, 4))});
}
SIMD_INLINE I16x8 join_low(I16x8 a, I16x8 b) { return {_mm_unpacklo_epi64(a.v, b.v)}; }
SIMD_INLINE void channels_to_pixels(I32x4 b, I32x4 g, I32x4 r, I32x4 a, I16x8& low, I16x8& high)
{
    const __m128i bgLow = _mm_unpacklo_epi32(b.v, g.v), raLow = _mm_unpacklo_epi32(r.v, a.v);
    const __m128i bgHigh = _mm_unpackhi_epi32(b.v, g.v), raHigh = _mm_unpackhi_epi32(r.v, a.v);
    low = {_mm_packs_epi32(_mm_unpacklo_epi64(bgLow, raLow), _mm_unpackhi_epi64(bgLow, raLow))};
    high = {_mm_packs_epi32(_mm_unpacklo_epi64(bgHigh, raHigh),
                            _mm_unpackhi_epi64(bgHigh, raHigh))};
}

SIMD_INLINE void pause() { _mm_pause(); }

#undef SIMD_INLINE

}  // namespace simd::sse2
#endif

#ifdef PLAYER_SIMD_AVX2
// AVX2: 256-bit lanes for the sampler's gathered bilinear fetch and for shading two quads at
// once. Only for functions built with [[gnu::target("avx2")]], which run where use_avx2() holds.
#include <immintrin.h>

namespace simd::avx2 {

// 256 bits, read as 8-bit, 16-bit, 32-bit or 64-bit lanes as each operation says; the two
// 128-bit halves are lanes 0-3 and 4-7 of the int32 view.
struct I32x8 {
    __m256i v;
};

#define SIMD_AVX2 [[gnu::target("avx2"), gnu::always_inline]] inline

SIMD_AVX2 sse2::I32x4 mul32(sse2::I32x4 a, sse2::I32x4 b) { return {_mm_mullo_epi32(a.v, b.v)}; }
// The two texels at each of the four offsets (in texels from base), in 64-bit lanes. Four loads
// beat the gather instruction here.
SIMD_AVX2 I32x8 gather_pairs(const uint32_t* base, sse2::I32x4 offsets)
{
    const __m128i a = _mm_loadl_epi64(
        reinterpret_cast<const __m128i*>(base + _mm_cvtsi128_si32(offsets.v)));
    const __m128i b = _mm_loadl_epi64(
        reinterpret_cast<const __m128i*>(base + _mm_extract_epi32(offsets.v, 1)));
    const __m128i c = _mm_loadl_epi64(
        reinterpret_cast<const __m128i*>(base + _mm_extract_epi32(offsets.v, 2)));
    const __m128i d = _mm_loadl_epi64(
        reinterpret_cast<const __m128i*>(base + _mm_extract_epi32(offsets.v, 3)));
    return {_mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi64(a, b)),
                                    _mm_unpacklo_epi64(c, d), 1)};
}
// Within each 64-bit lane of texels l and r, their bytes side by side: l0 r0 l1 r1 ...
SIMD_AVX2 I32x8 interleave_pairs(I32x8 a)
{
    const __m256i order = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15,
                                           0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    return {_mm256_shuffle_epi8(a.v, order)};
}
// Each 32-bit lane of a in both halves of a 64-bit lane.
SIMD_AVX2 I32x8 repeat_in_pairs(sse2::I32x4 a)
{
    const __m256i wide = _mm256_cvtepu32_epi64(a.v);
    return {_mm256_or_si256(wide, _mm256_slli_epi64(wide, 32))};
}
// Lane A of a over the low half, lane B over the high half.
template <int A, int B>
SIMD_AVX2 I32x8 broadcast_halves(sse2::I32x4 a)
{
    return {_mm256_inserti128_si256(_mm256_castsi128_si256(_mm_shuffle_epi32(a.v, A * 0x55)),
                                    _mm_shuffle_epi32(a.v, B * 0x55), 1)};
}
// Unsigned bytes of a times signed bytes of b, pairs summed into 16 bits (saturated).
SIMD_AVX2 I32x8 multiply_add8(I32x8 a, I32x8 b) { return {_mm256_maddubs_epi16(a.v, b.v)}; }
SIMD_AVX2 I32x8 multiply_add16(I32x8 a, I32x8 b) { return {_mm256_madd_epi16(a.v, b.v)}; }
// 16-bit lanes of a and b alternating, from the low (or high) four of each 128-bit half.
SIMD_AVX2 I32x8 interleave_low16(I32x8 a, I32x8 b) { return {_mm256_unpacklo_epi16(a.v, b.v)}; }
SIMD_AVX2 I32x8 interleave_high16(I32x8 a, I32x8 b) { return {_mm256_unpackhi_epi16(a.v, b.v)}; }
SIMD_AVX2 I32x8 all(int32_t x) { return {_mm256_set1_epi32(x)}; }
SIMD_AVX2 I32x8 operator+(I32x8 a, I32x8 b) { return {_mm256_add_epi32(a.v, b.v)}; }
template <int N>
SIMD_AVX2 I32x8 shift_right_logical(I32x8 a)
{
    return {_mm256_srli_epi32(a.v, N)};
}
// Per 128-bit half: a's four lanes, then b's, saturated to int16.
SIMD_AVX2 I32x8 pack_saturated(I32x8 a, I32x8 b) { return {_mm256_packs_epi32(a.v, b.v)}; }
SIMD_AVX2 sse2::I16x8 low_half(I32x8 a) { return {_mm256_castsi256_si128(a.v)}; }
SIMD_AVX2 sse2::I16x8 high_half(I32x8 a) { return {_mm256_extracti128_si256(a.v, 1)}; }

// Two 2 x 2 quads side by side, each 128-bit half one quad with its lanes as the 4-lane types
// have them: F32x8 and I32x8 lanes 0-3 the left quad, 4-7 the right one; I16x16 the 16-bit
// lanes of each quad's half. Every operation below works on each half as its 4-lane
// counterpart does on a quad, with the same results.
struct F32x8 {
    __m256 v;
};
struct I16x16 {
    __m256i v;
};

SIMD_AVX2 F32x8 all(float x) { return {_mm256_set1_ps(x)}; }
SIMD_AVX2 F32x8 set(float a, float b, float c, float d, float e, float f, float g, float h)
{
    return {_mm256_setr_ps(a, b, c, d, e, f, g, h)};
}
SIMD_AVX2 F32x8 operator+(F32x8 a, F32x8 b) { return {_mm256_add_ps(a.v, b.v)}; }
SIMD_AVX2 F32x8 operator-(F32x8 a, F32x8 b) { return {_mm256_sub_ps(a.v, b.v)}; }
SIMD_AVX2 F32x8 operator*(F32x8 a, F32x8 b) { return {_mm256_mul_ps(a.v, b.v)}; }
SIMD_AVX2 F32x8 operator/(F32x8 a, F32x8 b) { return {_mm256_div_ps(a.v, b.v)}; }
SIMD_AVX2 F32x8 min(F32x8 a, F32x8 b) { return {_mm256_min_ps(a.v, b.v)}; }
SIMD_AVX2 F32x8 max(F32x8 a, F32x8 b) { return {_mm256_max_ps(a.v, b.v)}; }
SIMD_AVX2 F32x8 operator&(F32x8 a, F32x8 b) { return {_mm256_and_ps(a.v, b.v)}; }
SIMD_AVX2 F32x8 operator|(F32x8 a, F32x8 b) { return {_mm256_or_ps(a.v, b.v)}; }
SIMD_AVX2 F32x8 andnot(F32x8 a, F32x8 b) { return {_mm256_andnot_ps(a.v, b.v)}; }
SIMD_AVX2 F32x8 operator<=(F32x8 a, F32x8 b) { return {_mm256_cmp_ps(a.v, b.v, _CMP_LE_OS)}; }
SIMD_AVX2 int movemask(F32x8 a) { return _mm256_movemask_ps(a.v); }
SIMD_AVX2 I32x8 round(F32x8 a) { return {_mm256_cvtps_epi32(a.v)}; }
SIMD_AVX2 I32x8 truncate(F32x8 a) { return {_mm256_cvttps_epi32(a.v)}; }
SIMD_AVX2 F32x8 to_float(I32x8 a) { return {_mm256_cvtepi32_ps(a.v)}; }
SIMD_AVX2 F32x8 operator>(F32x8 a, F32x8 b) { return {_mm256_cmp_ps(a.v, b.v, _CMP_GT_OS)}; }
SIMD_AVX2 F32x8 as_float(I32x8 a) { return {_mm256_castsi256_ps(a.v)}; }

SIMD_AVX2 I32x8 set(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f,
                    int32_t g, int32_t h)
{
    return {_mm256_setr_epi32(a, b, c, d, e, f, g, h)};
}
SIMD_AVX2 I32x8 operator-(I32x8 a, I32x8 b) { return {_mm256_sub_epi32(a.v, b.v)}; }
SIMD_AVX2 I32x8 operator<(I32x8 a, I32x8 b) { return {_mm256_cmpgt_epi32(b.v, a.v)}; }
SIMD_AVX2 I32x8 mul32(I32x8 a, I32x8 b) { return {_mm256_mullo_epi32(a.v, b.v)}; }
template <int N>
SIMD_AVX2 I32x8 shift_right(I32x8 a)
{
    return {_mm256_srai_epi32(a.v, N)};
}
SIMD_AVX2 I32x8 operator&(I32x8 a, I32x8 b) { return {_mm256_and_si256(a.v, b.v)}; }
SIMD_AVX2 I32x8 operator|(I32x8 a, I32x8 b) { return {_mm256_or_si256(a.v, b.v)}; }
SIMD_AVX2 I32x8 andnot(I32x8 a, I32x8 b) { return {_mm256_andnot_si256(a.v, b.v)}; }
SIMD_AVX2 I32x8 operator==(I32x8 a, I32x8 b) { return {_mm256_cmpeq_epi32(a.v, b.v)}; }
SIMD_AVX2 int movemask(I32x8 a) { return _mm256_movemask_ps(_mm256_castsi256_ps(a.v)); }

SIMD_AVX2 I16x16 all16(int16_t x) { return {_mm256_set1_epi16(x)}; }
SIMD_AVX2 I16x16 add16(I16x16 a, I16x16 b) { return {_mm256_add_epi16(a.v, b.v)}; }
SIMD_AVX2 I16x16 mul16(I16x16 a, I16x16 b) { return {_mm256_mullo_epi16(a.v, b.v)}; }
template <int N>
SIMD_AVX2 I16x16 shift_right_logical16(I16x16 a)
{
    return {_mm256_srli_epi16(a.v, N)};
}
template <int N>
SIMD_AVX2 I16x16 shift_right16(I16x16 a)
{
    return {_mm256_srai_epi16(a.v, N)};
}
SIMD_AVX2 I16x16 sub16(I16x16 a, I16x16 b) { return {_mm256_sub_epi16(a.v, b.v)}; }
SIMD_AVX2 I32x8 pack_bytes(I16x16 a, I16x16 b) { return {_mm256_packus_epi16(a.v, b.v)}; }
SIMD_AVX2 I16x16 widen_low(I32x8 a) { return {_mm256_unpacklo_epi8(a.v, _mm256_setzero_si256())}; }
SIMD_AVX2 void channels_to_pixels(I32x8 b, I32x8 g, I32x8 r, I32x8 a, I16x16& low,
                                  I16x16& high)
{
    const __m256i bgLow = _mm256_unpacklo_epi32(b.v, g.v), raLow = _mm256_unpacklo_epi32(r.v, a.v);
    const __m256i bgHigh = _mm256_unpackhi_epi32(b.v, g.v);
    const __m256i raHigh = _mm256_unpackhi_epi32(r.v, a.v);
    low = {_mm256_packs_epi32(_mm256_unpacklo_epi64(bgLow, raLow),
                              _mm256_unpackhi_epi64(bgLow, raLow))};
    high = {_mm256_packs_epi32(_mm256_unpacklo_epi64(bgHigh, raHigh),
                               _mm256_unpackhi_epi64(bgHigh, raHigh))};
}

// The two quads' halves, and the pair from them.
SIMD_AVX2 F32x8 join(sse2::F32x4 lo, sse2::F32x4 hi)
{
    return {_mm256_insertf128_ps(_mm256_castps128_ps256(lo.v), hi.v, 1)};
}
SIMD_AVX2 I32x8 join(sse2::I32x4 lo, sse2::I32x4 hi)
{
    return {_mm256_inserti128_si256(_mm256_castsi128_si256(lo.v), hi.v, 1)};
}
SIMD_AVX2 I16x16 join(sse2::I16x8 lo, sse2::I16x8 hi)
{
    return {_mm256_inserti128_si256(_mm256_castsi128_si256(lo.v), hi.v, 1)};
}
// The low (or high) 128-bit halves of a and b, as I16x16's halves.
SIMD_AVX2 I16x16 join_low_halves(I32x8 a, I32x8 b)
{
    return {_mm256_permute2x128_si256(a.v, b.v, 0x20)};
}
SIMD_AVX2 I16x16 join_high_halves(I32x8 a, I32x8 b)
{
    return {_mm256_permute2x128_si256(a.v, b.v, 0x31)};
}
SIMD_AVX2 sse2::F32x4 low(F32x8 a) { return {_mm256_castps256_ps128(a.v)}; }
SIMD_AVX2 sse2::F32x4 high(F32x8 a) { return {_mm256_extractf128_ps(a.v, 1)}; }
SIMD_AVX2 sse2::I32x4 low(I32x8 a) { return {_mm256_castsi256_si128(a.v)}; }
SIMD_AVX2 sse2::I32x4 high(I32x8 a) { return {_mm256_extracti128_si256(a.v, 1)}; }

// The four columns from a and from b, a row below: the left quad's two of each row, then the
// right quad's. store_quads writes b's row first, then a's.
SIMD_AVX2 F32x8 load_quads(const float* a, const float* b)
{
    const __m256 rows = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(a)),
                                             _mm_loadu_ps(b), 1);
    return {_mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(rows), 0xD8))};
}
SIMD_AVX2 void store_quads(float* a, float* b, F32x8 x)
{
    const __m256 rows = _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(x.v), 0xD8));
    _mm_storeu_ps(b, _mm256_extractf128_ps(rows, 1));
    _mm_storeu_ps(a, _mm256_castps256_ps128(rows));
}
SIMD_AVX2 I32x8 load_quads(const uint32_t* a, const uint32_t* b)
{
    const __m256i rows = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(b)), 1);
    return {_mm256_permute4x64_epi64(rows, 0xD8)};
}
SIMD_AVX2 void store_quads(uint32_t* a, uint32_t* b, I32x8 x)
{
    const __m256i rows = _mm256_permute4x64_epi64(x.v, 0xD8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(b), _mm256_extracti128_si256(rows, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(a), _mm256_castsi256_si128(rows));
}

#undef SIMD_AVX2

}  // namespace simd::avx2
#endif

namespace simd {

#ifdef PLAYER_PORTABLE_SIMD
namespace native = portable;
#else
namespace native = sse2;
#endif
using namespace native;

using F32x4 = native::F32x4;
using I32x4 = native::I32x4;
using I16x8 = native::I16x8;

// Eight lanes as two halves of four: lanes 0-3, then 4-7.
template <class Half>
struct Twice {
    Half lo, hi;
};
using F32x8 = Twice<F32x4>;
using I32x8 = Twice<I32x4>;

template <class H>
[[gnu::always_inline]] inline Twice<H> join(H lo, H hi)
{
    return {lo, hi};
}
#define SIMD_TWICE(op)                                                                        \
    template <class H>                                                                        \
    [[gnu::always_inline]] inline auto op(Twice<H> a, Twice<H> b)                             \
    {                                                                                         \
        return join(op(a.lo, b.lo), op(a.hi, b.hi));                                          \
    }
SIMD_TWICE(operator+)
SIMD_TWICE(operator-)
SIMD_TWICE(operator*)
SIMD_TWICE(operator&)
SIMD_TWICE(operator<)
SIMD_TWICE(operator>)
SIMD_TWICE(min)
SIMD_TWICE(max)
SIMD_TWICE(andnot)
#undef SIMD_TWICE
template <class H>
[[gnu::always_inline]] inline auto truncate(Twice<H> a)
{
    return join(truncate(a.lo), truncate(a.hi));
}
template <class H>
[[gnu::always_inline]] inline auto to_float(Twice<H> a)
{
    return join(to_float(a.lo), to_float(a.hi));
}
template <int N, class H>
[[gnu::always_inline]] inline Twice<H> shift_right(Twice<H> a)
{
    return {shift_right<N>(a.lo), shift_right<N>(a.hi)};
}

// Whether the device runs its AVX2-built code: where the processor has AVX2, unless the
// environment sets SOFTWARE_DEVICE_NO_AVX2. Never in the portable or WebAssembly builds.
inline bool use_avx2()
{
#ifndef PLAYER_SIMD_AVX2
    return false;
#else
    static const bool chosen =
        std::getenv("SOFTWARE_DEVICE_NO_AVX2") == nullptr && __builtin_cpu_supports("avx2");
    return chosen;
#endif
}

}  // namespace simd
