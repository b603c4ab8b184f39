// GraphicList's render pass in the test window: children drawn in the list's coordinates, the
// matrix restored, duplicates, flags, the report for a child placed outside the list, and a
// render pass that allocates nothing.
#include "kelpforge/graphics/kf_graphic_list.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "kelpforge/graphics/kf_sprite.h"
#include "tests/graphics/gl_frame.h"
#include "tests/graphics/recording_graphic.h"
#include "tests/support/allocation_counter.h"

namespace {

using Kelpforge::Graphics::AnchorTopLeft;
using Kelpforge::Graphics::GraphicList;
using Kelpforge::Graphics::Sprite;
using KelpforgeTests::Pixel;
using KelpforgeTests::Graphics::ExpectedReport;
using KelpforgeTests::Graphics::GlFrameTest;
using KelpforgeTests::Graphics::kWhite;
using KelpforgeTests::Graphics::RecordingGraphic;
using KelpforgeTests::Graphics::Rect;
using KelpforgeTests::Graphics::Screen;
using KelpforgeTests::Graphics::WhiteFrame;
using Log = std::vector<std::string>;
using Matrix = std::array<float, 16>;

using GraphicListDrawing = GlFrameTest;

Matrix Modelview() {
  Matrix matrix{};
  glGetFloatv(GL_MODELVIEW_MATRIX, matrix.data());
  return matrix;
}

// A 64 x 32 white sprite whose top-left corner is its position.
Sprite CornerSprite() {
  Sprite sprite(WhiteFrame(64, 32));
  sprite.SetOrigin(AnchorTopLeft);
  return sprite;
}

TEST_F(GraphicListDrawing, ChildrenAreDrawnAtTheListsPositionPlusTheirOwn) {
  Sprite child = CornerSprite();
  child.position = {10, 0};
  GraphicList list;
  list.position = {100, 50};
  list.AddGraphic(&child);
  list.Render();
  const Screen screen;
  EXPECT_EQ(screen.LitBounds(), (Rect{110, 50, 174, 82}));
  EXPECT_EQ(screen.CountDiffering({110, 50, 174, 82}, kWhite), 0);
}

TEST_F(GraphicListDrawing, NestedListsAddUpTheirPositions) {
  Sprite child = CornerSprite();
  child.position = {1, 2};
  GraphicList inner;
  inner.position = {20, 30};
  inner.AddGraphic(&child);
  GraphicList outer;
  outer.position = {300, 400};
  outer.AddGraphic(&inner);
  outer.Render();
  EXPECT_EQ(Screen().LitBounds(), (Rect{321, 432, 385, 464}));
}

TEST_F(GraphicListDrawing, TheListUndoesItsTranslationExactly) {
  Sprite child = CornerSprite();
  child.position = {20, 40};
  GraphicList list;
  list.position = {5, 7};
  list.AddGraphic(&child);
  // Start from a matrix that is not the identity.
  glTranslatef(3.0f, 4.0f, 0.0f);
  const Matrix before = Modelview();
  list.Render();
  EXPECT_EQ(Modelview(), before);
  EXPECT_EQ(Screen().LitBounds(), (Rect{28, 51, 92, 83}));

  GraphicList empty;
  empty.position = {123.25f, -7.5f};
  const Matrix emptyBefore = Modelview();
  empty.Render();
  EXPECT_EQ(Modelview(), emptyBefore);
}

TEST_F(GraphicListDrawing, AChildAddedTwiceIsUpdatedAndDrawnTwiceUntilOneRemoveTakesBoth) {
  Log log;
  RecordingGraphic recorded("child", log);
  GraphicList list;
  list.AddGraphic(&recorded);
  list.AddGraphic(&recorded);
  list.Update(0.5f);
  list.Render();
  EXPECT_EQ(log, (Log{"update child 0.50", "update child 0.50", "render child", "render child"}));

  // Drawn twice at half alpha over black: 0.5, then 0.5 + 0.5 x 0.5.
  Sprite halfWhite = CornerSprite();
  halfWhite.color.SetColor(0.5f, 1.0f, 1.0f, 1.0f);
  GraphicList sprites;
  sprites.AddGraphic(&halfWhite);
  sprites.AddGraphic(&halfWhite);
  sprites.Render();
  const Pixel twice = Screen().At(10, 10);
  EXPECT_GE(twice[0], 191);
  EXPECT_LE(twice[0], 192);

  log.clear();
  list.RemoveGraphic(&recorded);
  list.Update(0.5f);
  list.Render();
  EXPECT_TRUE(log.empty());
}

TEST_F(GraphicListDrawing, InactiveChildrenAreDrawnAndInvisibleOnesUpdatedOnly) {
  Log log;
  RecordingGraphic inactive("inactive", log);
  inactive.isActive = false;
  RecordingGraphic invisible("invisible", log);
  invisible.isVisible = false;
  GraphicList list;
  list.AddGraphic(&inactive);
  list.AddGraphic(&invisible);
  list.Update(0.25f);
  list.Render();
  EXPECT_EQ(log, (Log{"update invisible 0.25", "render inactive"}));

  Sprite hidden = CornerSprite();
  hidden.isVisible = false;
  GraphicList sprites;
  sprites.AddGraphic(&hidden);
  sprites.Render();
  EXPECT_EQ(Screen().LitBounds(), Rect{});
}

TEST_F(GraphicListDrawing, DestroyingAListLeavesItsSpriteUsable) {
  Sprite sprite = CornerSprite();
  sprite.position = {600, 300};
  auto list = std::make_unique<GraphicList>();
  list->AddGraphic(&sprite);
  list->Render();
  list.reset();
  glClear(GL_COLOR_BUFFER_BIT);
  sprite.Render();
  EXPECT_EQ(Screen().LitBounds(), (Rect{600, 300, 664, 332}));
}

TEST_F(GraphicListDrawing, AChildNotRelativeToItsParentIsReportedOnEveryRenderAndStillDrawn) {
  Log log;
  RecordingGraphic outsider("outsider", log);
  outsider.isRelativeToParent = false;
  Sprite sprite = CornerSprite();
  sprite.position = {10, 10};
  sprite.isRelativeToParent = false;
  GraphicList list;
  list.position = {100, 100};
  list.AddGraphic(&outsider);
  list.AddGraphic(&sprite);

  testing::internal::CaptureStdout();
  list.Render();
  list.Render();
  const std::string printed = testing::internal::GetCapturedStdout();
  const std::string report =
      ExpectedReport("kelpforge/graphics/kf_graphic_list.cpp", "kNotRelativeToParent",
                     "kfInternalError: Not yet implemented or supported, maybe in the future.");
  EXPECT_EQ(printed, report + report + report + report);
  EXPECT_EQ(log, (Log{"render outsider", "render outsider"}));
  // Translated by the list like every other child.
  EXPECT_EQ(Screen().LitBounds(), (Rect{110, 110, 174, 142}));
}

TEST_F(GraphicListDrawing, UpdateAndRenderAllocateNothing) {
  Sprite first = CornerSprite();
  Sprite second = CornerSprite();
  second.position = {200, 0};
  GraphicList inner;
  inner.AddGraphic(&second);
  GraphicList list;
  list.position = {10, 10};
  list.AddGraphic(&first);
  list.AddGraphic(&inner);
  list.AddGraphic(&first);
  // The driver compiles its shaders on first use (llvmpipe's JIT allocates on this thread), so
  // the same work runs once outside the count.
  for (int i = 0; i < 100; ++i) {
    list.Update(0.01f);
    list.Render();
  }
  glFinish();
  std::size_t allocations = 0;
  {
    KelpforgeTests::AllocationCounter counter;
    for (int i = 0; i < 100; ++i) {
      list.Update(0.01f);
      list.Render();
    }
    allocations = counter.Count();
  }
  EXPECT_EQ(allocations, 0u);
}

}  // namespace
