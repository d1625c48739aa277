#pragma once
// Quaternions (scalar first), with the operations the rotation tracks are built from.

struct Quaternion {
    float w, x, y, z;
};

Quaternion quat_mul(const Quaternion& a, const Quaternion& b);
float quat_dot(const Quaternion& a, const Quaternion& b);
// ka a + kb b, component by component.
Quaternion quat_weighted_sum(float ka, const Quaternion& a, float kb, const Quaternion& b);
Quaternion quat_inverse(const Quaternion& a);
void quat_conj_unit(Quaternion& a);
Quaternion quat_log_axis(const Quaternion& a);
Quaternion quat_ln_dif(const Quaternion& a, const Quaternion& b);
Quaternion quat_exp(const Quaternion& a);
Quaternion quat_slerp(const Quaternion& a, const Quaternion& b, float t, float spin);
