// A steady rally frame of the real court on a real OpenGL context allocates nothing: texts and
// textures are rebuilt only when a score changes.
#include <gtest/gtest.h>

#include <filesystem>

#include "kelpforge/game/kf_game_application.h"
#include "kelpforge/graphics/kf_opengl.h"
#include "kelpforge/graphics/kf_sprite_manager.h"
#include "rally_court/rally_court_scene.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/gl_test_window.h"

namespace {

TEST(RallyCourtFrame, ASteadyRallyFrameAllocatesNothing) {
  std::filesystem::current_path(KF_SOURCE_DIR);
  KelpforgeTests::GlTestWindow::Open();
  testing::internal::CaptureStdout();
  Kelpforge::Graphics::LoadSpriteSheet("prototype_sheet", "data/prototyping_sheet.txt");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

  RallyCourt::RallyCourtScene court;
  court.serveTimer = 0;
  court.ball.state = RallyCourt::InPlay;
  court.ball.position = {300.0f, 300.0f};
  court.ball.velocity = {400.0f, 150.0f};
  court.leftPaddle.direction = RallyCourt::MoveDown;
  court.rightPaddle.direction = RallyCourt::MoveUp;
  // The driver compiles its shaders on first use (llvmpipe's JIT allocates on this thread).
  for (int frame = 0; frame < 5; ++frame) {
    Kelpforge::Game::kfImplementation::UpdateAndRenderScene(court, 1.0f / 60.0f);
  }
  glFinish();

  std::size_t allocations = 0;
  {
    KelpforgeTests::AllocationCounter counter;
    for (int frame = 0; frame < 30; ++frame) {
      Kelpforge::Game::kfImplementation::UpdateAndRenderScene(court, 1.0f / 60.0f);
    }
    allocations = counter.Count();
  }
  EXPECT_EQ(allocations, 0u);
  EXPECT_EQ(court.ball.state, RallyCourt::InPlay);  // no point was scored: a plain rally
  EXPECT_GT(court.ball.position.x, 400.0f);
}

}  // namespace
