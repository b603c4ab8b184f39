// The default scene, which the game loop drives while no scene is current.
#pragma once

#include "kelpforge/core/kf_noncopyable.h"
#include "kelpforge/game/kf_game_scene.h"
#include "kelpforge/graphics/kf_sprite.h"

namespace Kelpforge::Game::kfImplementation {

// Shown while no scene is current: the built-in image centred at (640, 360), made at its first
// Update. It never updates entities or graphics added to it.
class DefaultScene final : public GameScene, public Core::Noncopyable {
public:
  DefaultScene() = default;
  ~DefaultScene() override;

  void Update(float deltaTime) override;

  Graphics::Sprite* prototypeSprite = nullptr;
};

extern DefaultScene theDefaultScene;

}  // namespace Kelpforge::Game::kfImplementation
