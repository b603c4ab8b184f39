#include "kelpforge/game/kf_game_scene.h"

#include "kelpforge/game/implementation/kf_game_scene_internal.h"
#include "kelpforge/graphics/implementation/kf_sprite_batch.h"
#include "kelpforge/graphics/implementation/kf_sprite_sheet_internal.h"
#include "kelpforge/graphics/kf_texture_manager.h"

namespace Kelpforge::Game {

GameScene* theCurrentScene = nullptr;

GameScene::~GameScene() {
  if (theCurrentScene == this) {
    theCurrentScene = nullptr;
  }
}

void GameScene::Simulate() {
  // Indexing, not iterators: an entity may be added during the pass.
  for (std::size_t i = 0; i < entities.size(); ++i) {
    if (entities[i]->isActive) {
      entities[i]->Simulate();
    }
  }
}

void GameScene::RunFixedSteps(int offered) {
  for (int step = 0; step < offered; ++step) {
    RecordEntityPositions();
    Simulate();
  }
}

void GameScene::RecordEntityPositions() {
  for (Entity* entity : entities) {
    entity->RecordPreviousPosition();
  }
}

void GameScene::Update(float deltaTime) {
  for (std::size_t i = 0; i < entities.size(); ++i) {
    if (entities[i]->isActive) {
      entities[i]->Update(deltaTime);
    }
  }
  if (graphics.isActive) {
    graphics.Update(deltaTime);
  }
}

void GameScene::Render() {
  // One pass for the whole scene, so sprites batch across entities and into the graphic list.
  Graphics::kfImplementation::SpriteBatchPass pass({0.0f, 0.0f});
  for (std::size_t i = 0; i < entities.size(); ++i) {
    if (entities[i]->isVisible) {
      pass.Render(*entities[i]);
    }
  }
  if (graphics.isVisible) {
    pass.Render(graphics);
  }
}

void GameScene::OnOpen() {}

void GameScene::OnClose() {}

void GameScene::AddEntity(Entity* entity) {
  entities.push_back(entity);
}

void GameScene::AddGraphic(Graphics::Graphic* graphic) {
  graphics.AddGraphic(graphic);
}

void GameScene::RemoveGraphic(Graphics::Graphic* graphic) {
  graphics.RemoveGraphic(graphic);
}

void GameScene::ChangeToScene(GameScene& scene) {
  if (theCurrentScene != nullptr) {
    theCurrentScene->OnClose();
  }
  theCurrentScene = &scene;
  scene.OnOpen();
}

namespace kfImplementation {

DefaultScene theDefaultScene;

DefaultScene::~DefaultScene() {
  RemoveGraphic(prototypeSprite);
  delete prototypeSprite;
  prototypeSprite = nullptr;
}

void DefaultScene::Update(float) {
  if (prototypeSprite != nullptr) {
    return;
  }
  prototypeSprite = new Graphics::Sprite(
      Graphics::kfImplementation::WholeTextureFrame(Graphics::CreateBuiltInTexture(), 256.0f, 256.0f));
  prototypeSprite->SetOrigin(Graphics::AnchorCenter);
  prototypeSprite->position = Graphics::Vector2{640.0f, 360.0f};
  AddGraphic(prototypeSprite);
}

}  // namespace kfImplementation

}  // namespace Kelpforge::Game
