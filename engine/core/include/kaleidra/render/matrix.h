#pragma once
// A 4 x 4 matrix stored column by column, as OpenGL stores it, with the
// operations of the fixed-function pipeline (translate, rotate, scale
// multiply on the right). The drawing core uses it for the transforms it
// needs on the CPU: shadows projected onto the plane and positions along a
// path in layout previews.

#include <array>

namespace kdr::render {

struct Vector3 {
    float x = 0;
    float y = 0;
    float z = 0;
};

class Matrix {
  public:
    static Matrix identity();

    // this = this x T, as glTranslatef, glRotatef (degrees about an axis of
    // unit length) and glScalef do to the current matrix.
    void translate(float x, float y, float z);
    void rotate(float degrees, float x, float y, float z);
    void scale(float x, float y, float z);

    Vector3 transform_point(const Vector3& point) const;
    const float* data() const { return m_values.data(); }
    float at(int row, int column) const { return m_values[column * 4 + row]; }

  private:
    void multiply(const std::array<float, 16>& right);
    std::array<float, 16> m_values{};
};

}  // namespace kdr::render
