// The sprite sheet description reader, SpriteSheet's frames and the lookups' reports. Textures
// here are records added to the table by hand, so nothing needs OpenGL; loading sheets whose
// image decodes is covered by kf_sprite_manager_display_test.cpp.
#include "kelpforge/graphics/kf_sprite_sheet.h"

#include <gtest/gtest.h>

#include <string>

#include "kelpforge/core/implementation/kf_file.h"
#include "kelpforge/graphics/implementation/kf_sprite_manager_internal.h"
#include "kelpforge/graphics/implementation/kf_sprite_sheet_internal.h"
#include "kelpforge/graphics/implementation/kf_texture_manager_internal.h"
#include "kelpforge/graphics/kf_sprite_manager.h"
#include "tests/graphics/graphics_test_files.h"

namespace {

using Kelpforge::Core::kMaxImageFileBytes;
using Kelpforge::Core::kMaxSpriteSheetFileBytes;
using Kelpforge::Core::kMaxSpriteSheetTokenBytes;
using Kelpforge::Graphics::GetSpriteFrame;
using Kelpforge::Graphics::InvalidTexture;
using Kelpforge::Graphics::LoadSpriteSheet;
using Kelpforge::Graphics::SpriteFrame;
using Kelpforge::Graphics::SpriteSheet;
using Kelpforge::Graphics::TextureHandle;
using Kelpforge::Graphics::TextureRecord;
using Kelpforge::Graphics::kfImplementation::FindSpriteSheet;
using Kelpforge::Graphics::kfImplementation::ReadSpriteSheetDescription;
using Kelpforge::Graphics::kfImplementation::SpriteSheetDescription;
using Kelpforge::Graphics::kfImplementation::TheTextureTable;
using KelpforgeTests::Graphics::ExpectedReport;
using KelpforgeTests::Graphics::NonRegularPaths;
using KelpforgeTests::Graphics::PaddedFile;
using KelpforgeTests::Graphics::PngBytes;
using KelpforgeTests::Graphics::WriteTextFile;

const std::string kSheetUnit = "kelpforge/graphics/kf_sprite_sheet.cpp";
const std::string kManagerUnit = "kelpforge/graphics/kf_sprite_manager.cpp";

SpriteSheetDescription Read(const std::string& text) { return ReadSpriteSheetDescription(text); }

// A texture record made by hand: sizes for AddSprite, no OpenGL texture behind it.
TextureHandle FakeTexture(std::uint32_t width, std::uint32_t height) {
  return TheTextureTable().Add(TextureRecord{0, width, height});
}

void ExpectFrame(const SpriteFrame& frame, float x, float y, float w, float h, float uvMinX, float uvMinY,
                 float uvMaxX, float uvMaxY, TextureHandle texture) {
  EXPECT_EQ(frame.locationX, x);
  EXPECT_EQ(frame.locationY, y);
  EXPECT_EQ(frame.width, w);
  EXPECT_EQ(frame.height, h);
  EXPECT_EQ(frame.uvMinX, uvMinX);
  EXPECT_EQ(frame.uvMinY, uvMinY);
  EXPECT_EQ(frame.uvMaxX, uvMaxX);
  EXPECT_EQ(frame.uvMaxY, uvMaxY);
  EXPECT_EQ(frame.texture, texture);
}

TEST(SpriteSheetDescription, ImagePathThenRecordsInAnyLineLayout) {
  const SpriteSheetDescription onlyPath = Read("images/sheet.png");
  EXPECT_EQ(onlyPath.imagePath, "images/sheet.png");
  EXPECT_TRUE(onlyPath.records.empty());

  // A record spanning lines, two records on one line, tabs, and trailing whitespace.
  const SpriteSheetDescription layout =
      Read("  sheet.png\r\nwide 1\n2\n  3.5\t4e1\nsmall -1 +2 .5 6 other 7 8 9 10 \n\n\t ");
  EXPECT_EQ(layout.imagePath, "sheet.png");
  ASSERT_EQ(layout.records.size(), 3u);
  EXPECT_EQ(layout.records[0].name, "wide");
  EXPECT_EQ(layout.records[0].x, 1.0f);
  EXPECT_EQ(layout.records[0].y, 2.0f);
  EXPECT_EQ(layout.records[0].width, 3.5f);
  EXPECT_EQ(layout.records[0].height, 40.0f);
  EXPECT_EQ(layout.records[1].name, "small");
  EXPECT_EQ(layout.records[1].x, -1.0f);
  EXPECT_EQ(layout.records[1].y, 2.0f);
  EXPECT_EQ(layout.records[1].width, 0.5f);
  EXPECT_EQ(layout.records[2].name, "other");
  EXPECT_EQ(layout.records[2].height, 10.0f);

  EXPECT_EQ(Read("").imagePath, "");
  EXPECT_TRUE(Read(" \n\t").records.empty());
}

TEST(SpriteSheetDescription, StopsAtTheFirstIncompleteRecordAndKeepsTheOnesBefore) {
  const SpriteSheetDescription badNumber = Read("s.png a 1 2 3 4 b 1 two 3 4 c 5 6 7 8");
  ASSERT_EQ(badNumber.records.size(), 1u);
  EXPECT_EQ(badNumber.records[0].name, "a");

  const SpriteSheetDescription endInside = Read("s.png a 1 2 3 4 b 1 2 3");
  ASSERT_EQ(endInside.records.size(), 1u);
  EXPECT_EQ(endInside.records[0].name, "a");

  // A name may look like anything, but a number must be a number.
  const SpriteSheetDescription numberAsName = Read("s.png 12 1 2 3 4 x y 1 2 3");
  ASSERT_EQ(numberAsName.records.size(), 1u);
  EXPECT_EQ(numberAsName.records[0].name, "12");
  EXPECT_TRUE(Read("s.png a 1 2 3 1e999").records.empty());
}

TEST(SpriteSheetDescription, TakesNoTokenLongerThanTheCapAndSplitsWordsAsStreamsDo) {
  const std::string longest(kMaxSpriteSheetTokenBytes, '0'), endless = longest + "0";
  EXPECT_EQ(Read(longest + " " + longest + " 1 2 3 " + longest).records.size(), 1u);
  EXPECT_FALSE(Read(" " + endless + " a 1 2 3 4").isReadable);
  // A later endless word, name or number, ends reading like a malformed record.
  EXPECT_EQ(Read("s.png a 1 2 3 4 " + endless + " 1 2 3 4").records.size(), 1u);
  EXPECT_EQ(Read("s.png a 1 2 3 4 b 1 2 3 " + endless).records.size(), 1u);
  // A number ends where stream extraction ends it; the rest of its word is the next token.
  const SpriteSheetDescription split = Read("s.png a 1 2 3 4b 5 6 7 8");
  ASSERT_EQ(split.records.size(), 2u);
  EXPECT_EQ(split.records[1].name, "b");
}

TEST(SpriteSheet, AddSpriteComputesTextureCoordinatesFromTheTextureSize) {
  SpriteSheet sheet;
  sheet.texture = FakeTexture(256, 256);
  sheet.AddSprite("solid_square", 0, 0, 64, 64);
  ExpectFrame(sheet.GetSpriteFrame("solid_square"), 0, 0, 64, 64, 0, 0, 0.25f, 0.25f, sheet.texture);

  SpriteSheet wide;
  wide.texture = FakeTexture(200, 50);
  wide.AddSprite("part", 20, 10, 30, 40);
  ExpectFrame(wide.GetSpriteFrame("part"), 20, 10, 30, 40, 0.1f, 0.2f, 0.25f, 1.0f, wide.texture);
  // Rectangles are not validated: outside the image or negative, they are stored as given.
  wide.AddSprite("outside", -100, 25, -50, 100);
  ExpectFrame(wide.GetSpriteFrame("outside"), -100, 25, -50, 100, -0.5f, 0.5f, -0.75f, 2.5f, wide.texture);
}

TEST(SpriteSheet, ALaterSpriteOfTheSameNameWinsAndNamesAreCaseSensitive) {
  SpriteSheet sheet;
  sheet.texture = FakeTexture(128, 128);
  sheet.AddSprite("solid_square", 0, 0, 64, 64);
  sheet.AddSprite("solid_square", 64, 0, 32, 32);
  EXPECT_EQ(sheet.SpriteCount(), 1u);
  ExpectFrame(sheet.GetSpriteFrame("solid_square"), 64, 0, 32, 32, 0.5f, 0, 0.75f, 0.25f, sheet.texture);

  EXPECT_EQ(sheet.FindSprite("Solid_Square"), nullptr);
  EXPECT_EQ(sheet.FindSprite("solid_square "), nullptr);
  testing::internal::CaptureStdout();
  const SpriteFrame missing = sheet.GetSpriteFrame("SOLID_SQUARE");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            ExpectedReport(kSheetUnit, "Sprite with name", "Sprite with name SOLID_SQUARE does not exist."));
  ExpectFrame(missing, 0, 0, 0, 0, 0, 0, 0, 0, InvalidTexture);
}

TEST(SpriteSheet, WithoutATextureAddSpriteReportsAndAddsNothing) {
  SpriteSheet sheet;
  testing::internal::CaptureStdout();
  sheet.AddSprite("ball", 0, 0, 8, 8);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            ExpectedReport(kSheetUnit, "Cannot create sprite",
                           "Cannot create sprite ball without a texture first."));
  EXPECT_EQ(sheet.SpriteCount(), 0u);
}

TEST(SpriteManager, AMissingDescriptionFileReportsOnceAndCreatesNoSheet) {
  const std::string path = WriteTextFile("unused.txt", "") + ".missing";
  testing::internal::CaptureStdout();
  EXPECT_FALSE(LoadSpriteSheet("missing_description_sheet", path));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            ExpectedReport(kManagerUnit, "Was unable to load sprite sheet",
                           "Was unable to load sprite sheet: " + path + "\n"));
  EXPECT_EQ(FindSpriteSheet("missing_description_sheet"), nullptr);

  testing::internal::CaptureStdout();
  const SpriteFrame frame = GetSpriteFrame("missing_description_sheet", "solid_square");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            ExpectedReport(kManagerUnit, "SpriteSheet with name",
                           "SpriteSheet with name missing_description_sheet does not exist."));
  ExpectFrame(frame, 0, 0, 0, 0, 0, 0, 0, 0, InvalidTexture);
}

TEST(SpriteManager, AnImageThatDoesNotLoadLeavesASheetWithoutTextureThatRefusesEverySprite) {
  const std::string image = WriteTextFile("broken_image.png", "not an image");
  const std::string description = WriteTextFile("broken_image.txt", image + "\nfirst 0 0 1 1\nsecond 1 1 1 1\n");
  const std::size_t texturesBefore = TheTextureTable().Count();
  testing::internal::CaptureStdout();
  EXPECT_TRUE(LoadSpriteSheet("broken_image_sheet", description));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            ExpectedReport(kManagerUnit, "Was unable to load texture",
                           "Was unable to load texture: " + image + "\n") +
                ExpectedReport(kSheetUnit, "Cannot create sprite",
                               "Cannot create sprite first without a texture first.") +
                ExpectedReport(kSheetUnit, "Cannot create sprite",
                               "Cannot create sprite second without a texture first."));
  EXPECT_EQ(TheTextureTable().Count(), texturesBefore);
  const SpriteSheet* sheet = FindSpriteSheet("broken_image_sheet");
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->texture, InvalidTexture);
  EXPECT_EQ(sheet->SpriteCount(), 0u);

  // The sheet exists, so a lookup now reports the sprite, not the sheet.
  testing::internal::CaptureStdout();
  GetSpriteFrame("broken_image_sheet", "first");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            ExpectedReport(kSheetUnit, "Sprite with name", "Sprite with name first does not exist."));
}

TEST(SpriteManager, AnEmptyDescriptionNamesNoImage) {
  const std::string description = WriteTextFile("empty.txt", "");
  testing::internal::CaptureStdout();
  EXPECT_TRUE(LoadSpriteSheet("empty_description_sheet", description));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            ExpectedReport(kManagerUnit, "Was unable to load texture", "Was unable to load texture: \n"));
  ASSERT_NE(FindSpriteSheet("empty_description_sheet"), nullptr);
}

TEST(SpriteManager, DescriptionsAndImagesThatAreNoRegularFileOfSaneSizeGetTheUsualReports) {
  std::vector<std::string> sheets = NonRegularPaths("fifo_sheet.txt");
  sheets.push_back(PaddedFile("padded_sheet.txt", "image.png a 0 0 1 1\n", kMaxSpriteSheetFileBytes + 1));
  sheets.push_back(WriteTextFile("one_word_sheet.txt", std::string(kMaxSpriteSheetTokenBytes + 1, 'x')));
  std::vector<std::string> images = NonRegularPaths("fifo_image.png");
  const std::vector<unsigned char> png = PngBytes(1, 1, 3, {1, 2, 3});
  images.push_back(PaddedFile("padded_image.png", {png.begin(), png.end()}, kMaxImageFileBytes + 1));
  std::string expected;
  testing::internal::CaptureStdout();
  for (const std::string& sheet : sheets) {
    EXPECT_FALSE(LoadSpriteSheet("refused_sheet", sheet));
    expected +=
        ExpectedReport(kManagerUnit, "load sprite sheet", "Was unable to load sprite sheet: " + sheet + "\n");
  }
  for (const std::string& image : images) {
    EXPECT_TRUE(LoadSpriteSheet("refused_image_sheet", WriteTextFile("names_refused_image.txt", image)));
    expected += ExpectedReport(kManagerUnit, "load texture", "Was unable to load texture: " + image + "\n");
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
  EXPECT_EQ(FindSpriteSheet("refused_sheet"), nullptr);
}

}  // namespace
