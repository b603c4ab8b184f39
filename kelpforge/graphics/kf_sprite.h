// Sprite: a Graphic that draws one SpriteFrame as a single textured quad, tinted by `color`,
// scaled and rotated about `origin`, which is placed at `position`. It keeps its own copy of the
// frame and owns nothing; the texture belongs to the texture table.
#pragma once

#include <string>

#include "kelpforge/graphics/kf_color.h"
#include "kelpforge/graphics/kf_graphic.h"
#include "kelpforge/graphics/kf_sprite_sheet.h"
#include "kelpforge/graphics/kf_vector2.h"

namespace Kelpforge::Graphics {

// Origin presets for Sprite::SetOrigin; any other value centres the origin.
enum Anchor : int {
  AnchorCenter = 0,
  AnchorTopLeft = 1,
  AnchorTopCenter = 2,
  AnchorTopRight = 3,
  AnchorCenterLeft = 4,
  AnchorCenterRight = 5,
  AnchorBottomLeft = 6,
  AnchorBottomCenter = 7,
  AnchorBottomRight = 8,
};

class Sprite : public Graphic {
public:
  // Asks the sprite manager for the frame; a missing sheet or sprite is reported there and gives
  // a zero-sized frame, drawn as nothing.
  Sprite(const std::string& sheetName, const std::string& spriteName);
  explicit Sprite(const SpriteFrame& frame);

  // Sets `origin` from the preset, in pixels of the sprite's own frame.
  void SetOrigin(Anchor anchor);

  const SpriteFrame& GetFrame() const { return frame; }

  // Places the frame's quad at the current matrix as translate(position), rotate(rotation),
  // translate(-origin x scale), scale(scale) would, tinted by `color`. Inside a list's pass the
  // quad joins the sprite batch; otherwise it is drawn at once. Leaves the matrix untouched and
  // the texture bound once drawn. Allocates nothing once the batch has grown.
  void Render() override;

  // The point of the frame, in frame pixels from its top-left corner, placed at `position`.
  Vector2 origin;
  Vector2 scale{1.0f, 1.0f};
  // Degrees, clockwise on screen (y points down).
  float rotation = 0.0f;

private:
  SpriteFrame frame;

public:
  // Multiplies the texture colour; its alpha blends the sprite. Declared after the frame to keep
  // the fields in the order origin, scale, rotation, frame, color.
  Color color;
};

}  // namespace Kelpforge::Graphics
