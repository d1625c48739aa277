#include "math/matrix.h"

#include <cmath>
#include <utility>

Matrix4 matrix_identity()
{
    Matrix4 r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
    return r;
}

Matrix4 matrix_translation(float x, float y, float z)
{
    Matrix4 r = matrix_identity();
    r(3, 0) = x;
    r(3, 1) = y;
    r(3, 2) = z;
    return r;
}

Matrix4 matrix_multiply(const Matrix4& a, const Matrix4& b)
{
    Matrix4 r;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            r(row, column) = a(row, 0) * b(0, column) + a(row, 1) * b(1, column) +
                             a(row, 2) * b(2, column) + a(row, 3) * b(3, column);
    return r;
}

void matrix_transform_point(const Matrix4& m, const float in[3], float out[4])
{
    const float x = in[0], y = in[1], z = in[2];
    for (int c = 0; c < 4; ++c)
        out[c] = x * m(0, c) + y * m(1, c) + z * m(2, c) + m(3, c);
}

void matrix_transform_point3(const Matrix4& m, const float in[3], float out[3])
{
    const float x = in[0], y = in[1], z = in[2];
    for (int c = 0; c < 3; ++c)
        out[c] = x * m(0, c) + y * m(1, c) + z * m(2, c) + m(3, c);
}

void matrix_transform_direction(const Matrix4& m, const float in[3], float out[3])
{
    const float x = in[0], y = in[1], z = in[2];
    for (int c = 0; c < 3; ++c)
        out[c] = x * m(0, c) + y * m(1, c) + z * m(2, c);
}

namespace {

void swap_columns(Matrix4& m, int a, int b)
{
    for (int r = 0; r < 4; ++r)
        std::swap(m(r, a), m(r, b));
}

// column target -= factor x column source, in rows first..3.
void subtract_column(Matrix4& m, int target, int source, float factor, int first)
{
    for (int r = first; r < 4; ++r)
        m(r, target) -= factor * m(r, source);
}

}  // namespace

// Every step is a column operation, that is a product on the right, so applying the same steps
// to the identity builds the inverse and the column swaps need no undoing. A singular matrix (a
// zero pivot) or one whose inverse does not fit in floats is left as it was: later code turns
// these numbers into pixels and must never see infinities or NaN.
void matrix_inverse(Matrix4& matrix)
{
    Matrix4 a = matrix;
    Matrix4 w = matrix_identity();

    // Forward: make a lower triangular, pivoting on the largest entry of the row.
    for (int i = 0; i < 4; ++i) {
        int pivot = i;
        for (int k = i + 1; k < 4; ++k)
            if (std::fabs(a(i, k)) > std::fabs(a(i, pivot)))
                pivot = k;
        if (pivot != i) {
            swap_columns(a, i, pivot);
            swap_columns(w, i, pivot);
        }
        const float p = a(i, i);
        if (!(p != 0.0f) || !std::isfinite(p))
            return;
        for (int k = i + 1; k < 4; ++k) {
            const float h = a(i, k) / p;
            subtract_column(w, k, i, h, 0);
            subtract_column(a, k, i, h, i + 1);
        }
    }

    // Backward: unit diagonal, then clear each row left of it, in w only; a keeps the entries
    // of the forward pass.
    for (int i = 3; i >= 0; --i) {
        const float d = a(i, i);
        subtract_column(w, i, i, (d - 1.0f) / d, 0);
        for (int k = i - 1; k >= 0; --k)
            subtract_column(w, k, i, a(i, k), 0);
    }

    for (float v : w.m)
        if (!std::isfinite(v))
            return;
    matrix = w;
}

// A column of length zero (a scale of zero along an axis) is left as it is rather than divided.
void matrix_rotation_part(Matrix4& matrix)
{
    matrix(0, 3) = matrix(1, 3) = matrix(2, 3) = 0.0f;
    matrix(3, 0) = matrix(3, 1) = matrix(3, 2) = 0.0f;
    matrix(3, 3) = 1.0f;
    for (int c = 0; c < 3; ++c) {
        const float length = std::sqrt(matrix(0, c) * matrix(0, c) + matrix(1, c) * matrix(1, c) +
                                       matrix(2, c) * matrix(2, c));
        if (!(length > 0.0f) || !std::isfinite(length))
            continue;
        for (int r = 0; r < 3; ++r)
            matrix(r, c) /= length;
    }
}
