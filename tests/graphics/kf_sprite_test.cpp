// Sprite's fields and origin presets; drawing is covered by kf_sprite_display_test.cpp.
#include "kelpforge/graphics/kf_sprite.h"

#include <gtest/gtest.h>

namespace {

using Kelpforge::Graphics::Anchor;
using Kelpforge::Graphics::Color;
using Kelpforge::Graphics::Sprite;
using Kelpforge::Graphics::SpriteFrame;
using Kelpforge::Graphics::Vector2;
using namespace Kelpforge::Graphics;  // the Anchor values

SpriteFrame Frame(float width, float height) {
  SpriteFrame frame;
  frame.locationX = 4;
  frame.width = width;
  frame.height = height;
  frame.uvMaxX = 0.5f;
  frame.uvMaxY = 0.25f;
  frame.texture = 3;
  return frame;
}

TEST(Sprite, ConstructionCopiesTheFrameAndCentresTheOrigin) {
  const SpriteFrame frame = Frame(64, 32);
  const Sprite sprite(frame);
  EXPECT_EQ(sprite.GetFrame(), frame);
  EXPECT_EQ(sprite.origin, (Vector2{32, 16}));
  EXPECT_EQ(sprite.scale, (Vector2{1, 1}));
  EXPECT_EQ(sprite.rotation, 0.0f);
  EXPECT_EQ(sprite.color, Color::White);
  EXPECT_EQ(sprite.position, (Vector2{0, 0}));
  EXPECT_TRUE(sprite.isActive && sprite.isVisible && sprite.isRelativeToParent);
}

TEST(Sprite, SetOriginPlacesEveryAnchorOnTheFrameAndAnyOtherValueCentres) {
  Sprite sprite(Frame(64, 32));
  const std::pair<Anchor, Vector2> table[] = {
      {AnchorCenter, {32, 16}},     {AnchorTopLeft, {0, 0}},          {AnchorTopCenter, {32, 0}},
      {AnchorTopRight, {64, 0}},    {AnchorCenterLeft, {0, 16}},      {AnchorCenterRight, {64, 16}},
      {AnchorBottomLeft, {0, 32}},  {AnchorBottomCenter, {32, 32}},   {AnchorBottomRight, {64, 32}},
      {static_cast<Anchor>(9), {32, 16}}, {static_cast<Anchor>(-1), {32, 16}},
  };
  for (const auto& [anchor, origin] : table) {
    sprite.SetOrigin(AnchorBottomRight == anchor ? AnchorTopLeft : AnchorBottomRight);
    sprite.SetOrigin(anchor);
    EXPECT_EQ(sprite.origin, origin) << "anchor " << static_cast<int>(anchor);
  }
  EXPECT_EQ(AnchorCenter, 0);
  EXPECT_EQ(AnchorBottomRight, 8);
}

}  // namespace
