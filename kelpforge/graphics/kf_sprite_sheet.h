// Sprite sheets: one texture with named rectangles on it (SpriteFrame), and the reader of the
// sprite sheet description file (an image path, then records of name, x, y, width, height).
#pragma once

#include <map>
#include <string>

#include "kelpforge/graphics/kf_texture_manager.h"

namespace Kelpforge::Graphics {

// One named rectangle of a texture with its texture coordinates; copied by value into each sprite.
struct SpriteFrame {
  float locationX = 0.0f;
  float locationY = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
  float uvMinX = 0.0f;
  float uvMinY = 0.0f;
  float uvMaxX = 0.0f;
  float uvMaxY = 0.0f;
  TextureHandle texture = InvalidTexture;

  friend bool operator==(const SpriteFrame&, const SpriteFrame&) = default;
};

class SpriteSheet {
public:
  // Makes the frame of that rectangle on the sheet's texture and stores it under `name`, replacing
  // a frame of that name. The rectangle is not validated. Without a texture, reports and adds
  // nothing.
  void AddSprite(const std::string& name, float locationX, float locationY, float width, float height);

  // The frame stored under `name` (exact, case-sensitive). A missing one is reported and a
  // zero-sized frame with InvalidTexture is given.
  SpriteFrame GetSpriteFrame(const std::string& name) const;

  // Null when there is no frame of that name; reports nothing.
  const SpriteFrame* FindSprite(const std::string& name) const;
  std::size_t SpriteCount() const { return sprites.size(); }

  TextureHandle texture = InvalidTexture;

private:
  std::map<std::string, SpriteFrame> sprites;
};

}  // namespace Kelpforge::Graphics
