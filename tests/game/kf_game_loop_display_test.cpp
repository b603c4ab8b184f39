// The game loop on a real OpenGL context (Xvfb): the default scene's picture on screen, the GL
// state a frame leaves behind, and a frame of entities and sprites that allocates nothing.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <vector>

#include "kelpforge/application/implementation/kf_window_system.h"
#include "kelpforge/game/implementation/kf_game_application_internal.h"
#include "kelpforge/game/implementation/kf_game_scene_internal.h"
#include "kelpforge/game/kf_game_application.h"
#include "kelpforge/graphics/implementation/kf_sprite_sheet_internal.h"
#include "kelpforge/graphics/implementation/kf_texture_manager_internal.h"
#include "kelpforge/graphics/kf_sprite.h"
#include "kelpforge/graphics/kf_texture_manager.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/gl_test_window.h"

extern const unsigned char kfBuiltInImageData[];
extern const std::size_t kfBuiltInImageDataSize;

namespace {

namespace Game = Kelpforge::Game;
namespace Graphics = Kelpforge::Graphics;
using namespace Kelpforge::Game::kfImplementation;
using KelpforgeTests::GlTestWindow;
using KelpforgeTests::Pixel;

Graphics::SpriteFrame WholeBuiltInImage() {
  return Graphics::kfImplementation::WholeTextureFrame(Graphics::CreateBuiltInTexture(), 256.0f, 256.0f);
}

class SpriteEntity final : public Game::Entity {
public:
  explicit SpriteEntity(const Graphics::SpriteFrame& frame) : sprite(frame) { AddGraphic(&sprite); }
  void Simulate() override { position.x += 1.0f; }
  Graphics::Sprite sprite;
};

class PlainScene final : public Game::GameScene {};

TEST(GameLoopDisplay, DefaultSceneDrawsTheBuiltInImageCentred) {
  GlTestWindow::Open();
  Game::theCurrentScene = nullptr;
  UpdateAndRenderScene(theDefaultScene, 0.0f);

  const Graphics::kfImplementation::DecodedImage image =
      Graphics::kfImplementation::DecodedImage::FromMemory(kfBuiltInImageData, kfBuiltInImageDataSize);
  ASSERT_TRUE(image.IsValid());
  // The 256 x 256 image spans x 512..767 and y 232..487; each screen pixel centre meets a
  // texel centre, so a pixel shows its texel blended over the black clear.
  const int samples[][2] = {{640, 360}, {512, 232}, {767, 487}, {600, 300}, {700, 420}, {530, 470}};
  for (const auto& sample : samples) {
    const int x = sample[0];
    const int y = sample[1];
    const unsigned char* texel = image.Pixels() + ((y - 232) * 256 + (x - 512)) * 4;
    const Pixel pixel = GlTestWindow::ReadPixel(x, y);
    for (int channel = 0; channel < 3; ++channel) {
      const int expected = texel[channel] * texel[3] / 255;
      EXPECT_NEAR(pixel[channel], expected, 2) << "at " << x << "," << y << " channel " << channel;
    }
  }
  // Just outside the image: the clear colour (the surface has no alpha channel to read).
  const int outside[][2] = {{511, 360}, {768, 360}, {640, 231}, {640, 488}};
  for (const auto& sample : outside) {
    const Pixel pixel = GlTestWindow::ReadPixel(sample[0], sample[1]);
    EXPECT_EQ(pixel[0] + pixel[1] + pixel[2], 0) << "at " << sample[0] << "," << sample[1];
  }
}

struct RenderState {
  bool texture, blend, depthTest, lighting;
  GLint modelviewDepth, projectionDepth, matrixMode;
};

RenderState ReadRenderState() {
  RenderState state{};
  state.texture = glIsEnabled(GL_TEXTURE_2D) == GL_TRUE;
  state.blend = glIsEnabled(GL_BLEND) == GL_TRUE;
  state.depthTest = glIsEnabled(GL_DEPTH_TEST) == GL_TRUE;
  state.lighting = glIsEnabled(GL_LIGHTING) == GL_TRUE;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &state.modelviewDepth);
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &state.projectionDepth);
  glGetIntegerv(GL_MATRIX_MODE, &state.matrixMode);
  return state;
}

void SetEnabled(GLenum capability, bool enabled) {
  if (enabled) {
    glEnable(capability);
  } else {
    glDisable(capability);
  }
}

TEST(GameLoopDisplay, AFrameRestoresTheRenderStateItChanged) {
  GlTestWindow::Open();
  PlainScene scene;
  Graphics::Sprite sprite(WholeBuiltInImage());
  sprite.position = {100.0f, 100.0f};
  scene.AddGraphic(&sprite);

  for (int combination = 0; combination < 16; ++combination) {
    const bool texture = (combination & 1) != 0;
    const bool blend = (combination & 2) != 0;
    const bool depthTest = (combination & 4) != 0;
    const bool lighting = (combination & 8) != 0;
    SetEnabled(GL_TEXTURE_2D, texture);
    SetEnabled(GL_BLEND, blend);
    SetEnabled(GL_DEPTH_TEST, depthTest);
    SetEnabled(GL_LIGHTING, lighting);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();  // a caller's own depth, which the frame must keep
    const RenderState before = ReadRenderState();

    UpdateAndRenderScene(scene, 0.0f);
    const RenderState after = ReadRenderState();

    EXPECT_EQ(after.texture, texture) << combination;
    EXPECT_EQ(after.blend, blend) << combination;
    EXPECT_EQ(after.depthTest, depthTest) << combination;
    EXPECT_EQ(after.lighting, lighting) << combination;
    EXPECT_EQ(after.modelviewDepth, before.modelviewDepth) << combination;
    EXPECT_EQ(after.projectionDepth, before.projectionDepth) << combination;
    EXPECT_EQ(after.matrixMode, GL_MODELVIEW) << combination;
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
  }
  SetEnabled(GL_LIGHTING, false);
  SetEnabled(GL_DEPTH_TEST, false);
  SetEnabled(GL_TEXTURE_2D, false);
  SetEnabled(GL_BLEND, false);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(GameLoopDisplay, TheProjectionIsOnePixelPerUnitWithYDown) {
  GlTestWindow::Open();
  PlainScene scene;
  Graphics::SpriteFrame frame;  // untextured: draws its colour
  frame.width = 4.0f;
  frame.height = 2.0f;
  Graphics::Sprite sprite(frame);
  sprite.SetOrigin(Graphics::AnchorTopLeft);
  sprite.position = {10.0f, 20.0f};
  scene.AddGraphic(&sprite);
  UpdateAndRenderScene(scene, 0.0f);
  EXPECT_EQ(GlTestWindow::ReadPixel(10, 20)[0], 255);
  EXPECT_EQ(GlTestWindow::ReadPixel(13, 21)[0], 255);
  EXPECT_EQ(GlTestWindow::ReadPixel(14, 21)[0], 0);
  EXPECT_EQ(GlTestWindow::ReadPixel(13, 22)[0], 0);
  EXPECT_EQ(GlTestWindow::ReadPixel(9, 20)[0], 0);
  EXPECT_EQ(GlTestWindow::ReadPixel(10, 19)[0], 0);
}

TEST(GameLoopDisplay, TheProjectionIsTheAskedSizeOnTheScaledViewport) {
  namespace App = Kelpforge::Application::kfImplementation;
  GlTestWindow::Open();
  glViewport(1, 2, 3, 4);  // a caller's own viewport, which the frame gives back
  App::WindowProcedure(App::RecordedWindowHandle(), App::kMessageSize, 0, App::SizeParameter(1000, 1000));
  BeginRender2D();
  std::array<GLint, 4> viewport{};
  GLfloat projection[16] = {};
  glGetIntegerv(GL_VIEWPORT, viewport.data());
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  EndRender2D();
  EXPECT_EQ(viewport, (std::array{0, 219, 1000, 563}));  // GL counts rows from the bottom
  // glOrtho(0, 1280, 720, 0): x 0..1280 and y 720..0 onto -1..1, whatever the window.
  EXPECT_EQ(std::vector<float>(projection, projection + 16),
            std::vector<float>({2.0f / 1280, 0, 0, 0, 0, -2.0f / 720, 0, 0, 0, 0, -1, 0, -1, 1, 0, 1}));
  glGetIntegerv(GL_VIEWPORT, viewport.data());
  EXPECT_EQ(viewport, (std::array{1, 2, 3, 4}));
  App::WindowProcedure(App::RecordedWindowHandle(), App::kMessageSize, 0, App::SizeParameter(1280, 720));
  glViewport(0, 0, GlTestWindow::kWidth, GlTestWindow::kHeight);
}

TEST(GameLoopDisplay, AWholeFrameOfEntitiesAndSpritesAllocatesNothing) {
  GlTestWindow::Open();
  const Graphics::SpriteFrame frame = WholeBuiltInImage();
  PlainScene scene;
  std::vector<SpriteEntity*> entities;
  for (int i = 0; i < 8; ++i) {
    entities.push_back(new SpriteEntity(frame));
    scene.AddEntity(entities.back());
  }
  Graphics::Sprite loose(frame);
  scene.AddGraphic(&loose);
  // The driver compiles its shaders on first use (llvmpipe's JIT allocates on this thread), so
  // a few frames run outside the count.
  for (int frame = 0; frame < 5; ++frame) {
    UpdateAndRenderScene(scene, 0.033333335f);
  }
  glFinish();

  std::size_t allocations = 0;
  {
    KelpforgeTests::AllocationCounter counter;
    UpdateAndRenderScene(scene, 0.033333335f);
    allocations = counter.Count();
  }
  EXPECT_EQ(allocations, 0u);
  EXPECT_EQ(entities.front()->position.x, 20.0f);  // six frames of 1/30 s carry twenty steps
  for (SpriteEntity* entity : entities) {
    delete entity;
  }
}

}  // namespace
