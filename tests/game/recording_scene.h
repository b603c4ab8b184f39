// Scenes, entities and graphics that record what the game loop does to them, for the loop and
// scene tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "kelpforge/game/kf_game_scene.h"

namespace KelpforgeTests {

using EventLog = std::vector<std::string>;

class RecordingGraphic : public Kelpforge::Graphics::Graphic {
public:
  RecordingGraphic(EventLog& log, std::string name) : log_(log), name_(std::move(name)) {}
  void Update(float) override { log_.push_back(name_ + ".Update"); }
  void Render() override { log_.push_back(name_ + ".Render"); }

private:
  EventLog& log_;
  std::string name_;
};

class RecordingEntity : public Kelpforge::Game::Entity {
public:
  RecordingEntity(EventLog& log, std::string name) : log_(log), name_(std::move(name)) {}
  void Simulate() override { log_.push_back(name_ + ".Simulate"); }
  void Update(float deltaTime) override {
    log_.push_back(name_ + ".Update");
    Entity::Update(deltaTime);
  }
  void Render() override {
    log_.push_back(name_ + ".Render");
    Entity::Render();
  }

private:
  EventLog& log_;
  std::string name_;
};

class RecordingScene : public Kelpforge::Game::GameScene {
public:
  RecordingScene(EventLog& log, std::string name) : log_(log), name_(std::move(name)) {}
  void Simulate() override {
    ++simulateCount;
    log_.push_back(name_ + ".Simulate");
    if (onSimulate) {
      onSimulate();
    }
    GameScene::Simulate();
  }
  void Update(float deltaTime) override {
    updateSteps.push_back(deltaTime);
    log_.push_back(name_ + ".Update");
    if (onUpdate) {
      onUpdate(static_cast<int>(updateSteps.size()));
    }
    GameScene::Update(deltaTime);
  }
  void Render() override {
    log_.push_back(name_ + ".Render");
    GameScene::Render();
  }
  void OnOpen() override {
    log_.push_back(name_ + ".OnOpen" +
                   (Kelpforge::Game::theCurrentScene == this ? " (current)" : " (not current)"));
  }
  void OnClose() override {
    log_.push_back(name_ + ".OnClose" +
                   (Kelpforge::Game::theCurrentScene == this ? " (current)" : " (not current)"));
  }

  int simulateCount = 0;
  std::vector<float> updateSteps;
  std::function<void()> onSimulate;
  std::function<void(int)> onUpdate;  // given the 1-based number of the update

private:
  EventLog& log_;
  std::string name_;
};

}  // namespace KelpforgeTests
