#pragma once
// The vector types of the pixel pipeline in plain C++: lanes in arrays, every operation lane by
// lane with the results the SSE2 instructions give, also for lanes that are not numbers, out of
// range conversions, saturation and wrap-around. Compiles anywhere; always built, so the tests can
// hold the two against each other.

#include <cmath>
#include <cstdint>
#include <cstring>

namespace simd::portable {

struct F32x4 {
    float v[4];
};
struct I32x4 {
    int32_t v[4];
};
struct I16x8 {   // eight 16-bit lanes, in the bits of an I32x4 (lane 2k is the low half of k)
    int16_t v[8];
};

inline uint32_t bits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}
inline float from_bits(uint32_t b)
{
    float f;
    std::memcpy(&f, &b, 4);
    return f;
}

// --- floats

inline F32x4 all(float x) { return F32x4{{x, x, x, x}}; }
inline F32x4 set(float a, float b, float c, float d) { return F32x4{{a, b, c, d}}; }
inline F32x4 load(const float* p) { return F32x4{{p[0], p[1], p[2], p[3]}}; }
inline void store(float* p, F32x4 a) { std::memcpy(p, a.v, sizeof a.v); }

template <class Op>
inline F32x4 each(F32x4 a, F32x4 b, Op op)
{
    F32x4 r;
    for (int i = 0; i < 4; i++)
        r.v[i] = op(a.v[i], b.v[i]);
    return r;
}
template <class Op>
inline F32x4 each_bits(F32x4 a, F32x4 b, Op op)
{
    return each(a, b, [op](float x, float y) { return from_bits(op(bits(x), bits(y))); });
}

inline F32x4 operator+(F32x4 a, F32x4 b) { return each(a, b, [](float x, float y) { return x + y; }); }
inline F32x4 operator-(F32x4 a, F32x4 b) { return each(a, b, [](float x, float y) { return x - y; }); }
inline F32x4 operator*(F32x4 a, F32x4 b) { return each(a, b, [](float x, float y) { return x * y; }); }
inline F32x4 operator/(F32x4 a, F32x4 b) { return each(a, b, [](float x, float y) { return x / y; }); }
// The second operand when either is not a number, as minps and maxps.
inline F32x4 min(F32x4 a, F32x4 b) { return each(a, b, [](float x, float y) { return x < y ? x : y; }); }
inline F32x4 max(F32x4 a, F32x4 b) { return each(a, b, [](float x, float y) { return x > y ? x : y; }); }
inline F32x4 operator&(F32x4 a, F32x4 b)
{
    return each_bits(a, b, [](uint32_t x, uint32_t y) { return x & y; });
}
inline F32x4 operator|(F32x4 a, F32x4 b)
{
    return each_bits(a, b, [](uint32_t x, uint32_t y) { return x | y; });
}
inline F32x4 andnot(F32x4 a, F32x4 b)   // ~a & b
{
    return each_bits(a, b, [](uint32_t x, uint32_t y) { return ~x & y; });
}
// Masks: all bits set in the lanes where the comparison holds.
inline F32x4 operator<=(F32x4 a, F32x4 b)
{
    return each(a, b, [](float x, float y) { return from_bits(x <= y ? ~0u : 0u); });
}
inline F32x4 operator>(F32x4 a, F32x4 b)
{
    return each(a, b, [](float x, float y) { return from_bits(x > y ? ~0u : 0u); });
}
inline int movemask(F32x4 a)
{
    int m = 0;
    for (int i = 0; i < 4; i++)
        m |= int(bits(a.v[i]) >> 31) << i;
    return m;
}

// Conversions to int32: lanes that are not numbers or beyond int32 give INT32_MIN.
inline int32_t to_int(float rounded)
{
    if (!(rounded >= -2147483648.0f && rounded < 2147483648.0f))
        return INT32_MIN;
    return int32_t(rounded);
}
inline I32x4 truncate(F32x4 a)
{
    I32x4 r;
    for (int i = 0; i < 4; i++)
        r.v[i] = to_int(std::trunc(a.v[i]));
    return r;
}
inline I32x4 round(F32x4 a)   // to nearest, halves to even
{
    I32x4 r;
    for (int i = 0; i < 4; i++)
        r.v[i] = to_int(std::nearbyint(a.v[i]));
    return r;
}
inline int32_t round(float x) { return to_int(std::nearbyint(x)); }
inline F32x4 to_float(I32x4 a)
{
    return F32x4{{float(a.v[0]), float(a.v[1]), float(a.v[2]), float(a.v[3])}};
}
inline F32x4 as_float(I32x4 a)
{
    F32x4 r;
    std::memcpy(r.v, a.v, sizeof r.v);
    return r;
}

// Lanes 0 and 1 from a, 2 and 3 from b; and the other way.
inline F32x4 load_pairs(const float* a, const float* b) { return F32x4{{a[0], a[1], b[0], b[1]}}; }
// b first, then a: where they are the same place, a's lanes are the last write.
inline void store_pairs(float* a, float* b, F32x4 x)
{
    b[0] = x.v[2];
    b[1] = x.v[3];
    a[0] = x.v[0];
    a[1] = x.v[1];
}

// --- int32

inline I32x4 all(int32_t x) { return I32x4{{x, x, x, x}}; }
inline I32x4 set(int32_t a, int32_t b, int32_t c, int32_t d) { return I32x4{{a, b, c, d}}; }
inline void store(int32_t* p, I32x4 a) { std::memcpy(p, a.v, sizeof a.v); }
inline void store(uint32_t* p, I32x4 a) { std::memcpy(p, a.v, sizeof a.v); }
inline I32x4 load_pairs(const uint32_t* a, const uint32_t* b)
{
    return I32x4{{int32_t(a[0]), int32_t(a[1]), int32_t(b[0]), int32_t(b[1])}};
}
inline void store_pairs(uint32_t* a, uint32_t* b, I32x4 x)
{
    b[0] = uint32_t(x.v[2]);
    b[1] = uint32_t(x.v[3]);
    a[0] = uint32_t(x.v[0]);
    a[1] = uint32_t(x.v[1]);
}
inline I32x4 load_pair(const uint32_t* p) { return I32x4{{int32_t(p[0]), int32_t(p[1]), 0, 0}}; }

template <class Op>
inline I32x4 each(I32x4 a, I32x4 b, Op op)
{
    I32x4 r;
    for (int i = 0; i < 4; i++)
        r.v[i] = int32_t(op(uint32_t(a.v[i]), uint32_t(b.v[i])));
    return r;
}
inline I32x4 operator+(I32x4 a, I32x4 b) { return each(a, b, [](uint32_t x, uint32_t y) { return x + y; }); }
inline I32x4 operator-(I32x4 a, I32x4 b) { return each(a, b, [](uint32_t x, uint32_t y) { return x - y; }); }
inline I32x4 operator&(I32x4 a, I32x4 b) { return each(a, b, [](uint32_t x, uint32_t y) { return x & y; }); }
inline I32x4 operator|(I32x4 a, I32x4 b) { return each(a, b, [](uint32_t x, uint32_t y) { return x | y; }); }
inline I32x4 andnot(I32x4 a, I32x4 b) { return each(a, b, [](uint32_t x, uint32_t y) { return ~x & y; }); }
inline I32x4 operator<(I32x4 a, I32x4 b)
{
    I32x4 r;
    for (int i = 0; i < 4; i++)
        r.v[i] = a.v[i] < b.v[i] ? -1 : 0;
    return r;
}
inline I32x4 operator==(I32x4 a, I32x4 b)
{
    I32x4 r;
    for (int i = 0; i < 4; i++)
        r.v[i] = a.v[i] == b.v[i] ? -1 : 0;
    return r;
}
template <int N>
inline I32x4 shift_left(I32x4 a)
{
    return each(a, a, [](uint32_t x, uint32_t) { return x << N; });
}
template <int N>
inline I32x4 shift_right(I32x4 a)   // arithmetic
{
    I32x4 r;
    for (int i = 0; i < 4; i++)
        r.v[i] = a.v[i] >> N;
    return r;
}
template <int N>
inline I32x4 shift_right_logical(I32x4 a)
{
    return each(a, a, [](uint32_t x, uint32_t) { return x >> N; });
}
inline int movemask(I32x4 a)   // the sign bits
{
    int m = 0;
    for (int i = 0; i < 4; i++)
        m |= int(uint32_t(a.v[i]) >> 31) << i;
    return m;
}
template <int I>
inline I32x4 broadcast_lane(I32x4 a)
{
    return all(a.v[I]);
}

// --- 16-bit lanes

inline I16x8 all16(int16_t x) { return I16x8{{x, x, x, x, x, x, x, x}}; }
inline I16x8 as_i16(I32x4 a)
{
    I16x8 r;
    for (int i = 0; i < 4; i++) {
        r.v[2 * i] = int16_t(uint32_t(a.v[i]) & 0xFFFF);
        r.v[2 * i + 1] = int16_t(uint32_t(a.v[i]) >> 16);
    }
    return r;
}
inline I32x4 as_i32(I16x8 a)
{
    I32x4 r;
    for (int i = 0; i < 4; i++)
        r.v[i] = int32_t(uint32_t(uint16_t(a.v[2 * i])) | uint32_t(uint16_t(a.v[2 * i + 1])) << 16);
    return r;
}
template <class Op>
inline I16x8 each(I16x8 a, I16x8 b, Op op)   // op on the lanes as unsigned, kept modulo 2^16
{
    I16x8 r;
    for (int i = 0; i < 8; i++)
        r.v[i] = int16_t(uint16_t(op(uint32_t(uint16_t(a.v[i])), uint32_t(uint16_t(b.v[i])))));
    return r;
}
inline I16x8 add16(I16x8 a, I16x8 b) { return each(a, b, [](uint32_t x, uint32_t y) { return x + y; }); }
inline I16x8 sub16(I16x8 a, I16x8 b) { return each(a, b, [](uint32_t x, uint32_t y) { return x - y; }); }
inline I16x8 mul16(I16x8 a, I16x8 b) { return each(a, b, [](uint32_t x, uint32_t y) { return x * y; }); }
inline I16x8 mul_high_unsigned16(I16x8 a, I16x8 b)
{
    return each(a, b, [](uint32_t x, uint32_t y) { return (x * y) >> 16; });
}
inline I16x8 add_saturated_unsigned16(I16x8 a, I16x8 b)
{
    return each(a, b, [](uint32_t x, uint32_t y) { return x + y > 0xFFFF ? 0xFFFF : x + y; });
}
inline I16x8 min16(I16x8 a, I16x8 b)   // signed
{
    I16x8 r;
    for (int i = 0; i < 8; i++)
        r.v[i] = a.v[i] < b.v[i] ? a.v[i] : b.v[i];
    return r;
}
template <int N>
inline I16x8 shift_right_logical16(I16x8 a)
{
    return each(a, a, [](uint32_t x, uint32_t) { return x >> N; });
}
template <int N>
inline I16x8 shift_right16(I16x8 a)   // arithmetic
{
    I16x8 r;
    for (int i = 0; i < 8; i++)
        r.v[i] = int16_t(a.v[i] >> N);
    return r;
}
// Lanes 3 and 7 (alpha of the two pixels) each over its half.
inline I16x8 alpha16(I16x8 a)
{
    return I16x8{{a.v[3], a.v[3], a.v[3], a.v[3], a.v[7], a.v[7], a.v[7], a.v[7]}};
}
// Products of lane pairs summed into 32 bits.
inline I32x4 multiply_add16(I16x8 a, I16x8 b)
{
    I32x4 r;
    for (int i = 0; i < 4; i++)
        r.v[i] = int32_t(uint32_t(int32_t(a.v[2 * i]) * b.v[2 * i]) +
                         uint32_t(int32_t(a.v[2 * i + 1]) * b.v[2 * i + 1]));
    return r;
}
// a's lanes, then b's, saturated to int16.
inline I16x8 pack_saturated(I32x4 a, I32x4 b)
{
    auto clamp = [](int32_t x) { return int16_t(x < -32768 ? -32768 : x > 32767 ? 32767 : x); };
    I16x8 r;
    for (int i = 0; i < 4; i++) {
        r.v[i] = clamp(a.v[i]);
        r.v[i + 4] = clamp(b.v[i]);
    }
    return r;
}
// a's lanes, then b's, saturated to bytes 0..255: four pixels 0xAARRGGBB.
inline I32x4 pack_bytes(I16x8 a, I16x8 b)
{
    auto clamp = [](int16_t x) { return uint32_t(x < 0 ? 0 : x > 255 ? 255 : x); };
    I32x4 r;
    for (int i = 0; i < 2; i++) {
        r.v[i] = int32_t(clamp(a.v[4 * i]) | clamp(a.v[4 * i + 1]) << 8 |
                         clamp(a.v[4 * i + 2]) << 16 | clamp(a.v[4 * i + 3]) << 24);
        r.v[i + 2] = int32_t(clamp(b.v[4 * i]) | clamp(b.v[4 * i + 1]) << 8 |
                             clamp(b.v[4 * i + 2]) << 16 | clamp(b.v[4 * i + 3]) << 24);
    }
    return r;
}
// The bytes of pixels 0 and 1 (low) or 2 and 3 (high) in 16-bit lanes.
inline I16x8 widen_pixels(uint32_t first, uint32_t second)
{
    I16x8 r;
    for (int i = 0; i < 4; i++) {
        r.v[i] = int16_t(first >> (8 * i) & 255);
        r.v[i + 4] = int16_t(second >> (8 * i) & 255);
    }
    return r;
}
inline I16x8 widen_low(I32x4 a) { return widen_pixels(uint32_t(a.v[0]), uint32_t(a.v[1])); }
inline I16x8 widen_high(I32x4 a) { return widen_pixels(uint32_t(a.v[2]), uint32_t(a.v[3])); }
// The bytes of pixels 0 and 1 side by side in 16-bit lanes: 0.b 1.b 0.g 1.g 0.r 1.r 0.a 1.a.
inline I16x8 interleave_pair(I32x4 a)
{
    I16x8 r;
    for (int i = 0; i < 4; i++) {
        r.v[2 * i] = int16_t(uint32_t(a.v[0]) >> (8 * i) & 255);
        r.v[2 * i + 1] = int16_t(uint32_t(a.v[1]) >> (8 * i) & 255);
    }
    return r;
}
// The low four lanes of a, then those of b.
inline I16x8 join_low(I16x8 a, I16x8 b)
{
    return I16x8{{a.v[0], a.v[1], a.v[2], a.v[3], b.v[0], b.v[1], b.v[2], b.v[3]}};
}
// Channels of four pixels (one I32x4 each, 0..255) as pixels 0 and 1, and 2 and 3.
inline void channels_to_pixels(I32x4 b, I32x4 g, I32x4 r, I32x4 a, I16x8& low, I16x8& high)
{
    const I16x8 bg = pack_saturated(b, g), ra = pack_saturated(r, a);
    for (int i = 0; i < 2; i++)
        for (int k = 0; k < 2; k++) {
            I16x8& out = k ? high : low;
            const int p = 2 * k + i;
            out.v[4 * i] = bg.v[p];
            out.v[4 * i + 1] = bg.v[p + 4];
            out.v[4 * i + 2] = ra.v[p];
            out.v[4 * i + 3] = ra.v[p + 4];
        }
}

inline void pause() {}

}  // namespace simd::portable
