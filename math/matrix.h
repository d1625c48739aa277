#pragma once
// 4x4 matrices of single floats, stored row by row (m[4 * r + c]) and used with row vectors:
// a point p becomes (p.x, p.y, p.z, 1) x M, the translation lies in the fourth row, and a product
// A x B applies A first, then B.

struct Matrix4 {
    float m[16];

    float& operator()(int row, int column) { return m[4 * row + column]; }
    float operator()(int row, int column) const { return m[4 * row + column]; }
};

Matrix4 matrix_identity();
// T(x, y, z): the identity with (x, y, z) in the fourth row.
Matrix4 matrix_translation(float x, float y, float z);
// a x b (a acts first).
Matrix4 matrix_multiply(const Matrix4& a, const Matrix4& b);
// (x, y, z, 1) x m, all four components.
void matrix_transform_point(const Matrix4& m, const float in[3], float out[4]);
// (x, y, z) x m with w = 1, the first three components only.
void matrix_transform_point3(const Matrix4& m, const float in[3], float out[3]);
// (x, y, z, 0) x m, the first three components (directions, normals).
void matrix_transform_direction(const Matrix4& m, const float in[3], float out[3]);

// Replaces the matrix by its inverse: Gauss-Jordan elimination by column operations.
void matrix_inverse(Matrix4& matrix);
// Replaces the matrix by its rotation part: translation and fourth column cleared, the upper 3x3
// columns scaled to unit length.
void matrix_rotation_part(Matrix4& matrix);
