// Bubble Catch, a one-screen game on Kelpforge: bubbles fall one at a time and the player catches
// them in a basket moved with the arrow keys (or A and D); Escape quits. It shows what a game
// needs: sprites from a sprite sheet, text, keys, a scene with fixed simulation steps.
// `--frames N` ends it by itself after N frames.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "kelpforge/application/kf_application.h"
#include "kelpforge/application/kf_input.h"
#include "kelpforge/core/kf_data_directory.h"
#include "kelpforge/game/kf_game_application.h"
#include "kelpforge/game/kf_game_scene.h"
#include "kelpforge/graphics/kf_sprite.h"
#include "kelpforge/graphics/kf_sprite_manager.h"
#include "kelpforge/graphics/kf_text.h"

namespace {

using namespace Kelpforge;
using Application::IsKeyDown;

constexpr float kBasketY = 672.0f;
constexpr float kBasketHalfWidth = 80.0f;
constexpr float kBasketSpeed = 600.0f;  // pixels per second
constexpr float kBubbleRadius = 24.0f;
constexpr float kFirstFallSpeed = 240.0f;

class BubbleCatchScene : public Game::GameScene {
public:
  explicit BubbleCatchScene(long framesToRun) : framesLeft(framesToRun) {
    basket.SetOrigin(Graphics::AnchorCenter);
    basket.scale = {2 * kBasketHalfWidth / 64.0f, 24.0f / 64.0f};
    basket.position = {640.0f, kBasketY};
    basket.color.SetColor(0xFF3CB371u);
    bubble.SetOrigin(Graphics::AnchorCenter);
    bubble.scale = {2 * kBubbleRadius / 64.0f, 2 * kBubbleRadius / 64.0f};
    bubble.color.SetColor(0xFF7FD4FFu);
    AddGraphic(&basket);
    AddGraphic(&bubble);
    DropNextBubble();
    ShowScore();
  }

  void Simulate() override {
    basket.position.x += direction * kBasketSpeed * Game::kFixedTimeStep;
    basket.position.x = std::clamp(basket.position.x, kBasketHalfWidth, 1280.0f - kBasketHalfWidth);
    bubble.position.y += fallSpeed * Game::kFixedTimeStep;

    const bool overBasket = std::abs(bubble.position.x - basket.position.x) < kBasketHalfWidth + kBubbleRadius;
    if (overBasket && bubble.position.y + kBubbleRadius >= kBasketY - 12.0f) {
      ++caught;
      fallSpeed += 20.0f;
      DropNextBubble();
      ShowScore();
    } else if (bubble.position.y - kBubbleRadius > 720.0f) {
      ++missed;
      DropNextBubble();
      ShowScore();
    }
  }

  void Update(float deltaTime) override {
    direction = 0.0f;
    if (IsKeyDown(Application::KeyLeft) || IsKeyDown(Application::KeyA)) direction -= 1.0f;
    if (IsKeyDown(Application::KeyRight) || IsKeyDown(Application::KeyD)) direction += 1.0f;
    if (IsKeyDown(Application::KeyEscape) || (framesLeft > 0 && --framesLeft == 0)) {
      Game::GameApplication::CloseGame();
    }
    GameScene::Update(deltaTime);
  }

private:
  // Bubbles start above the screen at places spread over its width.
  void DropNextBubble() {
    ++dropped;
    bubble.position = {100.0f + static_cast<float>((dropped * 389) % 1080), -kBubbleRadius};
  }

  // A Text never changes its string: the old one goes and a new one is made.
  void ShowScore() {
    if (score) RemoveGraphic(score.get());
    const std::string line = "Caught " + std::to_string(caught) + "   Missed " + std::to_string(missed);
    score = std::make_unique<Graphics::Text>(line, "", 32.0f);
    score->position = {24.0f, 16.0f};
    AddGraphic(score.get());
  }

  Graphics::Sprite basket{"shapes", "solid_square"};
  Graphics::Sprite bubble{"shapes", "solid_circle"};
  std::unique_ptr<Graphics::Text> score;
  float direction = 0.0f;
  float fallSpeed = kFirstFallSpeed;
  int caught = 0, missed = 0, dropped = 0;
  long framesLeft;
};

}  // namespace

int main(int argc, char** argv) {
  long frames = 0;  // 0: until Escape or the window closes
  if (argc == 3 && std::string_view(argv[1]) == "--frames" && std::atol(argv[2]) > 0) {
    frames = std::atol(argv[2]);
  } else if (argc != 1) {
    std::fprintf(stderr, "usage: %s [--frames N]\n", argv[0]);
    return 2;
  }

  Core::ChangeToDataDirectory({"data/shapes.txt", "data/shapes.png"}, "bubble-catch");
  Game::GameApplication application;
  if (!application.IsOpen()) return 1;
  Graphics::LoadSpriteSheet("shapes", "data/shapes.txt");
  {
    BubbleCatchScene scene(frames);
    Application::SetWindowTitle("Bubble Catch");
    application.RunGame(scene);
  }
  return 0;
}
