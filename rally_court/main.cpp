// Rally Court's entry point: window, sprite sheet, court, title, then the game loop until the
// window closes. Exits with status 1 when no window could be opened.
#include "kelpforge/application/kf_application.h"
#include "kelpforge/game/kf_game_application.h"
#include "kelpforge/graphics/kf_sprite_manager.h"
#include "rally_court/rally_court_scene.h"

int main() {
  Kelpforge::Game::GameApplication application;
  if (!application.IsOpen()) {
    return 1;
  }
  Kelpforge::Graphics::LoadSpriteSheet("prototype_sheet", "data/prototyping_sheet.txt");
  {
    RallyCourt::RallyCourtScene court;
    Kelpforge::Application::SetWindowTitle(RallyCourt::ToString("Rally Court"));
    application.RunGame(court);
  }
  return 0;
}
