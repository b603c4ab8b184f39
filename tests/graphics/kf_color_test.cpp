// Color: the packed and float forms, clamping, the predefined colours and ColorLerp.
#include "kelpforge/graphics/kf_color.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Kelpforge::Graphics::Color;
using Kelpforge::Graphics::ColorLerp;

void ExpectFloats(const Color& color, float alpha, float red, float green, float blue) {
  EXPECT_EQ(color.alpha, alpha);
  EXPECT_EQ(color.red, red);
  EXPECT_EQ(color.green, green);
  EXPECT_EQ(color.blue, blue);
}

TEST(Color, EveryByteSurvivesPackedToFloatToPacked) {
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    // Over the loop every channel takes every byte value, each channel a different one at a time.
    const std::uint32_t red = 255 - byte;
    const std::uint32_t blue = (byte * 7) & 0xFF;
    const std::uint32_t packed = (byte << 24) | (red << 16) | (byte << 8) | blue;
    const Color fromPacked(packed);
    ASSERT_EQ(fromPacked.packedARGB, packed);
    // Each float is the one nearest byte / 255.
    auto nearest = [](std::uint32_t b) { return static_cast<float>(static_cast<double>(b) / 255.0); };
    ASSERT_EQ(fromPacked.alpha, nearest(byte)) << byte;
    ASSERT_EQ(fromPacked.red, nearest(red)) << byte;
    ASSERT_EQ(fromPacked.green, nearest(byte)) << byte;
    ASSERT_EQ(fromPacked.blue, nearest(blue)) << byte;
    Color again;
    again.SetColor(fromPacked.alpha, fromPacked.red, fromPacked.green, fromPacked.blue);
    ASSERT_EQ(again.packedARGB, packed) << "byte " << byte;
    ASSERT_EQ(again, fromPacked);
  }
}

TEST(Color, FourFloatSetterClampsThenPacksTruncating) {
  Color color;
  color.SetColor(1.5f, -0.2f, 0.5f, 1.0f);
  ExpectFloats(color, 1.0f, 0.0f, 0.5f, 1.0f);
  EXPECT_EQ(color.packedARGB, 0xFF007FFFu);

  color.SetColor(std::numeric_limits<float>::quiet_NaN(), 0.0f, -std::numeric_limits<float>::infinity(),
                 std::numeric_limits<float>::infinity());
  ExpectFloats(color, 0.0f, 0.0f, 0.0f, 1.0f);
  EXPECT_EQ(color.packedARGB, 0x000000FFu);
}

TEST(Color, PackedValuesGiveTheirBytesOver255) {
  const Color grey(0xFF808080u);
  ExpectFloats(grey, 1.0f, 128.0f / 255.0f, 128.0f / 255.0f, 128.0f / 255.0f);
  Color again;
  again.SetColor(grey.alpha, grey.red, grey.green, grey.blue);
  EXPECT_EQ(again.packedARGB, 0xFF808080u);

  Color halfWhite;
  halfWhite.SetColor(0x80FFFFFFu);
  EXPECT_NEAR(halfWhite.alpha, 0.50196f, 1e-5f);
  EXPECT_EQ(halfWhite.red, 1.0f);
  EXPECT_EQ(halfWhite.packedARGB, 0x80FFFFFFu);
}

TEST(Color, DefaultAndPredefinedColours) {
  EXPECT_EQ(Color(), Color::White);
  EXPECT_EQ(Color::White.packedARGB, 0xFFFFFFFFu);
  ExpectFloats(Color::White, 1, 1, 1, 1);
  EXPECT_EQ(Color::Black.packedARGB, 0xFF000000u);
  ExpectFloats(Color::Black, 1, 0, 0, 0);
  EXPECT_EQ(Color::Red.packedARGB, 0xFFFF0000u);
  ExpectFloats(Color::Red, 1, 1, 0, 0);
  EXPECT_EQ(Color::Green.packedARGB, 0xFF00FF00u);
  ExpectFloats(Color::Green, 1, 0, 1, 0);
  EXPECT_EQ(Color::Blue.packedARGB, 0xFF0000FFu);
  ExpectFloats(Color::Blue, 1, 0, 0, 1);
}

TEST(ColorLerp, BlendsFloatsAndPacksTheBlend) {
  const Color half = ColorLerp(0.5f, Color::Green, Color::Red);
  ExpectFloats(half, 1.0f, 0.5f, 0.5f, 0.0f);
  EXPECT_EQ(half.packedARGB, 0xFF7F7F00u);

  const Color quarter = ColorLerp(0.25f, Color::Green, Color::Red);
  ExpectFloats(quarter, 1.0f, 0.25f, 0.75f, 0.0f);
  EXPECT_EQ(quarter.packedARGB, 0xFF3FBF00u);

  EXPECT_EQ(ColorLerp(0.0f, Color::Green, Color::Red), Color::Green);
  EXPECT_EQ(ColorLerp(1.0f, Color::Green, Color::Red), Color::Red);
}

TEST(ColorLerp, OutsideZeroToOneGivesTheEndColoursUnchanged) {
  const Color from(0x80402010u);
  const Color to(0x11223344u);
  EXPECT_EQ(ColorLerp(-1.0f, from, to), from);
  EXPECT_EQ(ColorLerp(2.0f, from, to), to);
  EXPECT_EQ(ColorLerp(-1e-7f, from, to), from);
  EXPECT_EQ(ColorLerp(std::numeric_limits<float>::infinity(), from, to), to);
}

}  // namespace
