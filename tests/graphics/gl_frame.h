// Display-test helpers: a fixture that draws each test into a fresh 2-D frame of the test window
// (pixel projection, y down, texturing and blending on), the whole back buffer read back, and
// textures made from pixels written as PNG files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "kelpforge/graphics/implementation/kf_opengl.h"
#include "kelpforge/graphics/kf_sprite_sheet.h"
#include "kelpforge/graphics/kf_texture_manager.h"
#include "tests/graphics/graphics_test_files.h"
#include "tests/support/gl_test_window.h"

namespace KelpforgeTests::Graphics {

class GlFrameTest : public testing::Test {
protected:
  void SetUp() override { GlTestWindow::BeginFrame(); }
  void TearDown() override {
    GlTestWindow::EndFrame();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
};

// Pixels from left to right (exclusive) and from top to bottom (exclusive), y counted downward.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
  }
};

class Screen {
public:
  // Reads the whole back buffer.
  Screen() : rgba(static_cast<std::size_t>(kWidth) * kHeight * 4) {
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  }

  Pixel At(int x, int y) const {
    const std::size_t index = (static_cast<std::size_t>(kHeight - 1 - y) * kWidth + x) * 4;
    return Pixel{rgba[index], rgba[index + 1], rgba[index + 2], rgba[index + 3]};
  }

  // The bounding box of every pixel with some colour (the frame is cleared to black).
  Rect LitBounds() const {
    Rect bounds{kWidth, kHeight, 0, 0};
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        if (IsBlack(x, y)) continue;
        bounds.left = std::min(bounds.left, x);
        bounds.top = std::min(bounds.top, y);
        bounds.right = std::max(bounds.right, x + 1);
        bounds.bottom = std::max(bounds.bottom, y + 1);
      }
    }
    return bounds.right == 0 ? Rect{} : bounds;
  }

  // Untouched by drawing: the frame is cleared to black (the window has no alpha channel, so
  // alpha is not compared).
  bool IsBlack(int x, int y) const {
    const Pixel p = At(x, y);
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
  }

  // How many pixels of `area` do not have the colour `rgb` (alpha is not compared).
  int CountDiffering(const Rect& area, const Pixel& rgb) const {
    int differing = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const Pixel p = At(x, y);
        if (p[0] != rgb[0] || p[1] != rgb[1] || p[2] != rgb[2]) ++differing;
      }
    }
    return differing;
  }

  static constexpr int kWidth = GlTestWindow::kWidth;
  static constexpr int kHeight = GlTestWindow::kHeight;

private:
  std::vector<std::uint8_t> rgba;
};

inline const Pixel kWhite{255, 255, 255, 255};

// A texture of `width` x `height` pixels, each given by `pixelAt(x, y)` as RGBA, loaded from a
// PNG file through LoadTextureFromFile.
template <typename PixelAt>
Kelpforge::Graphics::TextureHandle MakeTexture(const std::string& name, int width, int height, PixelAt pixelAt) {
  std::vector<unsigned char> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Pixel p = pixelAt(x, y);
      pixels.insert(pixels.end(), p.begin(), p.end());
    }
  }
  return Kelpforge::Graphics::LoadTextureFromFile(WritePng(name, width, height, 4, pixels));
}

// A frame showing the whole texture.
inline Kelpforge::Graphics::SpriteFrame WholeTexture(Kelpforge::Graphics::TextureHandle texture) {
  const Kelpforge::Graphics::TextureRecord& record = Kelpforge::Graphics::GetTextureRecord(texture);
  Kelpforge::Graphics::SpriteFrame frame;
  frame.width = static_cast<float>(record.width);
  frame.height = static_cast<float>(record.height);
  frame.uvMaxX = 1.0f;
  frame.uvMaxY = 1.0f;
  frame.texture = texture;
  return frame;
}

// A frame showing a new opaque white texture of that size.
inline Kelpforge::Graphics::SpriteFrame WhiteFrame(int width, int height) {
  return WholeTexture(MakeTexture("white_" + std::to_string(width) + "x" + std::to_string(height) + ".png",
                                  width, height, [](int, int) { return kWhite; }));
}

}  // namespace KelpforgeTests::Graphics
