#include "kaleidra/render/matrix.h"

#include <cmath>

namespace kdr::render {

Matrix Matrix::identity() {
    Matrix m;
    m.m_values = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    return m;
}

void Matrix::multiply(const std::array<float, 16>& right) {
    std::array<float, 16> result{};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += m_values[k * 4 + row] * right[column * 4 + k];
            }
            result[column * 4 + row] = sum;
        }
    }
    m_values = result;
}

void Matrix::translate(float x, float y, float z) {
    multiply({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1});
}

void Matrix::rotate(float degrees, float x, float y, float z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0) {
        return;
    }
    x /= length;
    y /= length;
    z /= length;
    const float radians = degrees * 3.14159265358979323846f / 180.0f;
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    const float t = 1 - c;
    multiply({x * x * t + c, y * x * t + z * s, x * z * t - y * s, 0,  //
              x * y * t - z * s, y * y * t + c, y * z * t + x * s, 0,  //
              x * z * t + y * s, y * z * t - x * s, z * z * t + c, 0,  //
              0, 0, 0, 1});
}

void Matrix::scale(float x, float y, float z) {
    multiply({x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1});
}

Vector3 Matrix::transform_point(const Vector3& p) const {
    const auto& m = m_values;
    return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12],
            m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
            m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

}  // namespace kdr::render
