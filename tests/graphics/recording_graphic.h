// A Graphic that writes its name into a shared log on every Update and Render, so tests can see
// which graphics a list passes the frame to, and in which order.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "kelpforge/graphics/kf_graphic.h"

namespace KelpforgeTests::Graphics {

class RecordingGraphic : public Kelpforge::Graphics::Graphic {
public:
  RecordingGraphic(std::string graphicName, std::vector<std::string>& sharedLog)
      : name(std::move(graphicName)), log(sharedLog) {}

  void Update(float deltaTime) override {
    log.push_back("update " + name + " " + std::to_string(deltaTime).substr(0, 4));
  }
  void Render() override { log.push_back("render " + name); }

  std::string name;
  std::vector<std::string>& log;
};

}  // namespace KelpforgeTests::Graphics
