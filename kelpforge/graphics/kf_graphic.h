// Graphic: the base class of everything that can be drawn. A plain Graphic does nothing; lists and
// scenes pass Update only to active graphics and Render only to visible ones.
#pragma once

#include "kelpforge/graphics/kf_vector2.h"

namespace Kelpforge::Graphics {

class Graphic {
public:
  Graphic() = default;
  virtual ~Graphic();

  // Advances by `deltaTime` seconds; the base does nothing.
  virtual void Update(float deltaTime);
  // Draws with OpenGL immediate mode at the current matrix, which it must leave as it found it.
  virtual void Render();

  // Pixels of the 2-D frame, or relative to the holding list's position for a list's child.
  Vector2 position;
  bool isActive = true;
  bool isVisible = true;
  // Placing a child outside its list's coordinates is not supported: a list reports such a child.
  bool isRelativeToParent = true;
};

}  // namespace Kelpforge::Graphics
