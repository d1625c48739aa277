#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "math/matrix.h"

namespace {

Matrix4 rotation_z(float degrees)
{
    const float a = degrees * 3.14159265f / 180.0f;
    Matrix4 m = matrix_identity();
    m(0, 0) = std::cos(a);
    m(0, 1) = std::sin(a);
    m(1, 0) = -std::sin(a);
    m(1, 1) = std::cos(a);
    return m;
}

void expect_near(const Matrix4& a, const Matrix4& b, float tolerance)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "entry " << i;
}

}  // namespace

TEST(Matrix, RowVectorsApplyTheLeftFactorFirst)
{
    // Scale by 2, then move by (1, 0, 0): the point (1, 1, 1) ends at (3, 2, 2).
    Matrix4 scale = matrix_identity();
    scale(0, 0) = scale(1, 1) = scale(2, 2) = 2.0f;
    const Matrix4 m = matrix_multiply(scale, matrix_translation(1, 0, 0));
    const float p[3] = {1, 1, 1};
    float out[4];
    matrix_transform_point(m, p, out);
    EXPECT_FLOAT_EQ(out[0], 3);
    EXPECT_FLOAT_EQ(out[1], 2);
    EXPECT_FLOAT_EQ(out[3], 1);
    float dir[3];
    matrix_transform_direction(m, p, dir);
    EXPECT_FLOAT_EQ(dir[0], 2);  // directions ignore the move
}

TEST(MatrixInverse, TranslationAndQuarterTurnInvertExactly)
{
    Matrix4 t = matrix_translation(5, 0, 0);
    matrix_inverse(t);
    expect_near(t, matrix_translation(-5, 0, 0), 0.0f);

    // Row 0 of a quarter turn about z has its only non-zero entry off the diagonal: the pivot
    // search must swap columns, and the result is still the transpose.
    Matrix4 r = rotation_z(90);
    r(0, 0) = r(1, 1) = 0.0f;
    Matrix4 inverse = r;
    matrix_inverse(inverse);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(inverse(row, column), r(column, row));
}

TEST(MatrixInverse, WellConditionedRandomMatricesInvert)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> angle(-180, 180), move(-100, 100), scale(0.5f, 3);
    for (int n = 0; n < 500; ++n) {
        // A rotation about each axis, a positive scale and a move: an object or node matrix.
        Matrix4 s = matrix_identity();
        s(0, 0) = scale(random);
        s(1, 1) = scale(random);
        s(2, 2) = scale(random);
        Matrix4 rx = rotation_z(angle(random)), ry = rotation_z(angle(random));
        // Permute the axes of the second rotation so that it turns about x.
        Matrix4 p{};
        p(0, 2) = p(1, 0) = p(2, 1) = p(3, 3) = 1;
        Matrix4 pt{};
        pt(2, 0) = pt(0, 1) = pt(1, 2) = pt(3, 3) = 1;
        const Matrix4 a = matrix_multiply(
            matrix_multiply(matrix_multiply(s, rx), matrix_multiply(matrix_multiply(p, ry), pt)),
            matrix_translation(move(random), move(random), move(random)));
        Matrix4 inverse = a;
        matrix_inverse(inverse);
        // Float rounding grows with the size of the moves (up to 100) in the fourth row.
        for (const Matrix4& product : {matrix_multiply(a, inverse), matrix_multiply(inverse, a)})
            for (int i = 0; i < 16; ++i)
                EXPECT_NEAR(product.m[i], matrix_identity().m[i], i >= 12 ? 1e-4f : 1e-5f);
    }
}

TEST(MatrixInverse, SingularOrOverflowingMatricesAreLeftUnchanged)
{
    Matrix4 flat = matrix_identity();
    flat(2, 2) = 0.0f;  // a scale of zero along z
    Matrix4 m = flat;
    matrix_inverse(m);
    expect_near(m, flat, 0.0f);

    Matrix4 zero{};
    m = zero;
    matrix_inverse(m);
    expect_near(m, zero, 0.0f);

    Matrix4 tiny = matrix_identity();
    tiny(0, 0) = tiny(1, 1) = 1e-39f;  // the inverse would overflow floats
    m = tiny;
    matrix_inverse(m);
    expect_near(m, tiny, 0.0f);

    Matrix4 broken = matrix_identity();
    broken(1, 2) = std::nanf("");
    m = broken;
    matrix_inverse(m);
    for (int i = 0; i < 16; ++i) {
        if (std::isnan(broken.m[i]))
            EXPECT_TRUE(std::isnan(m.m[i])) << "entry " << i;
        else
            EXPECT_EQ(m.m[i], broken.m[i]) << "entry " << i;
    }
}

TEST(MatrixRotationPart, ColumnsBecomeUnitLengthAndTheMoveGoes)
{
    Matrix4 m = matrix_identity();
    m(0, 0) = 2;
    m(1, 1) = 3;
    m(2, 2) = 4;
    m(3, 0) = 7;
    m(3, 1) = 8;
    m(3, 2) = 9;
    m(0, 3) = 0.5f;
    matrix_rotation_part(m);
    expect_near(m, matrix_identity(), 0.0f);

    // Rotation followed by a non-uniform scale: each column keeps its direction.
    Matrix4 scale = matrix_identity();
    scale(0, 0) = 2;
    scale(1, 1) = 5;
    const Matrix4 r = rotation_z(30);
    Matrix4 rs = matrix_multiply(r, scale);
    const Matrix4 before = rs;
    matrix_rotation_part(rs);
    for (int c = 0; c < 3; ++c) {
        const float len = std::hypot(before(0, c), before(1, c), before(2, c));
        for (int row = 0; row < 3; ++row)
            EXPECT_NEAR(rs(row, c), before(row, c) / len, 1e-6f);
    }
}

TEST(MatrixRotationPart, ZeroColumnStaysZero)
{
    Matrix4 m = matrix_identity();
    m(1, 1) = 0.0f;
    m(0, 0) = 3.0f;
    matrix_rotation_part(m);
    EXPECT_EQ(m(0, 1), 0.0f);
    EXPECT_EQ(m(1, 1), 0.0f);
    EXPECT_EQ(m(2, 1), 0.0f);
    EXPECT_EQ(m(0, 0), 1.0f);
    for (float v : m.m)
        EXPECT_TRUE(std::isfinite(v));
}
