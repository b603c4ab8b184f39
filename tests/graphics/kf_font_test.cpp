// The font side of Text: sizes and widths from our fonts' own metrics, UTF-8, glyph placement and
// the regions glyphs rewrite, the font table, and hostile fonts drawn without a write outside the
// bitmap. Expected values come from the font files (read here) and stb_truetype's raw metrics.
#include "kelpforge/graphics/implementation/kf_font.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "kelpforge/core/implementation/kf_file.h"
#include "tests/graphics/font_test_files.h"
#include "tests/graphics/graphics_test_files.h"

namespace {

namespace kf = Kelpforge::Graphics::kfImplementation;
using Kelpforge::Core::kMaxFontFileBytes;
using KelpforgeTests::Graphics::FontBytes;
using KelpforgeTests::Graphics::GameFontPath;
using KelpforgeTests::Graphics::NonRegularPaths;
using KelpforgeTests::Graphics::PaddedFile;
using KelpforgeTests::Graphics::ScratchFolder;

struct Metrics {
  explicit Metrics(const FontBytes& font)
      : unitsPerEm(font.U16(font.Table("head") + 18)),
        ascent(font.I16(font.Table("hhea") + 4)),
        descent(font.I16(font.Table("hhea") + 6)),
        lineGap(font.I16(font.Table("hhea") + 8)) {}
  int unitsPerEm, ascent, descent, lineGap;
};

// The width rule written out once more against a separate stb_truetype font info: the float
// sum of each advance (with the kerning from the previous glyph) times the scale, rounded up.
int ExpectedWidth(const FontBytes& font, float size, const char* text) {
  stbtt_fontinfo info;
  EXPECT_TRUE(stbtt_InitFont(&info, font.bytes.data(), 0));
  const float scale = size / static_cast<float>(Metrics(font).unitsPerEm);
  float sum = 0.0f;
  int previous = -1;
  for (const char* c = text; *c != 0; ++c) {  // ASCII only
    const int glyph = stbtt_FindGlyphIndex(&info, *c);
    int advance = 0;
    stbtt_GetGlyphHMetrics(&info, glyph, &advance, nullptr);
    if (previous >= 0) advance += stbtt_GetGlyphKernAdvance(&info, previous, glyph);
    const float step = static_cast<float>(advance) * scale;
    sum += step;
    previous = glyph;
  }
  return static_cast<int>(std::ceil(sum));
}

kf::FontRecord& BuiltIn(float size) {
  kf::FontRecord* font = kf::GetFont("");
  if (font == nullptr) throw std::runtime_error("no built-in font");
  kf::SetFontPixelHeight(*font, size);
  return *font;
}

std::vector<unsigned char> Pixels(const kf::TextBitmap& bitmap) {
  if (!bitmap.pixels) return {};
  return {bitmap.pixels.get(), bitmap.pixels.get() + static_cast<std::size_t>(bitmap.width) * bitmap.height};
}

// One glyph drawn by stb_truetype alone into a zeroed bitmap, the way a line places it.
struct PlacedGlyph {
  int glyph, x, y;
};
PlacedGlyph Place(kf::FontRecord& font, int codePoint, float pen) {
  const int glyph = stbtt_FindGlyphIndex(&font.fontInfo, codePoint);
  int left = 0, top = 0;
  stbtt_GetGlyphBitmapBoxSubpixel(&font.fontInfo, glyph, font.scale, font.scale, pen - std::trunc(pen), 0, &left, &top,
                                  nullptr, nullptr);
  return {glyph, std::max(0, static_cast<int>(static_cast<float>(left) + pen)), std::max(0, font.baseline + top)};
}
std::vector<unsigned char> DrawAlone(kf::FontRecord& font, const PlacedGlyph& placed, float pen, int width, int height) {
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height);
  stbtt_MakeGlyphBitmapSubpixel(&font.fontInfo, pixels.data() + placed.y * width + placed.x, width - placed.x,
                                height - placed.y, width, font.scale, font.scale, pen - std::trunc(pen), 0, placed.glyph);
  return pixels;
}

TEST(Font, BuiltInFontScaleBaselineAndHeightComeFromItsMetrics) {
  const Metrics metrics(FontBytes::BuiltIn());
  kf::FontRecord& font = BuiltIn(25.0f);
  const float scale = 25.0f / static_cast<float>(metrics.unitsPerEm);
  EXPECT_EQ(font.pixelHeight, 25.0f);
  EXPECT_EQ(font.scale, scale);
  EXPECT_EQ(font.baseline, static_cast<int>(scale * static_cast<float>(metrics.ascent) + 1.0));
  const int height = static_cast<int>(std::ceil(static_cast<float>(metrics.ascent - metrics.descent + metrics.lineGap) * scale) + 1);
  EXPECT_EQ(kf::TextHeight(font), height);
  // DejaVu Sans: 2048 units per em, ascent 1901, descent -483, no line gap.
  EXPECT_EQ(font.baseline, 24);
  EXPECT_EQ(height, 31);

  const kf::TextBitmap empty = kf::RasterizeText(font, "");
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.height, height);
  EXPECT_TRUE(empty.pixels);
}

TEST(Font, GameFontWidthsFollowItsAdvancesAndKerning) {
  const FontBytes bytes = FontBytes::Game();
  kf::FontRecord* font = kf::GetFont(GameFontPath());
  ASSERT_NE(font, nullptr);
  kf::SetFontPixelHeight(*font, 42.0f);
  EXPECT_EQ(font->scale, 42.0f / static_cast<float>(Metrics(bytes).unitsPerEm));
  for (const char* text : {"Score: 0", "Winner", "Score: 10"}) {
    SCOPED_TRACE(text);
    const int expected = ExpectedWidth(bytes, 42.0f, text);
    EXPECT_EQ(kf::MeasureTextWidth(*font, text), expected);
    EXPECT_EQ(kf::RasterizeText(*font, text).width, expected);
  }
  // Manrope ExtraBold at 42 px (2000 units per em); fontTools gives the same sums.
  EXPECT_EQ(kf::MeasureTextWidth(*font, "Score: 0"), 173);
  EXPECT_EQ(kf::MeasureTextWidth(*font, "Winner"), 149);
}

TEST(Font, KerningNarrowsAVMovesItsVAndNeverReachesTheFirstCharacter) {
  kf::FontRecord& font = BuiltIn(100.0f);
  const FontBytes bytes = FontBytes::BuiltIn();
  const int width = kf::MeasureTextWidth(font, "AV");
  EXPECT_LT(width, kf::MeasureTextWidth(font, "A") + kf::MeasureTextWidth(font, "V"));
  EXPECT_EQ(width, ExpectedWidth(bytes, 100.0f, "AV"));
  // The pair's kerning moves V, its second glyph, so V's ink ends inside the bitmap: drawn into
  // a wider one, nothing lies right of the measured width.
  const int wide = width + 32, height = kf::TextHeight(font);
  std::vector<unsigned char> pixels(static_cast<std::size_t>(wide) * height);
  kf::DrawTextLine(font, "AV", pixels.data(), wide, height);
  int inkOutside = 0;
  for (std::size_t i = 0; i < pixels.size(); ++i) inkOutside += pixels[i] != 0 && static_cast<int>(i % wide) >= width;
  EXPECT_EQ(inkOutside, 0);

  // Give the first kerning pair glyph 0 on its left: a line starting with its right glyph must
  // still measure its plain advance, as there is no glyph before the first one.
  FontBytes kerned = FontBytes::BuiltIn();
  const std::size_t firstPair = kerned.Table("kern") + 18;
  kerned.Put16(firstPair, 0);
  std::unique_ptr<kf::FontRecord> record = kerned.Load();
  ASSERT_TRUE(record);
  kf::SetFontPixelHeight(*record, 100.0f);
  const int right = kerned.U16(firstPair + 2);
  ASSERT_NE(kerned.I16(firstPair + 4), 0);
  ASSERT_NE(stbtt_GetGlyphKernAdvance(&record->fontInfo, 0, right), 0);
  int codePoint = 32;
  while (codePoint < 256 && stbtt_FindGlyphIndex(&record->fontInfo, codePoint) != right) ++codePoint;
  ASSERT_LT(codePoint, 256);
  const char line[2] = {static_cast<char>(codePoint), 0};
  int advance = 0;
  stbtt_GetGlyphHMetrics(&record->fontInfo, right, &advance, nullptr);
  EXPECT_EQ(kf::MeasureTextWidth(*record, line), static_cast<int>(std::ceil(static_cast<float>(advance) * record->scale)));
}

TEST(Font, DecodesUtf8AsWritten) {
  const auto decode = [](const char* text) { return kf::DecodeUtf8(text); };
  const char* e = "\xC3\xA9";
  EXPECT_EQ(decode(e).codePoint, 0xE9u);
  EXPECT_EQ(decode(e).next, e + 2);
  const char* emoji = "\xF0\x9F\x98\x80";
  EXPECT_EQ(decode(emoji).codePoint, 0x1F600u);
  EXPECT_EQ(decode(emoji).next, emoji + 4);
  // Cut off by the end: the bits so far, and the cursor on the terminator.
  const char* cut = "\xE2\x82";
  EXPECT_EQ(decode(cut).codePoint, 0x2080u);
  EXPECT_EQ(decode(cut).next, cut + 2);
  EXPECT_EQ(*decode(cut).next, 0);
  EXPECT_EQ(decode("\xF4").codePoint, 0x100000u);
  // A stray continuation byte takes one byte; continuation bytes are not tested for 10xxxxxx.
  const char* stray = "\x80\xBF";
  EXPECT_EQ(decode(stray).codePoint, kf::kReplacementCharacter);
  EXPECT_EQ(decode(stray).next, stray + 1);
  EXPECT_EQ(decode(stray + 1).next, stray + 2);
  EXPECT_EQ(decode("\xC3\x41").codePoint, 0xC1u);
  EXPECT_EQ(decode("A").codePoint, 0x41u);
}

TEST(Font, EveryWalkStopsAtTheFirstZeroByte) {
  kf::FontRecord& font = BuiltIn(25.0f);
  const std::string withZero("AV\0WWWW", 7);
  EXPECT_EQ(kf::MeasureTextWidth(font, withZero.c_str()), kf::MeasureTextWidth(font, "AV"));
  const kf::TextBitmap cut = kf::RasterizeText(font, withZero.c_str());
  const kf::TextBitmap plain = kf::RasterizeText(font, "AV");
  EXPECT_EQ(cut.width, plain.width);
  EXPECT_EQ(Pixels(cut), Pixels(plain));
  EXPECT_EQ(kf::MeasureTextWidth(font, "A\xE2\x82"), kf::MeasureTextWidth(font, "A\xE2\x82\x80"));
}

TEST(Font, FirstGlyphWithNegativeLeftBearingStartsAtColumnZero) {
  kf::FontRecord& font = BuiltIn(40.0f);
  int codePoint = 0;
  for (const char candidate : std::string("jJ/_(")) {
    int left = 0;
    stbtt_GetCodepointBitmapBoxSubpixel(&font.fontInfo, candidate, font.scale, font.scale, 0, 0, &left, nullptr, nullptr, nullptr);
    if (left < 0) codePoint = candidate;
  }
  ASSERT_NE(codePoint, 0) << "no glyph with a negative left bearing";
  const char line[2] = {static_cast<char>(codePoint), 0};
  const kf::TextBitmap bitmap = kf::RasterizeText(font, line);
  const PlacedGlyph placed = Place(font, codePoint, 0.0f);
  EXPECT_EQ(placed.x, 0);
  EXPECT_EQ(Pixels(bitmap), DrawAlone(font, placed, 0.0f, bitmap.width, bitmap.height));
  bool inkInColumnZero = false;
  for (int y = 0; y < bitmap.height; ++y) inkInColumnZero |= bitmap.pixels[y * bitmap.width] != 0;
  EXPECT_TRUE(inkInColumnZero);
}

TEST(Font, AGlyphRewritesEverythingRightOfAndBelowItsCorner) {
  // j hangs left of its pen position, so its box starts inside the A before it.
  kf::FontRecord& font = BuiltIn(40.0f);
  const kf::TextBitmap line = kf::RasterizeText(font, "Aj");
  const int width = line.width, height = line.height;
  const PlacedGlyph a = Place(font, 'A', 0.0f);
  int advance = 0;
  stbtt_GetGlyphHMetrics(&font.fontInfo, a.glyph, &advance, nullptr);
  // The pair's kerning moves j, the pair's second glyph, after A's advance.
  const int kerning = stbtt_GetCodepointKernAdvance(&font.fontInfo, 'A', 'j');
  const float pen = static_cast<float>(advance) * font.scale + static_cast<float>(kerning) * font.scale;
  const PlacedGlyph j = Place(font, 'j', pen);
  const std::vector<unsigned char> aAlone = DrawAlone(font, a, 0.0f, width, height);
  const std::vector<unsigned char> jAlone = DrawAlone(font, j, pen, width, height);

  std::vector<unsigned char> expected(aAlone.size());
  int wiped = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * width + x;
      const bool inRegion = x >= j.x && y >= j.y;
      expected[i] = inRegion ? jAlone[i] : aAlone[i];
      wiped += inRegion && aAlone[i] != 0 && jAlone[i] == 0;
    }
  }
  EXPECT_GT(wiped, 0) << "A's right foot lies in j's region and is erased";
  EXPECT_EQ(Pixels(line), expected);
}

// Draws into a bitmap with guard bytes on both sides and reports whether a guard changed.
bool DrawsOnlyInside(kf::FontRecord& font, const char* text, int width, int height) {
  constexpr std::size_t kGuard = 4096;
  constexpr unsigned char kPattern = 0xA5;
  const std::size_t size = static_cast<std::size_t>(width) * height;
  std::vector<unsigned char> buffer(size + 2 * kGuard, kPattern);
  std::fill(buffer.begin() + kGuard, buffer.begin() + kGuard + size, 0);
  kf::DrawTextLine(font, text, buffer.data() + kGuard, width, height);
  for (std::size_t i = 0; i < kGuard; ++i) {
    if (buffer[i] != kPattern || buffer[kGuard + size + i] != kPattern) return false;
  }
  return true;
}

TEST(Font, DrawingNeverLeavesTheBitmap) {
  const char* const text = "Score: 10 AVj_|\xC3\x80\xC3\xA9";
  kf::FontRecord* game = kf::GetFont(GameFontPath());
  ASSERT_NE(game, nullptr);
  for (kf::FontRecord* font : {&BuiltIn(25.0f), game}) {
    kf::SetFontPixelHeight(*font, 42.0f);
    const int width = kf::MeasureTextWidth(*font, text);
    const int height = kf::TextHeight(*font);
    // The exact bitmap, then ones too small for the glyphs in each direction.
    EXPECT_TRUE(DrawsOnlyInside(*font, text, width, height));
    EXPECT_TRUE(DrawsOnlyInside(*font, text, width / 2, height));
    EXPECT_TRUE(DrawsOnlyInside(*font, text, width, height / 3));
    EXPECT_TRUE(DrawsOnlyInside(*font, text, 1, 1));
  }
  // Metrics that put glyphs above the bitmap (no ascent), below it (a huge ascent) and left of
  // the pen (negative advances).
  const std::vector<std::function<void(FontBytes&)>> distortions = {
      [](FontBytes& f) { f.Put16(f.Table("hhea") + 4, 0); },
      [](FontBytes& f) { f.Put16(f.Table("hhea") + 4, 0x7FFF); },
      [](FontBytes& f) {
        for (std::size_t i = 0; i < f.U16(f.Table("hhea") + 34); ++i) f.Put16(f.Table("hmtx") + 4 * i, 0xFC00);
      }};
  for (const auto& distort : distortions) {
    FontBytes bytes = FontBytes::BuiltIn();
    distort(bytes);
    std::unique_ptr<kf::FontRecord> font = bytes.Load();
    ASSERT_TRUE(font);
    kf::SetFontPixelHeight(*font, 42.0f);
    EXPECT_TRUE(DrawsOnlyInside(*font, text, 200, 60));
    EXPECT_TRUE(DrawsOnlyInside(*font, text, 7, 3));
    const kf::TextBitmap bitmap = kf::RasterizeText(*font, text);
    EXPECT_EQ(bitmap.pixels == nullptr, bitmap.width < 0);
  }
}

TEST(Font, AnOutlineReachingPastItsBoxIsDrawnInsideTheBitmap) {
  // Glyph 0 is a box from y = 100 to 1500 whose header claims nothing above the baseline, so the
  // glyph's bitmap box starts at the bitmap's top row and every edge ends above it.
  FontBytes bytes = FontBytes::BuiltIn();
  std::vector<unsigned char> square = KelpforgeTests::Graphics::SimpleGlyph(
      {3}, {{0, 100, true}, {0, 1500, true}, {1500, 1500, true}, {1500, 100, true}});
  square[8] = square[9] = 0;  // yMax
  KelpforgeTests::Graphics::ReplaceGlyphs(bytes, {square});
  bytes.Put16(bytes.Table("hhea") + 4, 0);  // no ascent: the baseline is the bitmap's top row
  std::unique_ptr<kf::FontRecord> font = bytes.Load();
  ASSERT_TRUE(font);
  kf::SetFontPixelHeight(*font, 42.0f);
  ASSERT_EQ(font->baseline, 1);
  EXPECT_TRUE(DrawsOnlyInside(*font, "\x01\x01", 80, 40));
}

// Draws a line with `font` at two sizes; true when it was drawn or the font was rejected.
bool RejectedOrDrawn(const FontBytes& bytes) {
  std::unique_ptr<kf::FontRecord> font = bytes.Load();
  if (!font) return true;
  for (const float size : {12.0f, 42.0f}) {
    kf::SetFontPixelHeight(*font, size);
    const kf::TextBitmap bitmap = kf::RasterizeText(*font, "Score: 10 AV \xC3\x80\xC3\xA9\xC2\xBD");
    if (!bitmap.pixels && bitmap.width >= 0) return false;
  }
  return true;
}

TEST(Font, EveryKibibytePrefixOfOurFontsIsRejectedOrDrawn) {
  for (const FontBytes& font : {FontBytes::BuiltIn(), FontBytes::Game()}) {
    int rejected = 0;
    for (std::size_t length = 0; length < font.bytes.size(); length += 1024) {
      const FontBytes prefix(std::vector<unsigned char>(font.bytes.begin(), font.bytes.begin() + length));
      rejected += !prefix.Load();
      EXPECT_TRUE(RejectedOrDrawn(prefix)) << length;
    }
    EXPECT_GT(rejected, 0);
    EXPECT_TRUE(font.Load());
  }
}

TEST(Font, SingleFieldCorruptionsAreRejectedOrDrawn) {
  const auto glyphOf = [](const FontBytes& f, int codePoint) {
    stbtt_fontinfo info;
    stbtt_InitFont(&info, f.bytes.data(), 0);
    return stbtt_FindGlyphIndex(&info, codePoint);
  };
  const std::vector<std::pair<const char*, std::function<void(FontBytes&)>>> corruptions = {
      {"table count", [](FontBytes& f) { f.Put16(4, 0xFFFF); }},
      {"cmap offset", [](FontBytes& f) { f.Put32(f.Record("cmap") + 8, 0x7FFFFFF0); }},
      {"glyf length", [](FontBytes& f) { f.Put32(f.Record("glyf") + 12, 0xFFFFFFFF); }},
      {"units per em", [](FontBytes& f) { f.Put16(f.Table("head") + 18, 0); }},
      {"loca format", [](FontBytes& f) { f.Put16(f.Table("head") + 50, 7); }},
      {"glyph count", [](FontBytes& f) { f.Put16(f.Table("maxp") + 4, 0xFFFF); }},
      {"long metrics", [](FontBytes& f) { f.Put16(f.Table("hhea") + 34, 0); }},
      // Both fonts' cmaps have two records; stb_truetype uses the second (its offset at byte 16).
      {"cmap subtable offset", [](FontBytes& f) { f.Put32(f.Table("cmap") + 16, 0x00FFFFFF); }},
      {"cmap segments", [](FontBytes& f) { f.Put16(f.Table("cmap") + f.U32(f.Table("cmap") + 16) + 6, 0xFFFE); }},
      {"loca entry", [&](FontBytes& f) { f.PutLocaEntry(glyphOf(f, 'A') + 1, 0); }},
      {"loca end", [&](FontBytes& f) { f.PutLocaEntry(glyphOf(f, 'V') + 1, 0x1FFFE); }},
      {"contour count", [&](FontBytes& f) { f.Put16(f.GlyphOffset(glyphOf(f, 'A')), 0x7FFF); }},
      {"last end point", [&](FontBytes& f) {
         const std::size_t glyph = f.GlyphOffset(glyphOf(f, 'A'));
         f.Put16(glyph + 10 + 2 * (f.U16(glyph) - 1u), 0xFFFE);
       }},
      {"instruction length", [&](FontBytes& f) {
         const std::size_t glyph = f.GlyphOffset(glyphOf(f, 'e'));
         f.Put16(glyph + 10 + 2 * f.U16(glyph), 0xFFFF);
       }},
      {"self-referencing composite", [&](FontBytes& f) {
         const int glyph = glyphOf(f, 0xC0);  // A with grave, where it is built of A and an accent
         if (f.I16(f.GlyphOffset(glyph)) < 0) f.Put16(f.GlyphOffset(glyph) + 12, static_cast<std::uint32_t>(glyph));
       }},
  };
  for (const FontBytes& font : {FontBytes::BuiltIn(), FontBytes::Game()}) {
    for (const auto& [name, corrupt] : corruptions) {
      SCOPED_TRACE(name);
      FontBytes broken = font;
      corrupt(broken);
      EXPECT_TRUE(RejectedOrDrawn(broken));
    }
  }

  // The composite that contains itself leaves the rest of the font in use.
  FontBytes selfReference = FontBytes::BuiltIn();
  const int agrave = glyphOf(selfReference, 0xC0);
  selfReference.Put16(selfReference.GlyphOffset(agrave) + 12, static_cast<std::uint32_t>(agrave));
  std::unique_ptr<kf::FontRecord> font = selfReference.Load();
  ASSERT_TRUE(font);
  EXPECT_FALSE(font->validator->IsGlyphUsable(agrave));
  kf::SetFontPixelHeight(*font, 40.0f);
  const kf::TextBitmap drawn = kf::RasterizeText(*font, "A\xC3\x80");
  kf::FontRecord& intact = BuiltIn(40.0f);
  const kf::TextBitmap alone = kf::RasterizeText(intact, "A\xC3\x80");
  ASSERT_EQ(drawn.width, alone.width);
  const kf::TextBitmap a = kf::RasterizeText(intact, "A");
  ASSERT_EQ(a.height, drawn.height);
  for (int y = 0; y < drawn.height; ++y) {
    for (int x = 0; x < drawn.width; ++x) {
      ASSERT_EQ(drawn.pixels[y * drawn.width + x], x < a.width ? a.pixels[y * a.width + x] : 0) << x << ", " << y;
    }
  }
}

TEST(FontTable, ReadsEachFileOnceAndSizesEveryLineItself) {
  const std::string path = (ScratchFolder() / "read_once.ttf").string();
  std::filesystem::copy_file(GameFontPath(), path);
  const kf::TextBitmap small = kf::BuildTextBitmap("Score: 10", path, 20.0f);
  std::filesystem::remove(path);
  const kf::TextBitmap large = kf::BuildTextBitmap("Score: 10", path, 40.0f);

  const FontBytes bytes = FontBytes::Game();
  EXPECT_EQ(small.width, ExpectedWidth(bytes, 20.0f, "Score: 10"));
  EXPECT_EQ(large.width, ExpectedWidth(bytes, 40.0f, "Score: 10"));
  EXPECT_EQ(kf::GetFont(path), kf::GetFont(path));
  ASSERT_NE(kf::GetFont(path), nullptr);
  EXPECT_EQ(kf::GetFont(path)->pixelHeight, 40.0f);
}

TEST(FontTable, AMissingFileKeepsAnEmptyEntryAndTheBuiltInFontDraws) {
  const std::string path = (ScratchFolder() / "missing.ttf").string();
  const kf::TextBitmap first = kf::BuildTextBitmap("Hi", path, 30.0f);
  EXPECT_TRUE(kf::HasFontEntry(path));
  EXPECT_EQ(kf::GetFont(path), nullptr);
  const std::vector<unsigned char> builtIn = Pixels(kf::RasterizeText(BuiltIn(30.0f), "Hi"));
  EXPECT_EQ(Pixels(first), builtIn);

  // The entry is kept: a file appearing later under that path is not read.
  std::filesystem::copy_file(GameFontPath(), path);
  EXPECT_EQ(Pixels(kf::BuildTextBitmap("Hi", path, 30.0f)), builtIn);
  EXPECT_EQ(kf::GetFont(path), nullptr);
}

TEST(FontTable, APathThatIsNoRegularFileOfSaneSizeDrawsWithTheBuiltInFont) {
  std::vector<std::string> paths = NonRegularPaths("fifo_font.ttf");
  const std::vector<unsigned char> game = FontBytes::Game().bytes;  // usable, but past the size cap
  paths.push_back(PaddedFile("padded.ttf", {game.begin(), game.end()}, kMaxFontFileBytes + 1));
  const std::vector<unsigned char> builtIn = Pixels(kf::RasterizeText(BuiltIn(30.0f), "Hi"));
  for (const std::string& path : paths) {
    EXPECT_EQ(Pixels(kf::BuildTextBitmap("Hi", path, 30.0f)), builtIn) << path;
    EXPECT_EQ(kf::GetFont(path), nullptr);
  }
}

TEST(FontTable, TheBuiltInFontComesWithTheTable) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, without a font table yet
  EXPECT_EXIT(
      {
        const bool before = kf::HasFontEntry("");
        kf::BuildTextBitmap("0", GameFontPath(), 42.0f);
        std::exit(!before && kf::HasFontEntry("") && kf::GetFont("") != nullptr ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
