// A steady rally frame of the real court on a real OpenGL context allocates nothing, also one in
// which the ball bounces off a wall and its sound starts: texts and textures are rebuilt only when
// a score changes, and a sound is a request in a ring of fixed size.
#include <gtest/gtest.h>

#include <filesystem>

#include "kelpforge/audio/implementation/kf_mixer.h"
#include "kelpforge/audio/implementation/kf_sound_manager_internal.h"
#include "kelpforge/audio/implementation/scripted/kfi_scripted_audio_output.h"
#include "kelpforge/audio/kf_sound_manager.h"
#include "kelpforge/game/implementation/kf_game_application_internal.h"
#include "kelpforge/game/kf_game_application.h"
#include "kelpforge/graphics/implementation/kf_opengl.h"
#include "kelpforge/graphics/kf_sprite_manager.h"
#include "rally_court/rally_court_scene.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/gl_test_window.h"

namespace {

TEST(RallyCourtFrame, ASteadyRallyFrameAllocatesNothing) {
  std::filesystem::current_path(KF_SOURCE_DIR);
  KelpforgeTests::GlTestWindow::Open();
  testing::internal::CaptureStdout();
  Kelpforge::Graphics::LoadSpriteSheet(RallyCourt::kSpriteSheetName, RallyCourt::kSpriteSheetPath);
  namespace Audio = Kelpforge::Audio::kfImplementation;
  Audio::ScriptedAudioOutput sound;
  Audio::ResetAudioState();
  Audio::SetAudioOutput(&sound);
  RallyCourt::LoadCourtSounds();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

  RallyCourt::RallyCourtScene court;
  court.serveTimer = 0;
  court.ball.state = RallyCourt::InPlay;
  court.ball.position = {300.0f, 640.0f};
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
  EXPECT_LT(court.ball.velocity.y, 0.0f);  // off the bottom wall
  sound.Pull(1);
  EXPECT_EQ(Audio::TheMixer().ActiveVoiceCount(), 1u);
  Audio::ResetAudioState();
  Audio::SetAudioOutput(nullptr);
}

}  // namespace
