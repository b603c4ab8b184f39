// Text: a Graphic showing one line of UTF-8. The line is rasterized once, at construction, with a
// font from the font table into an alpha-only texture; drawing is one quad tinted by the colour,
// its top-left corner at `position`. The string never changes: to show another, make a new Text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "kelpforge/core/kf_noncopyable.h"
#include "kelpforge/graphics/kf_color.h"
#include "kelpforge/graphics/kf_graphic.h"

namespace Kelpforge::Graphics {

class Text : public Graphic, public Core::Noncopyable {
public:
  // Needs a current OpenGL context. `fontPath` names a TrueType file (read once per path for the
  // life of the process); "" is the built-in font, which also draws the text when the path gives
  // no usable font. `size` is the em size in pixels.
  Text(const std::string& text, const std::string& fontPath, float size);
  // Deletes the texture.
  ~Text() override;

  // Takes effect at the next Render.
  void SetColor(const Color& color);
  // The bitmap's width in pixels (0 when the text's record could not be allocated).
  std::int32_t GetWidth() const;

  // One bind and one four-vertex triangle strip; pushes and pops the matrix.
  void Render() override;

private:
  struct Data;
  std::unique_ptr<Data> data;
};

}  // namespace Kelpforge::Graphics
