// Rally Court's entry point: the command line, the data directory, then window, sprite sheet,
// sounds (muted with --mute), court, title and the game loop until the window closes. Exits with
// status 0 after a normal end (also without an audio device), 1 when no window could be opened and
// 2 for a command line it does not understand.
#include <cstdio>

#include "kelpforge/application/kf_application.h"
#include "kelpforge/audio/kf_sound_manager.h"
#include "kelpforge/core/kf_data_directory.h"
#include "kelpforge/game/kf_game_application.h"
#include "kelpforge/graphics/kf_sprite_manager.h"
#include "rally_court/data_files.h"
#include "rally_court/options.h"
#include "rally_court/rally_court_scene.h"

int main(int argc, char** argv) {
  const RallyCourt::CommandLine commandLine = RallyCourt::ParseCommandLine(argc, argv);
  if (!commandLine.error.empty()) {
    std::fprintf(stderr, "rally_court: %s\n%s", commandLine.error.c_str(), RallyCourt::UsageText().c_str());
    return 2;
  }
  if (commandLine.options.help) {
    std::fputs(RallyCourt::HelpText().c_str(), stdout);
    return 0;
  }

  // Before the window opens, so that every file is opened from the chosen directory.
  Kelpforge::Core::ChangeToDataDirectory(RallyCourt::kDataFiles, RallyCourt::kPackageName);

  Kelpforge::Game::GameApplication application;
  if (!application.IsOpen()) {
    return 1;
  }
  if (commandLine.options.fullscreen) {
    Kelpforge::Application::SetFullscreen(true);
  }
  // The court steps at 100 Hz; drawing between steps keeps the ball's motion even on any display.
  application.SetMotionSmoothing(true);
  Kelpforge::Graphics::LoadSpriteSheet(RallyCourt::kSpriteSheetName, RallyCourt::kSpriteSheetPath);
  Kelpforge::Audio::SetMuted(commandLine.options.mute);
  RallyCourt::LoadCourtSounds();
  {
    RallyCourt::RallyCourtScene court;
    court.GiveToComputer(commandLine.options.computer, commandLine.options.difficulty);
    Kelpforge::Application::SetWindowTitle(RallyCourt::ToString("Rally Court"));
    application.RunGame(court);
  }
  return 0;
}
