// Text: the glyph work is done by the font code (kf_font); this unit uploads its bitmap and draws
// it. A text whose record could not be allocated has no texture and draws nothing.
#include "kelpforge/graphics/kf_text.h"

#include <new>

#include "kelpforge/core/kf_error.h"
#include "kelpforge/graphics/implementation/kf_font.h"
#include "kelpforge/graphics/implementation/kf_opengl.h"

namespace Kelpforge::Graphics {

struct Text::Data {
  std::uint32_t glTextureName = 0;
  std::int32_t width = 0;  // bitmap and quad, pixels
  std::int32_t height = 0;
  Color color = Color::White;
};

Text::Text(const std::string& text, const std::string& fontPath, float size)
    : data(new (std::nothrow) Data) {
  KF_REPORT_ERROR_IF(!data, "kfError: Failed to allocate memory for TextObject data.");
  if (!data) return;

  const kfImplementation::TextBitmap bitmap = kfImplementation::BuildTextBitmap(text.c_str(), fontPath, size);
  data->width = bitmap.width;
  data->height = bitmap.height;
  KF_REPORT_ERROR_IF(!bitmap.pixels, "kfError: Failed to create image for TextObject.");

  // Without a bitmap the texture still gets its size, with undefined contents.
  data->glTextureName = kfImplementation::GenerateBoundTexture();
  // Rows of the bitmap are `width` bytes long, not padded to four.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, data->width, data->height, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
               bitmap.pixels.get());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

Text::~Text() {
  if (!data) return;
  const GLuint name = data->glTextureName;
  glDeleteTextures(1, &name);
}

void Text::SetColor(const Color& color) {
  if (data) data->color = color;
}

std::int32_t Text::GetWidth() const { return data ? data->width : 0; }

void Text::Render() {
  if (!data) return;
  const auto width = static_cast<GLfloat>(data->width);
  const auto height = static_cast<GLfloat>(data->height);
  glBindTexture(GL_TEXTURE_2D, data->glTextureName);
  glPushMatrix();
  glTranslatef(position.x, position.y, 0.0f);
  glColor4f(data->color.red, data->color.green, data->color.blue, data->color.alpha);
  kfImplementation::DrawTexturedQuad(width, height, 0.0f, 0.0f, 1.0f, 1.0f);
  glPopMatrix();
}

}  // namespace Kelpforge::Graphics
