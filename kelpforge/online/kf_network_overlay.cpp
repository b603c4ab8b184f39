#include "kelpforge/online/kf_network_overlay.h"

#include <algorithm>

#include "kelpforge/graphics/kf_color.h"
#include "kelpforge/graphics/implementation/kf_opengl.h"

namespace Kelpforge::Online {

namespace {

constexpr float kMargin = 6.0f;
constexpr float kRowHeight = NetworkOverlay::kLabelHeight + NetworkOverlay::kGraphHeight + 4.0f;

struct GraphLine {
  float NetworkHistory::Sample::*field;
  float lowest;
  float highest;
  float red, green, blue;
};

struct GraphSpec {
  const char* label;
  std::array<GraphLine, 2> lines;
  int lineCount;
};

const std::array<GraphSpec, NetworkOverlay::kGraphs> kGraphSpecs = {{
    {"round trip, 0-400 ms", {{{&NetworkHistory::Sample::roundTripMilliseconds, 0.0f, 400.0f, 0.4f, 0.8f, 1.0f}}}, 1},
    {"steps rolled back per second, 0-200",
     {{{&NetworkHistory::Sample::rolledBackStepsPerSecond, 0.0f, 200.0f, 1.0f, 0.6f, 0.2f}}}, 1},
    {"steps ahead, -10 to +10", {{{&NetworkHistory::Sample::stepsAhead, -10.0f, 10.0f, 0.4f, 1.0f, 0.4f}}}, 1},
    {"kB/s sent (white) and received (yellow), 0-8",
     {{{&NetworkHistory::Sample::sentKilobytesPerSecond, 0.0f, 8.0f, 1.0f, 1.0f, 1.0f},
       {&NetworkHistory::Sample::receivedKilobytesPerSecond, 0.0f, 8.0f, 1.0f, 0.9f, 0.2f}}},
     2},
}};

}  // namespace

NetworkOverlay::NetworkOverlay(const NetworkHistory& history) : history(history) {
  for (int i = 0; i < kGraphs; ++i) {
    labels[i] = std::make_unique<Graphics::Text>(kGraphSpecs[i].label, "", 13.0f);
    labels[i]->SetColor(Graphics::Color(0xFFE0E0E0u));
  }
}

NetworkOverlay::~NetworkOverlay() = default;

void NetworkOverlay::Render() {
  const float left = position.x;
  const float top = position.y;
  const float height = kGraphs * kRowHeight + kMargin;

  // Lines and the panel are untextured; the labels draw textured again.
  glDisable(GL_TEXTURE_2D);
  glColor4f(0.0f, 0.0f, 0.0f, 0.7f);
  glBegin(GL_TRIANGLE_STRIP);
  glVertex2f(left, top);
  glVertex2f(left, top + height);
  glVertex2f(left + kWidth, top);
  glVertex2f(left + kWidth, top + height);
  glEnd();

  const std::size_t kept = std::min(history.count, NetworkHistory::kSamples);
  const float graphLeft = left + kMargin;
  const float graphWidth = kWidth - 2.0f * kMargin;
  const float stepX = graphWidth / static_cast<float>(NetworkHistory::kSamples - 1);
  for (int graph = 0; graph < kGraphs; ++graph) {
    const float graphTop = top + kMargin + graph * kRowHeight + kLabelHeight;
    const float graphBottom = graphTop + kGraphHeight;
    glColor4f(1.0f, 1.0f, 1.0f, 0.25f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(graphLeft, graphTop);
    glVertex2f(graphLeft + graphWidth, graphTop);
    glVertex2f(graphLeft + graphWidth, graphBottom);
    glVertex2f(graphLeft, graphBottom);
    glEnd();
    const GraphSpec& spec = kGraphSpecs[graph];
    for (int line = 0; line < spec.lineCount; ++line) {
      const GraphLine& g = spec.lines[line];
      glColor4f(g.red, g.green, g.blue, 1.0f);
      glBegin(GL_LINE_STRIP);
      // The newest sample sits at the right edge.
      const float firstX = graphLeft + graphWidth - static_cast<float>(kept > 0 ? kept - 1 : 0) * stepX;
      for (std::size_t i = 0; i < kept; ++i) {
        const float value = std::clamp(history.Oldest(i).*g.field, g.lowest, g.highest);
        const float share = (value - g.lowest) / (g.highest - g.lowest);
        glVertex2f(firstX + static_cast<float>(i) * stepX, graphBottom - share * kGraphHeight);
      }
      glEnd();
    }
  }
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glEnable(GL_TEXTURE_2D);

  for (int graph = 0; graph < kGraphs; ++graph) {
    labels[graph]->position = {graphLeft, top + kMargin + graph * kRowHeight};
    labels[graph]->Render();
  }
}

}  // namespace Kelpforge::Online
