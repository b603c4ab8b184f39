// Sprites drawn into the test window and read back: placement, scale, anchors, rotation, tint and
// blending, the vertices handed to OpenGL, and drawing without allocating.
#include "kelpforge/graphics/kf_sprite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "kelpforge/graphics/kf_sprite_manager.h"
#include "tests/graphics/gl_frame.h"
#include "tests/support/allocation_counter.h"

namespace {

using Kelpforge::Graphics::Anchor;
using Kelpforge::Graphics::AnchorTopLeft;
using Kelpforge::Graphics::Color;
using Kelpforge::Graphics::GetTextureRecord;
using Kelpforge::Graphics::Sprite;
using Kelpforge::Graphics::SpriteFrame;
using KelpforgeTests::Pixel;
using KelpforgeTests::Graphics::GlFrameTest;
using KelpforgeTests::Graphics::kWhite;
using KelpforgeTests::Graphics::MakeTexture;
using KelpforgeTests::Graphics::Rect;
using KelpforgeTests::Graphics::Screen;
using KelpforgeTests::Graphics::WhiteFrame;
using KelpforgeTests::Graphics::WholeTexture;

using SpriteDrawing = GlFrameTest;

// A 64 x 32 texture whose top half is red and bottom half blue, to see which way a sprite turned.
SpriteFrame RedOverBlueFrame() {
  return WholeTexture(MakeTexture("red_over_blue.png", 64, 32, [](int, int y) {
    return y < 16 ? Pixel{255, 0, 0, 255} : Pixel{0, 0, 255, 255};
  }));
}

TEST_F(SpriteDrawing, AFreshSpriteIsCentredOnItsPosition) {
  Sprite sprite(WhiteFrame(64, 32));
  sprite.position = {100, 50};
  sprite.Render();
  const Screen screen;
  EXPECT_EQ(screen.LitBounds(), (Rect{68, 34, 132, 66}));
  EXPECT_EQ(screen.CountDiffering({68, 34, 132, 66}, kWhite), 0);
}

TEST_F(SpriteDrawing, ScalingKeepsTheOriginFixed) {
  Sprite sprite(WhiteFrame(64, 64));
  sprite.position = {32, 360};
  sprite.scale = {0.25f, 1.0f};
  sprite.Render();
  const Screen screen;
  EXPECT_EQ(screen.LitBounds(), (Rect{24, 328, 40, 392}));
  EXPECT_EQ(screen.CountDiffering({24, 328, 40, 392}, kWhite), 0);
}

TEST_F(SpriteDrawing, TopLeftAnchorPutsTheCornerAtThePositionAndUnknownAnchorsCentre) {
  const SpriteFrame frame = WhiteFrame(64, 64);
  Sprite sprite(frame);
  sprite.position = {32, 360};
  sprite.scale = {0.25f, 1.0f};
  sprite.SetOrigin(AnchorTopLeft);
  sprite.Render();
  EXPECT_EQ(Screen().LitBounds(), (Rect{32, 360, 48, 424}));

  for (int value : {9, -1}) {
    glClear(GL_COLOR_BUFFER_BIT);
    sprite.SetOrigin(AnchorTopLeft);
    sprite.SetOrigin(static_cast<Anchor>(value));
    sprite.Render();
    EXPECT_EQ(Screen().LitBounds(), (Rect{24, 328, 40, 392})) << "anchor " << value;
  }
}

TEST_F(SpriteDrawing, RotationTurnsClockwiseAboutTheOrigin) {
  Sprite sprite(RedOverBlueFrame());
  sprite.position = {100, 50};
  sprite.rotation = 90;
  sprite.Render();
  {
    // About the centre: 32 wide and 64 tall around (100, 50), the top (red) now on the right.
    const Screen screen;
    EXPECT_EQ(screen.LitBounds(), (Rect{84, 18, 116, 82}));
    EXPECT_EQ(screen.CountDiffering({102, 18, 116, 82}, Pixel{255, 0, 0, 255}), 0);
    EXPECT_EQ(screen.CountDiffering({84, 18, 98, 82}, Pixel{0, 0, 255, 255}), 0);
  }

  glClear(GL_COLOR_BUFFER_BIT);
  sprite.SetOrigin(AnchorTopLeft);
  sprite.Render();
  {
    // About the top-left corner, which stays at (100, 50); the sprite swings to its left.
    const Screen screen;
    EXPECT_EQ(screen.LitBounds(), (Rect{68, 50, 100, 114}));
    EXPECT_EQ(screen.CountDiffering({86, 50, 100, 114}, Pixel{255, 0, 0, 255}), 0);
    EXPECT_EQ(screen.CountDiffering({68, 50, 82, 114}, Pixel{0, 0, 255, 255}), 0);
  }
}

TEST_F(SpriteDrawing, HalfAlphaBlendsHalfOverWhatIsBelow) {
  const SpriteFrame white = WhiteFrame(64, 32);
  Sprite background(white);
  background.position = {100, 50};
  background.color = Color::Blue;
  background.Render();

  Sprite sprite(white);
  sprite.position = {100, 50};
  sprite.color.SetColor(0.5f, 1.0f, 1.0f, 1.0f);
  sprite.Render();
  const Screen screen;
  const Pixel blended = screen.At(100, 50);
  // 0.5 x 255 = 127.5: the blender may round either way.
  EXPECT_GE(blended[0], 127);
  EXPECT_LE(blended[0], 128);
  EXPECT_EQ(blended[1], blended[0]);
  EXPECT_EQ(blended[2], 255);
  EXPECT_EQ(screen.CountDiffering({68, 34, 132, 66}, blended), 0);
}

TEST_F(SpriteDrawing, BlackDrawsBlackWithTheTexturesOwnAlpha) {
  Sprite background(WhiteFrame(64, 32));
  background.position = {100, 50};
  background.Render();

  // Left half opaque, right half alpha 128, all white.
  Sprite sprite(WholeTexture(MakeTexture("half_transparent.png", 64, 32, [](int x, int) {
    return x < 32 ? kWhite : Pixel{255, 255, 255, 128};
  })));
  sprite.position = {100, 50};
  sprite.color = Color::Black;
  sprite.Render();
  const Screen screen;
  EXPECT_EQ(screen.CountDiffering({68, 34, 98, 66}, Pixel{0, 0, 0, 255}), 0);
  // White below, weighted by 1 - 128 / 255.
  const Pixel seeThrough = screen.At(120, 50);
  EXPECT_GE(seeThrough[0], 126);
  EXPECT_LE(seeThrough[0], 127);
  EXPECT_EQ(screen.CountDiffering({102, 34, 132, 66}, seeThrough), 0);
}

TEST_F(SpriteDrawing, TwoSpritesFromOneFrameDrawWithTheirOwnFields) {
  const SpriteFrame frame = WhiteFrame(64, 32);
  Sprite first(frame);
  Sprite second(frame);
  first.position = {200, 200};
  first.scale = {0.5f, 0.5f};
  first.color = Color::Red;
  second.position = {400, 200};
  first.Render();
  second.Render();
  const Screen screen;
  EXPECT_EQ(screen.CountDiffering({184, 192, 216, 208}, Pixel{255, 0, 0, 255}), 0);
  EXPECT_EQ(screen.CountDiffering({368, 184, 432, 216}, kWhite), 0);
  EXPECT_TRUE(screen.IsBlack(183, 200));
  EXPECT_TRUE(screen.IsBlack(367, 200));
  EXPECT_TRUE(screen.IsBlack(300, 200));
}

TEST_F(SpriteDrawing, LeavesItsTextureBoundAndTheMatrixAsItFoundIt) {
  const SpriteFrame frame = WhiteFrame(8, 8);
  Sprite sprite(frame);
  sprite.position = {10, 10};
  sprite.rotation = 30;
  sprite.scale = {3, 2};
  std::array<float, 16> before{};
  std::array<float, 16> after{};
  glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
  sprite.Render();
  glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
  EXPECT_EQ(before, after);
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<std::uint32_t>(bound), GetTextureRecord(frame.texture).glTextureName);
}

TEST_F(SpriteDrawing, AMissingSheetOrSpriteGivesASpriteThatDrawsNothing) {
  testing::internal::CaptureStdout();
  Sprite fromMissingSheet("no_such_sheet_for_sprites", "solid_square");
  const std::string reports = testing::internal::GetCapturedStdout();
  EXPECT_NE(reports.find("SpriteSheet with name no_such_sheet_for_sprites does not exist."), std::string::npos);

  Sprite bound(WhiteFrame(4, 4));
  bound.Render();
  glClear(GL_COLOR_BUFFER_BIT);
  fromMissingSheet.position = {640, 360};
  fromMissingSheet.scale = {10, 10};
  fromMissingSheet.Render();
  EXPECT_EQ(Screen().LitBounds(), Rect{});
  GLint texture = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
  EXPECT_EQ(texture, 0);
}

// What OpenGL received, captured in feedback mode: the strip arrives as two triangles whose
// vertices carry window position, colour and texture coordinate.
struct FeedbackVertex {
  float x, y, r, g, b, a, s, t;
  // The viewport transform may leave a rounding error in the window coordinates.
  friend bool operator==(const FeedbackVertex& u, const FeedbackVertex& v) {
    const float tolerance = 1e-3f;
    return std::fabs(u.x - v.x) < tolerance && std::fabs(u.y - v.y) < tolerance && u.r == v.r && u.g == v.g &&
           u.b == v.b && u.a == v.a && u.s == v.s && u.t == v.t;
  }
  friend std::ostream& operator<<(std::ostream& out, const FeedbackVertex& v) {
    return out << "(" << v.x << ", " << v.y << " rgba " << v.r << " " << v.g << " " << v.b << " " << v.a
               << " st " << v.s << " " << v.t << ")";
  }
};

std::vector<std::vector<FeedbackVertex>> Feedback(Sprite& sprite) {
  std::vector<GLfloat> buffer(1024);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
  glRenderMode(GL_FEEDBACK);
  sprite.Render();
  const GLint count = glRenderMode(GL_RENDER);
  std::vector<std::vector<FeedbackVertex>> polygons;
  for (GLint i = 0; i < count;) {
    if (buffer[i] != GL_POLYGON_TOKEN) {
      ADD_FAILURE() << "unexpected feedback token " << buffer[i];
      break;
    }
    const int vertices = static_cast<int>(buffer[i + 1]);
    i += 2;
    std::vector<FeedbackVertex> polygon;
    for (int v = 0; v < vertices; ++v, i += 11) {
      const GLfloat* f = &buffer[i];
      // Window y counts upward; turn it into the frame's downward y.
      polygon.push_back({f[0], Screen::kHeight - f[1], f[3], f[4], f[5], f[6], f[7], f[8]});
    }
    polygons.push_back(polygon);
  }
  return polygons;
}

TEST_F(SpriteDrawing, SendsOneStripWithTheFramesCoordinatesAndTheTint) {
  SpriteFrame frame = WhiteFrame(64, 32);
  frame.uvMinX = 0.125f;
  frame.uvMinY = 0.25f;
  frame.uvMaxX = 0.5f;
  frame.uvMaxY = 0.75f;
  Sprite sprite(frame);
  sprite.position = {100, 50};
  sprite.color.SetColor(0.5f, 0.25f, 0.75f, 1.0f);

  const auto polygons = Feedback(sprite);
  ASSERT_EQ(polygons.size(), 2u);
  const FeedbackVertex bottomLeft{68, 66, 0.25f, 0.75f, 1.0f, 0.5f, 0.125f, 0.75f};
  const FeedbackVertex topLeft{68, 34, 0.25f, 0.75f, 1.0f, 0.5f, 0.125f, 0.25f};
  const FeedbackVertex bottomRight{132, 66, 0.25f, 0.75f, 1.0f, 0.5f, 0.5f, 0.75f};
  const FeedbackVertex topRight{132, 34, 0.25f, 0.75f, 1.0f, 0.5f, 0.5f, 0.25f};
  // The first triangle is the strip's first three vertices in order.
  EXPECT_EQ(polygons[0], (std::vector<FeedbackVertex>{bottomLeft, topLeft, bottomRight}));
  ASSERT_EQ(polygons[1].size(), 3u);
  for (const FeedbackVertex& vertex : {topLeft, bottomRight, topRight}) {
    EXPECT_NE(std::find(polygons[1].begin(), polygons[1].end(), vertex), polygons[1].end()) << vertex;
  }
}

TEST_F(SpriteDrawing, RenderAllocatesNothing) {
  Sprite sprite(WhiteFrame(16, 16));
  sprite.position = {50, 50};
  sprite.rotation = 10;
  // The driver compiles its shaders for this state on first use (llvmpipe's JIT allocates on this
  // thread), so the same work runs once outside the count.
  for (int i = 0; i < 100; ++i) sprite.Render();
  glFinish();
  std::size_t allocations = 0;
  {
    KelpforgeTests::AllocationCounter counter;
    for (int i = 0; i < 100; ++i) sprite.Render();
    allocations = counter.Count();
  }
  EXPECT_EQ(allocations, 0u);
}

}  // namespace
