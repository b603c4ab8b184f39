// GraphicList: a Graphic holding an ordered list of other graphics (duplicates allowed), passing
// Update to the active ones and Render to the visible ones, drawn translated by the list's
// position. Its render pass batches consecutive sprites that share a texture (kf_sprite_batch.h).
// The list never owns, creates or destroys its children.
#pragma once

#include <list>

#include "kelpforge/graphics/kf_graphic.h"

namespace Kelpforge::Graphics {

class GraphicList : public Graphic {
public:
  GraphicList() { drawsThroughSpriteBatch = true; }
  ~GraphicList() override;

  // Appends `graphic` at the end; no check for null or for a pointer already present.
  void AddGraphic(Graphic* graphic);
  // Removes every entry equal to `graphic`, keeping the order of the rest.
  void RemoveGraphic(Graphic* graphic);

  // The entries, in order, for reading.
  const std::list<Graphic*>& Children() const { return children; }

  void Update(float deltaTime) override;
  // Draws the visible children translated by `position` and leaves the matrix as it found it.
  void Render() override;

protected:
  // Draws the visible children, in order, translated by `translation`.
  void RenderChildrenAt(Vector2 translation);

private:
  std::list<Graphic*> children;
};

}  // namespace Kelpforge::Graphics
