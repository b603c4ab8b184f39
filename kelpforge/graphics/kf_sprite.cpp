// Sprite construction, origin presets and drawing. The OpenGL calls of Render are issued in a
// fixed order: bind, push, place, rotate, move the origin, scale, tint, strip, pop.
#include "kelpforge/graphics/kf_sprite.h"

#include "kelpforge/graphics/kf_opengl.h"
#include "kelpforge/graphics/kf_sprite_manager.h"
#include "kelpforge/graphics/kf_texture_manager.h"

namespace Kelpforge::Graphics {

Sprite::Sprite(const std::string& sheetName, const std::string& spriteName)
    : Sprite(GetSpriteFrame(sheetName, spriteName)) {}

Sprite::Sprite(const SpriteFrame& spriteFrame)
    : origin{spriteFrame.width * 0.5f, spriteFrame.height * 0.5f}, frame(spriteFrame) {}

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

void Sprite::Render() {
  // An invalid handle's record names texture 0, so such a frame draws untextured.
  glBindTexture(GL_TEXTURE_2D, GetTextureRecord(frame.texture).glTextureName);
  glPushMatrix();
  glTranslatef(position.x, position.y, 0.0f);
  glRotatef(rotation, 0.0f, 0.0f, 1.0f);
  glTranslatef(-(origin.x * scale.x), -(origin.y * scale.y), 0.0f);
  glScalef(scale.x, scale.y, 1.0f);
  glColor4f(color.red, color.green, color.blue, color.alpha);
  kfImplementation::DrawTexturedQuad(frame.width, frame.height, frame.uvMinX, frame.uvMinY,
                                     frame.uvMaxX, frame.uvMaxY);
  glPopMatrix();
}

}  // namespace Kelpforge::Graphics
