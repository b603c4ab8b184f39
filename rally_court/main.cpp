// Rally Court's entry point: the command line, the data directory, then window, sprite sheet,
// sounds (muted with --mute), court, the online match or the sync test when asked for, title and
// the game loop until the window closes. An online match that cannot start is one line on
// standard error, and the court plays locally. Exits with
// status 0 after a normal end (also without an audio device), 1 when no window could be opened and
// 2 for a command line it does not understand.
#include <cstdio>
#include <string>

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
    const RallyCourt::Options& options = commandLine.options;
    court.GiveToComputer(options.computer, options.difficulty);
    if (options.syncTest) {
      court.StartSyncTest();
    } else if (options.hostPort || options.joinHost) {
      Kelpforge::Online::MatchSettings settings;
      settings.gameName = RallyCourt::kOnlineGameName;
      settings.inputDelay = options.inputDelay;
      std::string failure;
      auto match = options.hostPort
                       ? Kelpforge::Online::OnlineMatch::Host(court, *options.hostPort, settings, failure)
                       : Kelpforge::Online::OnlineMatch::Join(court, *options.joinHost, options.joinPort, settings, failure);
      if (match) {
        const std::string notice = options.hostPort
                                       ? "Waiting for a player on port " + std::to_string(*options.hostPort)
                                       : "Connecting to " + *options.joinHost + "...";
        court.PlayOnline(std::move(match), notice, options.difficulty);
      } else {
        std::fprintf(stderr, "rally_court: no online match (%s); playing locally\n", failure.c_str());
      }
    }
    Kelpforge::Application::SetWindowTitle(RallyCourt::ToString("Rally Court"));
    application.RunGame(court);
  }
  return 0;
}
