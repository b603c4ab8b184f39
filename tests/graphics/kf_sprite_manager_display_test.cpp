// Loading sprite sheets whose image decodes into a texture (so OpenGL is needed): the game's
// prototyping sheet, description layouts, reloading a sheet name, lookups and drawing from a sheet.
#include "kelpforge/graphics/kf_sprite_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "kelpforge/graphics/implementation/kf_sprite_manager_internal.h"
#include "kelpforge/graphics/kf_sprite.h"
#include "tests/graphics/gl_frame.h"

namespace {

using Kelpforge::Graphics::GetSpriteFrame;
using Kelpforge::Graphics::GetTextureRecord;
using Kelpforge::Graphics::InvalidTexture;
using Kelpforge::Graphics::LoadSpriteSheet;
using Kelpforge::Graphics::Sprite;
using Kelpforge::Graphics::SpriteFrame;
using Kelpforge::Graphics::SpriteSheet;
using Kelpforge::Graphics::TextureHandle;
using Kelpforge::Graphics::kfImplementation::FindSpriteSheet;
using KelpforgeTests::Pixel;
using KelpforgeTests::Graphics::ExpectedReport;
using KelpforgeTests::Graphics::GlFrameTest;
using KelpforgeTests::Graphics::kWhite;
using KelpforgeTests::Graphics::Rect;
using KelpforgeTests::Graphics::Screen;
using KelpforgeTests::Graphics::WritePng;
using KelpforgeTests::Graphics::WriteTextFile;

using SpriteSheetLoading = GlFrameTest;

// An image of that size; its pixels do not matter to the sheet.
std::string Image(const std::string& name, int width, int height) {
  return WritePng(name, width, height, 3, std::vector<unsigned char>(width * height * 3, 255));
}

// Loads a description with that text and expects no report.
void LoadQuietly(const std::string& sheetName, const std::string& descriptionText) {
  const std::string description = WriteTextFile(sheetName + ".txt", descriptionText);
  testing::internal::CaptureStdout();
  EXPECT_TRUE(LoadSpriteSheet(sheetName, description));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(SpriteSheetLoading, ThePrototypingSheetHoldsTheGamesTwoSpritesOnA256By256Image) {
  // The description names its image relative to the working directory, as the game runs.
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(KF_SOURCE_DIR);
  testing::internal::CaptureStdout();
  const bool loaded = LoadSpriteSheet("prototype_sheet", "data/prototyping_sheet.txt");
  const std::string printed = testing::internal::GetCapturedStdout();
  std::filesystem::current_path(previous);
  EXPECT_TRUE(loaded);
  EXPECT_EQ(printed, "");

  const SpriteSheet* sheet = FindSpriteSheet("prototype_sheet");
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->SpriteCount(), 2u);
  EXPECT_EQ(GetTextureRecord(sheet->texture).width, 256u);
  EXPECT_EQ(GetTextureRecord(sheet->texture).height, 256u);
  const SpriteFrame square = GetSpriteFrame("prototype_sheet", "solid_square");
  EXPECT_EQ(square, (SpriteFrame{0, 0, 64, 64, 0, 0, 0.25f, 0.25f, sheet->texture}));
  const SpriteFrame circle = GetSpriteFrame("prototype_sheet", "solid_circle");
  EXPECT_EQ(circle.width, 64.0f);
  EXPECT_EQ(circle.height, 64.0f);

  // The square is solid white; the circle is white, round and anti-aliased at its rim.
  Sprite squareSprite("prototype_sheet", "solid_square");
  squareSprite.position = {100, 100};
  squareSprite.Render();
  Sprite circleSprite("prototype_sheet", "solid_circle");
  circleSprite.position = {300, 100};
  circleSprite.Render();
  const Screen screen;
  EXPECT_EQ(screen.CountDiffering({68, 68, 132, 132}, kWhite), 0);
  EXPECT_TRUE(screen.IsBlack(67, 100));
  EXPECT_TRUE(screen.IsBlack(132, 100));
  EXPECT_EQ(screen.CountDiffering({290, 90, 310, 110}, kWhite), 0);
  EXPECT_TRUE(screen.IsBlack(270, 70));  // outside the rim, inside the frame
  // Frame pixel (9, 9), whose centre lies 31.8 pixels from the circle's centre.
  const Pixel rim = screen.At(268 + 9, 68 + 9);
  EXPECT_GT(rim[0], 0);
  EXPECT_LT(rim[0], 255);
  EXPECT_EQ(rim[0], rim[1]);
  EXPECT_EQ(rim[1], rim[2]);
}

TEST_F(SpriteSheetLoading, DescriptionLayouts) {
  const std::string image = Image("layouts.png", 100, 50);

  LoadQuietly("only_image_sheet", image);
  const SpriteSheet* onlyImage = FindSpriteSheet("only_image_sheet");
  ASSERT_NE(onlyImage, nullptr);
  EXPECT_NE(onlyImage->texture, InvalidTexture);
  EXPECT_EQ(onlyImage->SpriteCount(), 0u);

  LoadQuietly("trailing_space_sheet", image + "\na 0 0 10 10\nb 10 0 10 10\n \t\n  ");
  EXPECT_EQ(FindSpriteSheet("trailing_space_sheet")->SpriteCount(), 2u);

  LoadQuietly("spanning_sheet", image + " a\n10\n5\n\n20 25 b 0 0 1 1");
  const SpriteSheet* spanning = FindSpriteSheet("spanning_sheet");
  EXPECT_EQ(spanning->SpriteCount(), 2u);
  EXPECT_EQ(GetSpriteFrame("spanning_sheet", "a"),
            (SpriteFrame{10, 5, 20, 25, 0.1f, 0.1f, 0.3f, 0.6f, spanning->texture}));

  LoadQuietly("duplicate_sheet", image + "\nx 0 0 10 10\ny 0 0 1 1\nx 50 25 50 25\n");
  EXPECT_EQ(FindSpriteSheet("duplicate_sheet")->SpriteCount(), 2u);
  EXPECT_EQ(GetSpriteFrame("duplicate_sheet", "x").locationX, 50.0f);
  EXPECT_EQ(GetSpriteFrame("duplicate_sheet", "x").uvMaxY, 1.0f);

  // Reading stops at the non-number; the record before it stays, nothing after it is read.
  LoadQuietly("malformed_sheet", image + "\nkept 0 0 10 10\nbroken 0 zero 10 10\nlater 0 0 5 5\n");
  const SpriteSheet* malformed = FindSpriteSheet("malformed_sheet");
  EXPECT_EQ(malformed->SpriteCount(), 1u);
  EXPECT_NE(malformed->FindSprite("kept"), nullptr);
}

TEST_F(SpriteSheetLoading, ReloadingASheetNameKeepsTheOldFramesWithTheirOwnTexture) {
  LoadQuietly("reloaded_sheet", Image("first.png", 64, 64) + "\nold 0 0 32 32\nshared 0 0 64 64\n");
  const SpriteFrame oldBefore = GetSpriteFrame("reloaded_sheet", "old");
  const TextureHandle firstTexture = FindSpriteSheet("reloaded_sheet")->texture;

  LoadQuietly("reloaded_sheet", Image("second.png", 128, 32) + "\nshared 0 0 64 16\nnew 64 16 64 16\n");
  const SpriteSheet* sheet = FindSpriteSheet("reloaded_sheet");
  EXPECT_NE(sheet->texture, firstTexture);
  EXPECT_EQ(sheet->SpriteCount(), 3u);
  EXPECT_EQ(GetSpriteFrame("reloaded_sheet", "old"), oldBefore);
  EXPECT_EQ(oldBefore, (SpriteFrame{0, 0, 32, 32, 0, 0, 0.5f, 0.5f, firstTexture}));
  EXPECT_EQ(GetSpriteFrame("reloaded_sheet", "shared"),
            (SpriteFrame{0, 0, 64, 16, 0, 0, 0.5f, 0.5f, sheet->texture}));
  EXPECT_EQ(GetSpriteFrame("reloaded_sheet", "new"),
            (SpriteFrame{64, 16, 64, 16, 0.5f, 0.5f, 1.0f, 1.0f, sheet->texture}));
}

TEST_F(SpriteSheetLoading, LookupsAreExactAndReportWhatIsMissing) {
  LoadQuietly("exact_sheet", Image("exact.png", 64, 64) + "\nsolid_square 0 0 64 64\n");
  EXPECT_EQ(GetSpriteFrame("exact_sheet", "solid_square").width, 64.0f);

  testing::internal::CaptureStdout();
  const SpriteFrame wrongCase = GetSpriteFrame("exact_sheet", "Solid_square");
  const SpriteFrame wrongSheet = GetSpriteFrame("Exact_sheet", "solid_square");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            ExpectedReport("kelpforge/graphics/kf_sprite_sheet.cpp", "Sprite with name",
                           "Sprite with name Solid_square does not exist.") +
                ExpectedReport("kelpforge/graphics/kf_sprite_manager.cpp", "SpriteSheet with name",
                               "SpriteSheet with name Exact_sheet does not exist."));
  EXPECT_EQ(wrongCase, SpriteFrame{});
  EXPECT_EQ(wrongSheet, SpriteFrame{});
  EXPECT_EQ(wrongSheet.texture, InvalidTexture);
}

}  // namespace
