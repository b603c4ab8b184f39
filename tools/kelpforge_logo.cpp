#include "tools/kelpforge_logo.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kSize = KelpforgeTools::kLogoDrawingSize;
constexpr int kSamplesAtFullSize = 4;

// Premultiplied colour, so layers composite with "over" and samples average correctly.
struct Premultiplied {
  float r = 0, g = 0, b = 0, a = 0;
};

void Over(Premultiplied& destination, float r, float g, float b, float a) {
  destination.r = r * a + destination.r * (1 - a);
  destination.g = g * a + destination.g * (1 - a);
  destination.b = b * a + destination.b * (1 - a);
  destination.a = a + destination.a * (1 - a);
}

bool InsideRoundedSquare(float x, float y, float inset, float radius) {
  const float lo = inset + radius;
  const float hi = kSize - inset - radius;
  const float dx = std::max({lo - x, 0.0f, x - hi});
  const float dy = std::max({lo - y, 0.0f, y - hi});
  return x >= inset && x <= kSize - inset && y >= inset && y <= kSize - inset &&
         dx * dx + dy * dy <= radius * radius;
}

struct Frond {
  float baseX, topY, amplitude, wavelength, phase, baseWidth;
};

constexpr std::array<Frond, 3> kFronds = {{
    {78.0f, 70.0f, 10.0f, 90.0f, 0.3f, 9.0f},
    {130.0f, 42.0f, 14.0f, 110.0f, 2.1f, 11.0f},
    {182.0f, 88.0f, 9.0f, 80.0f, 4.0f, 8.0f},
}};

struct Bubble {
  float x, y, radius;
};

constexpr std::array<Bubble, 4> kBubbles = {{
    {104.0f, 72.0f, 7.0f}, {158.0f, 104.0f, 5.0f}, {112.0f, 46.0f, 4.0f}, {196.0f, 54.0f, 9.0f}}};

Premultiplied Sample(float x, float y) {
  Premultiplied colour;
  constexpr float kInset = 6.0f;
  constexpr float kRadius = 44.0f;
  if (!InsideRoundedSquare(x, y, kInset, kRadius)) return colour;

  // A lighter rim, then the water: teal at the top fading to deep navy.
  if (!InsideRoundedSquare(x, y, kInset + 5.0f, kRadius - 5.0f)) {
    Over(colour, 0.55f, 0.86f, 0.88f, 1.0f);
    return colour;
  }
  const float depth = y / kSize;
  Over(colour, 0.10f - 0.06f * depth, 0.45f - 0.30f * depth, 0.55f - 0.30f * depth, 1.0f);

  // Light shafts from the surface.
  for (float shaft : {60.0f, 120.0f, 170.0f}) {
    const float distance = std::fabs((x - shaft) - (y - 20.0f) * 0.35f);
    if (distance < 10.0f) Over(colour, 0.8f, 0.95f, 1.0f, 0.07f * (1.0f - depth));
  }

  // Kelp fronds rise from the sea floor, swaying and tapering towards the top.
  const float floor = kSize - kInset - 5.0f;
  for (const Frond& frond : kFronds) {
    if (y < frond.topY || y > floor) continue;
    const float along = (floor - y) / (floor - frond.topY);
    const float centre =
        frond.baseX + frond.amplitude * along * std::sin(y / frond.wavelength * 6.2832f + frond.phase);
    const float halfWidth = frond.baseWidth * (1.0f - 0.65f * along);
    const float offset = std::fabs(x - centre);
    if (offset > halfWidth) {
      // Blades hang off the stalk on alternating sides every 26 pixels.
      const float blade = std::fmod(floor - y, 26.0f);
      const bool leftSide = static_cast<int>((floor - y) / 26.0f) % 2 == 0;
      const float side = leftSide ? centre - x : x - centre;
      if (along > 0.15f && blade < 14.0f && side > 0.0f &&
          side < halfWidth + 14.0f * std::sin(blade / 14.0f * 3.1416f)) {
        Over(colour, 0.30f + 0.25f * along, 0.62f + 0.25f * along, 0.22f, 1.0f);
      }
      continue;
    }
    const float shade = 1.0f - 0.35f * offset / halfWidth;
    Over(colour, (0.20f + 0.30f * along) * shade, (0.55f + 0.30f * along) * shade, 0.18f * shade, 1.0f);
  }

  // Bubbles: thin bright rings with a faint fill.
  for (const Bubble& bubble : kBubbles) {
    const float distance = std::hypot(x - bubble.x, y - bubble.y);
    if (distance <= bubble.radius) Over(colour, 0.85f, 0.97f, 1.0f, 0.18f);
    if (std::fabs(distance - bubble.radius) < 1.2f) Over(colour, 0.90f, 1.0f, 1.0f, 0.85f);
  }

  // The forge's ember on the sea floor.
  const float ember = std::hypot(x - 130.0f, y - (floor - 6.0f));
  if (ember < 13.0f) Over(colour, 1.0f, 0.55f + 0.35f * (1.0f - ember / 13.0f), 0.15f, 1.0f);
  return colour;
}

}  // namespace

namespace KelpforgeTools {

std::vector<unsigned char> DrawKelpforgeLogo(int size) {
  const int samples = kSamplesAtFullSize * kSize / size;
  // Exactly 1 at full size, so the built-in image keeps its bytes.
  const float unitsPerPixel = static_cast<float>(kSize) / static_cast<float>(size);
  std::vector<unsigned char> rgba(static_cast<std::size_t>(size) * size * 4);
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      Premultiplied sum;
      for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
          const Premultiplied s = Sample((px + (sx + 0.5f) / samples) * unitsPerPixel,
                                         (py + (sy + 0.5f) / samples) * unitsPerPixel);
          sum.r += s.r;
          sum.g += s.g;
          sum.b += s.b;
          sum.a += s.a;
        }
      }
      const float count = static_cast<float>(samples * samples);
      unsigned char* pixel = &rgba[(static_cast<std::size_t>(py) * size + px) * 4];
      const float alpha = sum.a / count;
      // Straight (not premultiplied) alpha; fully transparent pixels are stored as transparent black.
      for (int c = 0; c < 3; ++c) {
        const float premultiplied = (c == 0 ? sum.r : c == 1 ? sum.g : sum.b) / count;
        const float straight = alpha > 0.0f ? premultiplied / alpha : 0.0f;
        pixel[c] = static_cast<unsigned char>(std::lround(std::clamp(straight, 0.0f, 1.0f) * 255.0f));
      }
      pixel[3] = static_cast<unsigned char>(std::lround(alpha * 255.0f));
    }
  }
  return rgba;
}

}  // namespace KelpforgeTools
