// A small network overlay for an online game: four line graphs of the last five seconds (round
// trip, steps rolled back per second, steps ahead, kB/s each way) on a dark panel, each labelled
// with its name and scale, so a player can see why the match feels as it does. It reads a match's
// history when drawn; building it makes its labels (textures), drawing allocates nothing.
#pragma once

#include <array>
#include <memory>

#include "kelpforge/graphics/kf_graphic.h"
#include "kelpforge/graphics/kf_text.h"
#include "kelpforge/online/kf_network_statistics.h"

namespace Kelpforge::Online {

class NetworkOverlay : public Graphics::Graphic {
public:
  // Needs the window's OpenGL context. `history` must outlive the overlay. `position` is the
  // panel's top-left corner.
  explicit NetworkOverlay(const NetworkHistory& history);
  ~NetworkOverlay() override;

  void Render() override;

  static constexpr float kWidth = 300.0f;
  static constexpr float kGraphHeight = 44.0f;
  static constexpr float kLabelHeight = 16.0f;
  static constexpr int kGraphs = 4;

private:
  const NetworkHistory& history;
  std::array<std::unique_ptr<Graphics::Text>, kGraphs> labels;
};

}  // namespace Kelpforge::Online
