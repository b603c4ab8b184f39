// Color: one colour held in two forms at once, four floats (0 to 1) for drawing and the same
// colour packed as 0xAARRGGBB. Every setter updates both; the byte/float conversions are exact for
// every byte value.
#pragma once

#include <cstdint>

namespace Kelpforge::Graphics {

class Color {
public:
  // Color::White.
  constexpr Color() { SetColor(0xFFFFFFFFu); }
  constexpr explicit Color(std::uint32_t argb) { SetColor(argb); }

  // Each float becomes its byte divided by 255.
  constexpr void SetColor(std::uint32_t argb) {
    packedARGB = argb;
    alpha = ByteToFloat(argb >> 24);
    red = ByteToFloat(argb >> 16);
    green = ByteToFloat(argb >> 8);
    blue = ByteToFloat(argb);
  }

  // Clamps each component to 0..1 (NaN counts as 0), then packs the clamped values, each times
  // 255 truncated toward zero.
  constexpr void SetColor(float newAlpha, float newRed, float newGreen, float newBlue) {
    alpha = Clamp01(newAlpha);
    red = Clamp01(newRed);
    green = Clamp01(newGreen);
    blue = Clamp01(newBlue);
    packedARGB = (FloatToByte(alpha) << 24) | (FloatToByte(red) << 16) |
                 (FloatToByte(green) << 8) | FloatToByte(blue);
  }

  friend bool operator==(const Color&, const Color&) = default;

  static const Color White;
  static const Color Black;
  static const Color Red;
  static const Color Green;
  static const Color Blue;

  float alpha = 1.0f;
  float red = 1.0f;
  float green = 1.0f;
  float blue = 1.0f;
  std::uint32_t packedARGB = 0xFFFFFFFFu;

private:
  // Single-precision division is correctly rounded, so this is the float nearest byte / 255.
  static constexpr float ByteToFloat(std::uint32_t byte) {
    return static_cast<float>(byte & 0xFFu) / 255.0f;
  }
  static constexpr float Clamp01(float value) {
    if (!(value > 0.0f)) return 0.0f;
    return value > 1.0f ? 1.0f : value;
  }
  static constexpr std::uint32_t FloatToByte(float unit) {
    return static_cast<std::uint32_t>(unit * 255.0f) & 0xFFu;
  }
};

// Constant-initialised, so they are in place before any dynamic initialisation reads them.
inline constexpr Color Color::White{0xFFFFFFFFu};
inline constexpr Color Color::Black{0xFF000000u};
inline constexpr Color Color::Red{0xFFFF0000u};
inline constexpr Color Color::Green{0xFF00FF00u};
inline constexpr Color Color::Blue{0xFF0000FFu};

// t < 0 gives `from`, t > 1 gives `to` (both through their packed values); otherwise each float
// component is blended in single precision and the packed value follows from the blend.
Color ColorLerp(float t, const Color& from, const Color& to);

}  // namespace Kelpforge::Graphics
