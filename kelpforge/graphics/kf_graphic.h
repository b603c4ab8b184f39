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
  // Draws with OpenGL at the current matrix, which it must leave as it found it.
  virtual void Render();

  // Pixels of the 2-D frame, or relative to the holding list's position for a list's child.
  Vector2 position;
  bool isActive = true;
  bool isVisible = true;
  // Placing a child outside its list's coordinates is not supported: a list reports such a child.
  bool isRelativeToParent = true;

  bool DrawsThroughSpriteBatch() const { return drawsThroughSpriteBatch; }

protected:
  // True for graphics that draw only through the sprite batch (sprites and lists), which a list
  // draws as part of its batched pass. Any other graphic ends the batch and then draws with
  // OpenGL itself. A class derived from Sprite or GraphicList whose Render issues OpenGL calls of
  // its own sets it back to false.
  bool drawsThroughSpriteBatch = false;
};

}  // namespace Kelpforge::Graphics
