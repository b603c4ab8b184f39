// The sprite batch: one process-wide vertex array, the open passes and their translation. The CPU
// transform repeats, in single precision and in the same order, the steps OpenGL's fixed-function
// matrices take for a sprite, so the quads land where drawing each sprite on its own put them.
#include "kelpforge/graphics/implementation/kf_sprite_batch.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "kelpforge/graphics/implementation/kf_opengl.h"
#include "kelpforge/graphics/kf_sprite.h"
#include "kelpforge/graphics/kf_texture_manager.h"

namespace Kelpforge::Graphics::kfImplementation {

namespace {

struct BatchVertex {
  GLfloat x, y;
  GLfloat s, t;
  GLfloat red, green, blue, alpha;
};

// Each quad is the two triangles a four-vertex strip makes, in the strip's own vertex order.
constexpr std::size_t kVerticesPerQuad = 6;
constexpr std::size_t kFirstCapacity = kVerticesPerQuad * 256;

// Batch key: the GL texture name. Everything else a sprite sets (place, turn, scale, tint) goes
// into its vertices, and sprites change no other render state, so sprites with the same texture
// can share one draw.
struct SpriteBatch {
  std::vector<BatchVertex> vertices;  // its size is the high-water mark, never shrunk
  std::size_t vertexCount = 0;
  GLuint texture = 0;
  int openPasses = 0;
  Vector2 translation;  // of the innermost open pass, from where the outermost one started
  std::size_t draws = 0;
};

SpriteBatch theBatch;

// The 2-D part of the model-view matrix OpenGL builds for a sprite: a frame point (x, y) lands at
// (xx x + yx y + tx, xy x + yy y + ty).
struct Placement {
  float xx, xy, yx, yy, tx, ty;
};

// translate(position), rotate(rotation), translate(-origin x scale), scale(scale), on top of the
// pass's translation, with OpenGL's operations: a rotation of 0 is skipped, and the angle's sine
// and cosine are taken in double precision and rounded to float.
Placement PlaceSprite(const Sprite& sprite, Vector2 translation) {
  float c = 1.0f;
  float s = 0.0f;
  if (sprite.rotation != 0.0f) {
    const double radians = static_cast<double>(sprite.rotation) * std::numbers::pi / 180.0;
    c = static_cast<float>(std::cos(radians));
    s = static_cast<float>(std::sin(radians));
  }
  const float tx = sprite.position.x + translation.x;
  const float ty = sprite.position.y + translation.y;
  const float dx = -(sprite.origin.x * sprite.scale.x);
  const float dy = -(sprite.origin.y * sprite.scale.y);
  return Placement{c * sprite.scale.x,      s * sprite.scale.x,      -s * sprite.scale.y, c * sprite.scale.y,
                   (c * dx + -s * dy) + tx, (s * dx + c * dy) + ty};
}

BatchVertex Corner(const Placement& m, float x, float y, float s, float t, const Color& color) {
  return BatchVertex{(m.xx * x + m.yx * y) + m.tx, (m.xy * x + m.yy * y) + m.ty, s, t,
                     color.red, color.green, color.blue, color.alpha};
}

void AppendQuad(const Sprite& sprite) {
  if (theBatch.vertexCount + kVerticesPerQuad > theBatch.vertices.size()) {
    theBatch.vertices.resize(std::max(theBatch.vertices.size() * 2, kFirstCapacity));
  }
  const SpriteFrame& frame = sprite.GetFrame();
  const Placement m = PlaceSprite(sprite, theBatch.translation);
  // The strip's corners: bottom-left, top-left, bottom-right, top-right; the texture's top row
  // (uvMinY) at y = 0, so images stand upright in the y-down frame.
  const BatchVertex bottomLeft = Corner(m, 0.0f, frame.height, frame.uvMinX, frame.uvMaxY, sprite.color);
  const BatchVertex topLeft = Corner(m, 0.0f, 0.0f, frame.uvMinX, frame.uvMinY, sprite.color);
  const BatchVertex bottomRight = Corner(m, frame.width, frame.height, frame.uvMaxX, frame.uvMaxY, sprite.color);
  const BatchVertex topRight = Corner(m, frame.width, 0.0f, frame.uvMaxX, frame.uvMinY, sprite.color);
  BatchVertex* out = theBatch.vertices.data() + theBatch.vertexCount;
  out[0] = bottomLeft;
  out[1] = topLeft;
  out[2] = bottomRight;
  out[3] = bottomRight;
  out[4] = topLeft;
  out[5] = topRight;
  theBatch.vertexCount += kVerticesPerQuad;
}

// Draws the sprites that wait in the batch, if any.
void FlushSpriteBatch() {
  if (theBatch.vertexCount == 0) {
    return;
  }
  const BatchVertex* first = theBatch.vertices.data();
  glBindTexture(GL_TEXTURE_2D, theBatch.texture);
  // The caller's own arrays and their switches come back afterwards.
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(2, GL_FLOAT, sizeof(BatchVertex), &first->x);
  glTexCoordPointer(2, GL_FLOAT, sizeof(BatchVertex), &first->s);
  glColorPointer(4, GL_FLOAT, sizeof(BatchVertex), &first->red);
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(theBatch.vertexCount));
  glPopClientAttrib();
  theBatch.vertexCount = 0;
  ++theBatch.draws;
}

}  // namespace

SpriteBatchPass::SpriteBatchPass(Vector2 translation) : enclosingTranslation(theBatch.translation) {
  theBatch.translation = {enclosingTranslation.x + translation.x, enclosingTranslation.y + translation.y};
  ++theBatch.openPasses;
}

SpriteBatchPass::~SpriteBatchPass() {
  // Restored, not translated back: a child that moved its list cannot shift what follows.
  theBatch.translation = enclosingTranslation;
  if (--theBatch.openPasses == 0) {
    FlushSpriteBatch();
  }
}

void SpriteBatchPass::Render(Graphic& graphic) {
  if (graphic.DrawsThroughSpriteBatch()) {
    graphic.Render();
    return;
  }
  // A graphic that draws itself comes after what waits, at the pass's place on the GL matrix and
  // with no pass open, so sprites and lists it draws reach the screen before it goes on.
  FlushSpriteBatch();
  const int openPasses = theBatch.openPasses;
  const Vector2 translation = theBatch.translation;
  theBatch.openPasses = 0;
  theBatch.translation = {};
  glPushMatrix();
  glTranslatef(translation.x, translation.y, 0.0f);
  graphic.Render();
  glPopMatrix();
  theBatch.openPasses = openPasses;
  theBatch.translation = translation;
}

void DrawSprite(const Sprite& sprite) {
  // An invalid handle's record names texture 0, so such a frame draws untextured.
  const GLuint texture = GetTextureRecord(sprite.GetFrame().texture).glTextureName;
  if (theBatch.vertexCount > 0 && texture != theBatch.texture) {
    FlushSpriteBatch();
  }
  theBatch.texture = texture;
  AppendQuad(sprite);
  if (theBatch.openPasses == 0) {
    FlushSpriteBatch();
  }
}

std::size_t SpriteBatchDrawCount() {
  return theBatch.draws;
}

}  // namespace Kelpforge::Graphics::kfImplementation
