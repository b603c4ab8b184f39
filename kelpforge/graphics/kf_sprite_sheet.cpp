// SpriteSheet's frames and the sprite sheet description reader. The reader touches neither files
// nor OpenGL, so it can be driven from memory.
#include "kelpforge/graphics/kf_sprite_sheet.h"

#include "kelpforge/core/kf_error.h"

namespace Kelpforge::Graphics {

void SpriteSheet::AddSprite(const std::string& name, float locationX, float locationY, float width,
                            float height) {
  const bool hasTexture = texture != InvalidTexture;
  KF_REPORT_ERROR_IF(!hasTexture, "Cannot create sprite %s without a texture first.", name.c_str());
  if (!hasTexture) return;

  const TextureRecord& record = GetTextureRecord(texture);
  const auto textureWidth = static_cast<float>(record.width);
  const auto textureHeight = static_cast<float>(record.height);
  SpriteFrame frame;
  frame.locationX = locationX;
  frame.locationY = locationY;
  frame.width = width;
  frame.height = height;
  frame.uvMinX = locationX / textureWidth;
  frame.uvMinY = locationY / textureHeight;
  frame.uvMaxX = (locationX + width) / textureWidth;
  frame.uvMaxY = (locationY + height) / textureHeight;
  frame.texture = texture;
  sprites.insert_or_assign(name, frame);
}

SpriteFrame SpriteSheet::GetSpriteFrame(const std::string& name) const {
  const SpriteFrame* frame = FindSprite(name);
  KF_REPORT_ERROR_IF(frame == nullptr, "Sprite with name %s does not exist.", name.c_str());
  return frame != nullptr ? *frame : SpriteFrame{};
}

const SpriteFrame* SpriteSheet::FindSprite(const std::string& name) const {
  const auto found = sprites.find(name);
  return found != sprites.end() ? &found->second : nullptr;
}

namespace kfImplementation {

SpriteSheetDescription ReadSpriteSheetDescription(std::istream& input) {
  SpriteSheetDescription description;
  input >> description.imagePath;
  SpriteRecord record;
  while (input >> record.name >> record.x >> record.y >> record.width >> record.height) {
    description.records.push_back(record);
  }
  return description;
}

}  // namespace kfImplementation

SpriteFrame kfImplementation::WholeTextureFrame(TextureHandle texture, float width, float height) {
  SpriteFrame frame;
  frame.locationX = 0.0f;
  frame.locationY = 0.0f;
  frame.width = width;
  frame.height = height;
  frame.uvMinX = 0.0f;
  frame.uvMinY = 0.0f;
  frame.uvMaxX = 1.0f;
  frame.uvMaxY = 1.0f;
  frame.texture = texture;
  return frame;
}

}  // namespace Kelpforge::Graphics
