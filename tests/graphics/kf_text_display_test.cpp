// Text drawn in a real GL context: the quad shows the font side's bitmap upright with its top-left
// corner at the position, tinted by the colour; the texture lives as long as the Text; fonts come
// from the font table (once per path, the built-in font for paths without a usable font).
#include "kelpforge/graphics/kf_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "kelpforge/graphics/implementation/kf_font.h"
#include "tests/graphics/font_test_files.h"
#include "tests/graphics/gl_frame.h"

namespace {

namespace kf = Kelpforge::Graphics::kfImplementation;
using Kelpforge::Graphics::Color;
using Kelpforge::Graphics::Text;
using KelpforgeTests::GlTestWindow;
using KelpforgeTests::Graphics::ExpectedReport;
using KelpforgeTests::Graphics::GameFontPath;
using KelpforgeTests::Graphics::GlFrameTest;
using KelpforgeTests::Graphics::Rect;
using KelpforgeTests::Graphics::ScratchFolder;
using KelpforgeTests::Graphics::Screen;

class TextDrawing : public GlFrameTest {};

// Pixels of `area` whose red channel differs from `expected(x, y)` (relative to the area's
// corner) by more than one step.
template <typename Expected>
int CountMismatches(const Screen& screen, const Rect& area, Expected expected) {
  int mismatches = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      mismatches += std::abs(screen.At(x, y)[0] - expected(x - area.left, y - area.top)) > 1;
    }
  }
  return mismatches;
}

TEST_F(TextDrawing, ShowsItsBitmapUprightWithTheTopLeftAtItsPosition) {
  Text text("Score: 0", GameFontPath(), 42.0f);
  text.position = {100.0f, 200.0f};
  text.Render();
  const Screen screen;

  const kf::TextBitmap bitmap = kf::BuildTextBitmap("Score: 0", GameFontPath(), 42.0f);
  ASSERT_EQ(text.GetWidth(), bitmap.width);
  ASSERT_TRUE(bitmap.pixels);
  const Rect area{100, 200, 100 + bitmap.width, 200 + bitmap.height};
  // White at full alpha over black: each channel shows the coverage.
  EXPECT_EQ(CountMismatches(screen, area, [&](int x, int y) { return bitmap.pixels[y * bitmap.width + x]; }), 0);
  const Rect lit = screen.LitBounds();
  EXPECT_GE(lit.left, area.left);
  EXPECT_GE(lit.top, area.top);
  EXPECT_LE(lit.right, area.right);
  EXPECT_LE(lit.bottom, area.bottom);
}

TEST_F(TextDrawing, HalfAlphaWhiteDrawsWhiteAtAlpha128Of255) {
  Text text("I", "", 120.0f);
  text.SetColor(Color(0x80FFFFFFu));
  text.position = {10.0f, 10.0f};
  text.Render();
  const Screen screen;

  const kf::TextBitmap bitmap = kf::BuildTextBitmap("I", "", 120.0f);
  int solid = 0;
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = 0; x < bitmap.width; ++x) {
      if (bitmap.pixels[y * bitmap.width + x] != 255) continue;
      ++solid;
      const KelpforgeTests::Pixel pixel = screen.At(10 + x, 10 + y);
      ASSERT_EQ(pixel[0], 128);
      ASSERT_EQ(pixel[1], 128);
      ASSERT_EQ(pixel[2], 128);
    }
  }
  EXPECT_GT(solid, 100);
}

TEST_F(TextDrawing, TheDestructorDeletesTheTexture) {
  GLint name = 0;
  {
    Text text("x", "", 25.0f);
    text.Render();
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    ASSERT_NE(name, 0);
    EXPECT_TRUE(glIsTexture(static_cast<GLuint>(name)));
  }
  EXPECT_FALSE(glIsTexture(static_cast<GLuint>(name)));
}

TEST_F(TextDrawing, TextsWhosePathHasNoFontDrawWithTheBuiltInFont) {
  const std::string path = (ScratchFolder() / "no_such_font.ttf").string();
  Text first("Hi", path, 30.0f);
  Text second("Hi", path, 30.0f);
  Text builtIn("Hi", "", 30.0f);
  EXPECT_TRUE(kf::HasFontEntry(path));
  EXPECT_EQ(kf::GetFont(path), nullptr);
  ASSERT_EQ(first.GetWidth(), builtIn.GetWidth());
  ASSERT_EQ(second.GetWidth(), builtIn.GetWidth());

  builtIn.position = {0.0f, 0.0f};
  first.position = {0.0f, 100.0f};
  second.position = {0.0f, 200.0f};
  for (Text* text : {&builtIn, &first, &second}) text->Render();
  const Screen screen;
  const int width = builtIn.GetWidth();
  const int height = kf::TextHeight(*kf::GetFont(""));
  const auto reference = [&](int x, int y) { return screen.At(x, y)[0]; };
  EXPECT_GT(screen.CountDiffering({0, 0, width, height}, {0, 0, 0, 255}), 0);
  EXPECT_EQ(CountMismatches(screen, {0, 100, width, 100 + height}, reference), 0);
  EXPECT_EQ(CountMismatches(screen, {0, 200, width, 200 + height}, reference), 0);
}

TEST_F(TextDrawing, OneFileServesTwoSizes) {
  const std::string path = (ScratchFolder() / "two_sizes.ttf").string();
  std::filesystem::copy_file(GameFontPath(), path);
  Text small("Score: 10", path, 20.0f);
  std::filesystem::remove(path);  // the second text must not need the file again
  Text large("Score: 10", path, 40.0f);
  EXPECT_EQ(small.GetWidth(), kf::BuildTextBitmap("Score: 10", GameFontPath(), 20.0f).width);
  EXPECT_EQ(large.GetWidth(), kf::BuildTextBitmap("Score: 10", GameFontPath(), 40.0f).width);
  EXPECT_NE(large.GetWidth(), kf::BuildTextBitmap("Score: 10", "", 40.0f).width);
}

TEST_F(TextDrawing, AnImageThatCannotBeMadeIsReportedAndTheTextGoesOn) {
  const std::string message = "kfError: Failed to create image for TextObject.";
  KelpforgeTests::ReportCapture capture;
  testing::internal::CaptureStdout();
  {
    Text huge("WWWW", "", 100000.0f);  // far beyond the largest text bitmap
    EXPECT_GT(static_cast<std::int64_t>(huge.GetWidth()) * 100000, kf::kMaxTextBitmapBytes);
    huge.Render();
  }
  const std::string printed = testing::internal::GetCapturedStdout();
  // The texture was asked for at the text's size, which OpenGL refuses; that is not examined.
  while (glGetError() != GL_NO_ERROR) {
  }
  EXPECT_EQ(capture.messages, std::vector<std::string>{message});
  EXPECT_EQ(printed, ExpectedReport("kelpforge/graphics/kf_text.cpp", "Failed to create image", message));
}

TEST(TextFonts, TheBuiltInFontExistsAfterAnyText) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, without a font table yet
  EXPECT_EXIT(
      {
        GlTestWindow::Open();
        const bool before = kf::HasFontEntry("");
        { Text text("0", GameFontPath(), 42.0f); }
        std::exit(!before && kf::HasFontEntry("") && kf::GetFont("") != nullptr ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
