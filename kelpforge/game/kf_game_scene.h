// Scenes: an ordered set of entities (simulated, updated, drawn) and a list of further graphics
// (updated and drawn after the entities). At most one scene is current; the game loop drives it,
// or the default scene, which shows the built-in image, while none is. Scenes own nothing they list.
#pragma once

#include <vector>

#include "kelpforge/game/kf_entity.h"
#include "kelpforge/graphics/kf_graphic_list.h"

namespace Kelpforge::Game {

class GameScene {
public:
  GameScene() = default;
  // Abstract. Clears theCurrentScene when this scene is current (without OnClose).
  virtual ~GameScene() = 0;

  // Simulate() on each active entity, in order.
  virtual void Simulate();
  // The fixed steps of one frame: the game loop offers `offered` steps (the frame clamp and the
  // step cap applied, their time already taken from the accumulator). Here each is run: where
  // the entities stand is recorded for motion smoothing, then Simulate(). A scene that plays
  // online lets its session decide instead how many run, and with which inputs.
  virtual void RunFixedSteps(int offered);
  // Records where each entity stands before a fixed step, for motion smoothing.
  void RecordEntityPositions();
  // Update on each active entity, then on the graphic list if it is active.
  virtual void Update(float deltaTime);
  // Render on each visible entity, then on the graphic list if it is visible, in one batched
  // pass: the sprites waiting in it are drawn before Render returns.
  virtual void Render();
  virtual void OnOpen();
  virtual void OnClose();

  // Appends; no test for null or for an entity already present.
  void AddEntity(Entity* entity);
  void AddGraphic(Graphics::Graphic* graphic);
  // Removes every occurrence; the graphic itself is not destroyed.
  void RemoveGraphic(Graphics::Graphic* graphic);

  // The old current scene (if any) gets OnClose while still current, then `scene` becomes
  // current and gets OnOpen. Changing to the current scene closes and reopens it.
  static void ChangeToScene(GameScene& scene);

  // Simulation time received and not yet spent; kept by the scene across scene changes.
  float simulationAccumulator = 0.0f;
  Graphics::GraphicList graphics;
  std::vector<Entity*> entities;
};

extern GameScene* theCurrentScene;

}  // namespace Kelpforge::Game
