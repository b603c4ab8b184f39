// The font validator against our own fonts and against single corruptions of them, one for each
// read of stb_truetype it must keep inside the file.
#include "kelpforge/graphics/implementation/kf_font_validator.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/graphics/font_test_files.h"

namespace {

using Kelpforge::Graphics::kfImplementation::FontValidator;
using KelpforgeTests::Graphics::Append16;
using KelpforgeTests::Graphics::Append32;
using KelpforgeTests::Graphics::Component;
using KelpforgeTests::Graphics::CompositeGlyph;
using KelpforgeTests::Graphics::FontBytes;
using KelpforgeTests::Graphics::Point;
using KelpforgeTests::Graphics::ReplaceGlyphs;
using KelpforgeTests::Graphics::SimpleGlyph;
using KelpforgeTests::Graphics::SquareGlyph;

bool IsValid(const FontBytes& font) { return FontValidator(font.bytes.data(), font.bytes.size()).IsValid(); }

bool IsValidAfter(FontBytes font, const std::function<void(FontBytes&)>& corrupt) {
  corrupt(font);
  return IsValid(font);
}

TEST(FontValidator, AcceptsTheBuiltInAndGameFontsWithEveryGlyph) {
  for (const FontBytes& font : {FontBytes::BuiltIn(), FontBytes::Game()}) {
    FontValidator validator(font.bytes.data(), font.bytes.size());
    ASSERT_TRUE(validator.IsValid());
    EXPECT_EQ(validator.GetGlyphCount(), font.GlyphCount());
    EXPECT_EQ(validator.GetUnitsPerEm(), font.U16(font.Table("head") + 18));
    EXPECT_TRUE(validator.AreAllGlyphsUsable());
    EXPECT_FALSE(validator.IsGlyphUsable(font.GlyphCount()));
    EXPECT_FALSE(validator.IsGlyphUsable(-1));
    for (int glyph = 0; glyph < font.GlyphCount(); ++glyph) ASSERT_TRUE(validator.IsKerningUsable(glyph));
  }
}

TEST(FontValidator, RejectsADirectoryOrTableOutsideTheFile) {
  const FontBytes font = FontBytes::BuiltIn();
  EXPECT_FALSE(FontValidator(font.bytes.data(), 11).IsValid());
  EXPECT_FALSE(FontValidator(nullptr, 0).IsValid());
  EXPECT_FALSE(IsValidAfter(font, [](FontBytes& f) { f.bytes.resize(12 + 16 * f.U16(4) - 1); }));
  EXPECT_FALSE(IsValidAfter(font, [](FontBytes& f) { f.Put32(0, 0x74746366); }));  // 'ttcf', a collection
  EXPECT_FALSE(IsValidAfter(font, [](FontBytes& f) { f.Put16(4, 0x0FFF); }));
  for (const char* tag : {"head", "hhea", "maxp", "hmtx", "cmap", "loca", "glyf", "kern"}) {
    SCOPED_TRACE(tag);
    EXPECT_FALSE(IsValidAfter(font, [tag](FontBytes& f) { f.Put32(f.Record(tag) + 12, static_cast<std::uint32_t>(f.bytes.size())); }));
    EXPECT_FALSE(IsValidAfter(font, [tag](FontBytes& f) { f.Put32(f.Record(tag) + 8, 0xFFFFFFF0u); }));
  }
  // Without glyf stb_truetype would parse the font as CFF.
  EXPECT_FALSE(IsValidAfter(font, [](FontBytes& f) { f.Put32(f.Record("glyf"), 0x78787878); }));
  // Only the first entry with a tag counts, as in stb_truetype.
  EXPECT_TRUE(IsValidAfter(font, [](FontBytes& f) {
    const std::size_t last = 12 + 16 * (f.U16(4) - 1u);
    std::memcpy(&f.bytes[last], "glyf", 4);
    f.Put32(last + 8, 0xFFFFFFF0u);
  }));
}

TEST(FontValidator, RejectsImpossibleHeaderFields) {
  const FontBytes font = FontBytes::BuiltIn();
  EXPECT_FALSE(IsValidAfter(font, [](FontBytes& f) { f.Put16(f.Table("head") + 18, 0); }));
  EXPECT_FALSE(IsValidAfter(font, [](FontBytes& f) { f.Put16(f.Table("head") + 18, FontValidator::kMinUnitsPerEm - 1); }));
  EXPECT_TRUE(IsValidAfter(font, [](FontBytes& f) { f.Put16(f.Table("head") + 18, FontValidator::kMinUnitsPerEm); }));
  EXPECT_FALSE(IsValidAfter(font, [](FontBytes& f) { f.Put16(f.Table("head") + 50, 2); }));
  EXPECT_FALSE(IsValidAfter(font, [](FontBytes& f) { f.Put32(f.Record("head") + 12, 53); }));
  EXPECT_FALSE(IsValidAfter(font, [](FontBytes& f) { f.Put16(f.Table("hhea") + 34, 0); }));
  EXPECT_FALSE(IsValidAfter(font, [](FontBytes& f) { f.Put16(f.Table("maxp") + 4, 0); }));
  // hmtx one byte short of the last side bearing, and loca short of the last glyph's end.
  EXPECT_FALSE(IsValidAfter(font, [](FontBytes& f) {
    const std::uint32_t longMetrics = f.U16(f.Table("hhea") + 34);
    f.Put32(f.Record("hmtx") + 12, 4 * longMetrics + 2 * (f.GlyphCount() - longMetrics) - 1);
  }));
  EXPECT_FALSE(IsValidAfter(font, [](FontBytes& f) { f.Put32(f.Record("loca") + 12, 2 * f.GlyphCount() + 1); }));
  EXPECT_FALSE(IsValidAfter(font, [](FontBytes& f) { f.Put16(f.Table("maxp") + 4, 0xFFFF); }));
}

// A cmap table holding one Unicode record and `subtable`.
std::vector<unsigned char> CmapWith(const std::vector<unsigned char>& subtable) {
  std::vector<unsigned char> cmap;
  Append16(cmap, 0), Append16(cmap, 1);
  Append16(cmap, 3), Append16(cmap, 1), Append32(cmap, 12);
  cmap.insert(cmap.end(), subtable.begin(), subtable.end());
  return cmap;
}

TEST(FontValidator, ChecksTheCmapSubtableStbTrueTypeUses) {
  const FontBytes font = FontBytes::BuiltIn();
  const auto records = [](const FontBytes& f) { return f.Table("cmap") + 4; };
  // The built-in font has a platform 0 record, then a platform 3 record; the last one is used.
  ASSERT_EQ(font.U16(records(font)), 0);
  ASSERT_EQ(font.U16(records(font) + 8), 3);
  EXPECT_TRUE(IsValidAfter(font, [&](FontBytes& f) { f.Put32(records(f) + 4, 0xFFFF); }));
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) { f.Put32(records(f) + 12, 0xFFFF); }));
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(records(f), 1), f.Put16(records(f) + 8, 1); }));

  const auto format4 = [&](const FontBytes& f) { return f.Table("cmap") + f.U32(records(f) + 12); };
  ASSERT_EQ(font.U16(format4(font)), 4);
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(format4(f), 2); }));  // stb_truetype asserts
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(format4(f) + 6, 2 * 0x1000); }));
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(format4(f) + 6, 0); }));
  // rangeShift or searchRange that carry the binary search past the last segment.
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(format4(f) + 12, f.U16(format4(f) + 6)); }));
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(format4(f) + 8, 2 * f.U16(format4(f) + 8)); }));
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(format4(f) + 10, 17); }));
  // The first segment's glyphs read through idRangeOffset, aimed at the end of the table.
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) {
    const std::size_t segments = f.U16(format4(f) + 6) / 2;
    f.Put16(format4(f) + 16 + 6 * segments, static_cast<std::uint32_t>(f.TableLength("cmap") & ~1u));
  }));

  // Formats 0, 6 and 12, each once in bounds and once one entry too long.
  const auto withCmap = [&](const std::vector<unsigned char>& subtable) {
    return IsValidAfter(font, [&](FontBytes& f) { f.ReplaceTable("cmap", CmapWith(subtable)); });
  };
  std::vector<unsigned char> format0;
  Append16(format0, 0), Append16(format0, 6 + 128), Append16(format0, 0);
  format0.resize(6 + 128, 1);
  EXPECT_TRUE(withCmap(format0));
  format0[3] += 1;
  EXPECT_FALSE(withCmap(format0));
  std::vector<unsigned char> format6;
  Append16(format6, 6), Append16(format6, 0), Append16(format6, 0), Append16(format6, 0x41), Append16(format6, 3);
  for (int i = 1; i <= 3; ++i) Append16(format6, static_cast<std::uint32_t>(i));
  EXPECT_TRUE(withCmap(format6));
  format6[9] = 4;
  EXPECT_FALSE(withCmap(format6));
  std::vector<unsigned char> format12;
  Append16(format12, 12), Append16(format12, 0), Append32(format12, 28), Append32(format12, 0), Append32(format12, 1);
  Append32(format12, 0x41), Append32(format12, 0x5A), Append32(format12, 1);
  EXPECT_TRUE(withCmap(format12));
  format12[15] = 2;
  EXPECT_FALSE(withCmap(format12));
}

TEST(FontValidator, ChecksKernPairsOnlyWhereStbTrueTypeReadsThem) {
  const FontBytes font = FontBytes::BuiltIn();
  const auto kern = [](const FontBytes& f) { return f.Table("kern"); };
  ASSERT_EQ(font.U16(kern(font) + 8), 1);  // horizontal, format 0
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(kern(f) + 10, f.U16(kern(f) + 10) + 1u); }));
  // A subtable stb_truetype does not search, or no subtable at all, is never read.
  EXPECT_TRUE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(kern(f) + 8, 0x0101), f.Put16(kern(f) + 10, 0xFFFF); }));
  EXPECT_TRUE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(kern(f) + 2, 0), f.Put16(kern(f) + 10, 0xFFFF); }));
}

TEST(FontValidator, ChecksGposPairAdjustment) {
  const FontBytes font = FontBytes::Game();
  const auto lookupList = [](const FontBytes& f) { return f.Table("GPOS") + f.U16(f.Table("GPOS") + 8); };
  const auto lookup = [&](const FontBytes& f) { return lookupList(f) + f.U16(lookupList(f) + 2); };
  const auto subtable = [&](const FontBytes& f, int index) { return lookup(f) + f.U16(lookup(f) + 6 + 2 * index); };
  // The game font's kerning: one pair-adjustment lookup with a format 1 and a format 2 subtable.
  ASSERT_EQ(font.U16(lookup(font)), 2);
  ASSERT_EQ(font.U16(subtable(font, 0)), 1);
  ASSERT_EQ(font.U16(subtable(font, 1)), 2);
  const std::uint32_t gposLength = static_cast<std::uint32_t>(font.TableLength("GPOS"));

  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(lookupList(f) + 2, gposLength); }));
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(lookup(f) + 4, 0x7FFF); }));
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) {
    const std::size_t coverage = subtable(f, 0) + f.U16(subtable(f, 0) + 2);
    f.Put16(coverage + 2, 0xFFFF);
  }));
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(subtable(f, 1) + 14, 0xFFFF); }));
  EXPECT_FALSE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(subtable(f, 1) + 8, gposLength); }));
  // Version 1.1 is not read by stb_truetype at all.
  EXPECT_TRUE(IsValidAfter(font, [&](FontBytes& f) { f.Put16(f.Table("GPOS") + 2, 1), f.Put16(lookup(f) + 4, 0x7FFF); }));

  // A pair set too long for the table spoils the kerning of the first glyph it belongs to only.
  FontBytes broken = font;
  const std::size_t coverage = subtable(broken, 0) + broken.U16(subtable(broken, 0) + 2);
  ASSERT_EQ(broken.U16(coverage), 2);  // ranges: start, end, coverage index of the start
  ASSERT_EQ(broken.U16(coverage + 8), 0);
  const int firstCovered = broken.U16(coverage + 4);
  const int laterCovered = broken.U16(coverage + 10);
  const std::size_t pairSet = subtable(broken, 0) + broken.U16(subtable(broken, 0) + 10);
  broken.Put16(pairSet, 0xFFFF);
  FontValidator validator(broken.bytes.data(), broken.bytes.size());
  ASSERT_TRUE(validator.IsValid());
  EXPECT_FALSE(validator.IsKerningUsable(firstCovered));
  EXPECT_TRUE(validator.IsKerningUsable(laterCovered));
}

TEST(FontValidator, ChecksEachGlyphOutlineWhenFirstAskedFor) {
  FontBytes font = FontBytes::BuiltIn();
  std::vector<unsigned char> lonelyOffCurve = SimpleGlyph({0, 1}, {{0, 0, true}, {50, 50, false}});
  std::vector<unsigned char> tooManyPoints = SquareGlyph(100);
  tooManyPoints[11] = 40;  // the contour now ends at point 40: flags and coordinates run out
  std::vector<unsigned char> instructionsTooLong = SquareGlyph(100);
  instructionsTooLong[13] = 200;
  std::vector<unsigned char> coordinatesCut = SquareGlyph(100);
  coordinatesCut.resize(coordinatesCut.size() - 1);
  ReplaceGlyphs(font, {SquareGlyph(100), lonelyOffCurve, tooManyPoints, instructionsTooLong, coordinatesCut,
                       std::vector<unsigned char>(9, 0), SimpleGlyph({0}, {{5, 5, false}}), SquareGlyph(200)});
  // Glyph 7 made to end before it starts.
  const std::size_t glyph7 = font.LocaEntry(7);
  font.PutLocaEntry(7, font.LocaEntry(8));
  font.PutLocaEntry(8, glyph7);

  FontValidator validator(font.bytes.data(), font.bytes.size());
  ASSERT_TRUE(validator.IsValid());
  EXPECT_TRUE(validator.IsGlyphUsable(0));
  const FontValidator::OutlineBounds square = validator.GetOutlineBounds(0);
  EXPECT_EQ(square.vertexCount, 4 + 2);
  EXPECT_EQ(square.largestCoordinate, 100);
  EXPECT_FALSE(validator.IsGlyphUsable(1));  // the last point starts a contour off the curve
  EXPECT_FALSE(validator.IsGlyphUsable(2));
  EXPECT_FALSE(validator.IsGlyphUsable(3));
  EXPECT_FALSE(validator.IsGlyphUsable(4));
  EXPECT_FALSE(validator.IsGlyphUsable(5));  // shorter than a glyph header
  EXPECT_FALSE(validator.IsGlyphUsable(6));
  EXPECT_FALSE(validator.IsGlyphUsable(7));
  EXPECT_TRUE(validator.IsGlyphUsable(9));  // empty
  EXPECT_FALSE(validator.AreAllGlyphsUsable());
}

TEST(FontValidator, BoundsCompositeGlyphs) {
  const auto usable = [](const std::vector<std::vector<unsigned char>>& glyphs, int glyph) {
    FontBytes font = FontBytes::BuiltIn();
    ReplaceGlyphs(font, glyphs);
    FontValidator validator(font.bytes.data(), font.bytes.size());
    return validator.IsValid() && validator.IsGlyphUsable(glyph);
  };
  const std::vector<unsigned char> square = SquareGlyph(1000);
  EXPECT_TRUE(usable({square, CompositeGlyph({{0, 10, 10}, {0, 500, 0, 0.5}})}, 1));
  EXPECT_FALSE(usable({square, CompositeGlyph({{1, 0, 0}})}, 1));  // contains itself
  EXPECT_FALSE(usable({square, CompositeGlyph({{2, 0, 0}}), CompositeGlyph({{0, 0, 0}, {1, 0, 0}})}, 1));
  EXPECT_FALSE(usable({square, CompositeGlyph({{0xFFF0, 0, 0}})}, 1));
  std::vector<unsigned char> pointMatched = CompositeGlyph({{0, 0, 0}});
  pointMatched[11] &= ~0x02;  // anchor points instead of x/y offsets
  EXPECT_FALSE(usable({square, pointMatched}, 1));
  // Transformed coordinates must still fit 16 bits.
  const std::vector<unsigned char> wide = SquareGlyph(20000);
  EXPECT_TRUE(usable({wide, CompositeGlyph({{0, 12000, 0}})}, 1));
  EXPECT_FALSE(usable({wide, CompositeGlyph({{0, 13000, 0}})}, 1));
  EXPECT_FALSE(usable({wide, CompositeGlyph({{0, 0, 0, 1.9}})}, 1));

  // Nesting: glyph n holds glyph n - 1, so glyph n has n levels below it.
  std::vector<std::vector<unsigned char>> chain = {square};
  for (int n = 1; n <= FontValidator::kMaxComponentDepth + 1; ++n) chain.push_back(CompositeGlyph({{n - 1, 0, 0}}));
  EXPECT_TRUE(usable(chain, FontValidator::kMaxComponentDepth));
  EXPECT_FALSE(usable(chain, FontValidator::kMaxComponentDepth + 1));
  {
    FontBytes font = FontBytes::BuiltIn();
    ReplaceGlyphs(font, chain);
    FontValidator validator(font.bytes.data(), font.bytes.size());
    EXPECT_FALSE(validator.IsGlyphUsable(FontValidator::kMaxComponentDepth + 1));
    // Reached too deep from above, but fine on its own.
    EXPECT_TRUE(validator.IsGlyphUsable(2));
  }

  // Components and vertices counted over every level.
  const std::vector<Component> squares(FontValidator::kMaxExpandedComponents, Component{0, 0, 0});
  EXPECT_TRUE(usable({square, CompositeGlyph(squares)}, 1));
  std::vector<Component> tooMany = squares;
  tooMany.push_back({0, 0, 0});
  EXPECT_FALSE(usable({square, CompositeGlyph(tooMany)}, 1));
  std::vector<Point> ring;
  for (int i = 0; i < 998; ++i) ring.push_back({i, i % 2, true});
  const std::vector<unsigned char> big = SimpleGlyph({997}, ring);  // 998 + 2 vertices
  const int fitting = FontValidator::kMaxGlyphVertices / 1000;
  EXPECT_TRUE(usable({big, CompositeGlyph(std::vector<Component>(fitting, Component{0, 0, 0}))}, 1));
  EXPECT_FALSE(usable({big, CompositeGlyph(std::vector<Component>(fitting + 1, Component{0, 0, 0}))}, 1));
}

}  // namespace
