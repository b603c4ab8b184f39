// Vector2: a pair of single-precision floats for positions, origins and scales, in pixels of the
// 2-D frame (origin top-left, y downward).
#pragma once

namespace Kelpforge::Graphics {

struct Vector2 {
  float x = 0.0f;
  float y = 0.0f;

  friend bool operator==(const Vector2&, const Vector2&) = default;
};

}  // namespace Kelpforge::Graphics
