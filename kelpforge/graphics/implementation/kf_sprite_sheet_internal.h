// The reader of the sprite sheet description file, and the frame of a whole texture.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "kelpforge/graphics/kf_sprite_sheet.h"

namespace Kelpforge::Graphics::kfImplementation {

// A frame showing the whole of a width x height texture (coordinates 0..1).
SpriteFrame WholeTextureFrame(TextureHandle texture, float width, float height);

struct SpriteRecord {
  std::string name;
  float x = 0.0f;
  float y = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
};

struct SpriteSheetDescription {
  bool isReadable = true;  // false when the image path is longer than Core::kMaxSpriteSheetTokenBytes
  std::string imagePath;
  std::vector<SpriteRecord> records;
};

// Reads whitespace-separated tokens as stream extraction does: the image path, then records in
// file order. Reading stops at the end or at the first record that cannot be read in full (the
// end inside it, a token that is not a number where a number belongs, or a token longer than
// Core::kMaxSpriteSheetTokenBytes); that record is dropped, the ones before it kept.
SpriteSheetDescription ReadSpriteSheetDescription(std::string_view text);

}  // namespace Kelpforge::Graphics::kfImplementation
