// Sprite construction, origin presets and drawing, which goes through the sprite batch.
#include "kelpforge/graphics/kf_sprite.h"

#include "kelpforge/graphics/implementation/kf_sprite_batch.h"
#include "kelpforge/graphics/kf_sprite_manager.h"

namespace Kelpforge::Graphics {

Sprite::Sprite(const std::string& sheetName, const std::string& spriteName)
    : Sprite(GetSpriteFrame(sheetName, spriteName)) {}

Sprite::Sprite(const SpriteFrame& spriteFrame)
    : origin{spriteFrame.width * 0.5f, spriteFrame.height * 0.5f}, frame(spriteFrame) {
  drawsThroughSpriteBatch = true;
}

void Sprite::SetOrigin(Anchor anchor) {
  const float w = frame.width;
  const float h = frame.height;
  switch (anchor) {
    case AnchorTopLeft: origin = {0.0f, 0.0f}; break;
    case AnchorTopCenter: origin = {w * 0.5f, 0.0f}; break;
    case AnchorTopRight: origin = {w, 0.0f}; break;
    case AnchorCenterLeft: origin = {0.0f, h * 0.5f}; break;
    case AnchorCenterRight: origin = {w, h * 0.5f}; break;
    case AnchorBottomLeft: origin = {0.0f, h}; break;
    case AnchorBottomCenter: origin = {w * 0.5f, h}; break;
    case AnchorBottomRight: origin = {w, h}; break;
    case AnchorCenter:
    default: origin = {w * 0.5f, h * 0.5f}; break;
  }
}

void Sprite::Render() { kfImplementation::DrawSprite(*this); }

}  // namespace Kelpforge::Graphics
