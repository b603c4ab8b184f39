// The sprite batch. Inside the render pass of a list or a scene, sprites are not drawn one by one:
// each is transformed on the CPU into a client-side vertex array, and every run of consecutive
// sprites that share a texture goes to OpenGL as one glDrawArrays. The picture and the draw order
// are those of drawing each sprite on its own. A sprite drawn outside any pass is a batch of one.
// The array grows to its high-water mark and is reused, so steady frames allocate nothing.
#pragma once

#include <cstddef>

#include "kelpforge/graphics/kf_vector2.h"

namespace Kelpforge::Graphics {

class Graphic;
class Sprite;

namespace kfImplementation {

// One render pass of a list or a scene, placed `translation` further than the pass around it.
// Passes nest; the outermost one draws whatever still waits when it ends. Lists keep their
// translation here, on the CPU, instead of on the GL matrix.
class SpriteBatchPass {
public:
  explicit SpriteBatchPass(Vector2 translation);
  ~SpriteBatchPass();
  SpriteBatchPass(const SpriteBatchPass&) = delete;
  SpriteBatchPass& operator=(const SpriteBatchPass&) = delete;

  // Renders `graphic` as part of this pass. A sprite or list joins the batch; any other graphic
  // first has the waiting sprites drawn, then draws with OpenGL itself at the pass's place on the
  // GL matrix, outside any pass, so what it draws lands in order.
  void Render(Graphic& graphic);

private:
  Vector2 enclosingTranslation;
};

// Adds the sprite's quad to the batch, or draws it at once when no pass is open.
void DrawSprite(const Sprite& sprite);

// How many glDrawArrays the batch has issued since the program started; lets tests see how
// sprites were grouped.
std::size_t SpriteBatchDrawCount();

}  // namespace kfImplementation

}  // namespace Kelpforge::Graphics
