// The font table and the glyph work behind Text. Float and integer conversions follow the layout
// rules exactly (float sums of float products, ceilings and truncations toward zero); the only
// departures are where stb_truetype or the bitmap would otherwise be driven out of bounds, and
// conversions of out-of-range floats, which saturate instead of being undefined.
#include "kelpforge/graphics/implementation/kf_font.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <new>
#include <utility>

#include "kelpforge/core/implementation/kf_file.h"

// The built-in font, embedded at build time (kelpforge/assets/).
extern const unsigned char kfBuiltInFontData[];
extern const std::size_t kfBuiltInFontDataSize;

namespace Kelpforge::Graphics::kfImplementation {

namespace {

using FontTable = std::map<std::string, std::unique_ptr<FontRecord>, std::less<>>;

// Constant-initialised, so it is empty (the table does not exist) before any code runs.
std::unique_ptr<FontTable> theFontTable;

FontTable& TheFontTable() {
  if (!theFontTable) {
    theFontTable = std::make_unique<FontTable>();
    theFontTable->emplace("", CreateBuiltInFont());
  }
  return *theFontTable;
}

// Truncation toward zero; NaN gives 0 and values beyond the 32-bit range give its ends.
std::int32_t TruncateToInt32(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

std::int32_t ClampToInt32(std::int64_t value) {
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

// The font's glyph for a code point; glyph 0 (the missing-glyph shape) when it has none. A cmap
// may name glyphs the font does not have, and stb_truetype would read their metrics from beyond
// hmtx, so those count as missing too.
int FindGlyph(FontRecord& font, std::uint32_t codePoint) {
  const int glyph = stbtt_FindGlyphIndex(&font.fontInfo, static_cast<int>(codePoint));
  return glyph >= 0 && glyph < font.validator->GetGlyphCount() ? glyph : 0;
}

int AdvanceWidth(FontRecord& font, int glyph) {
  int advance = 0;
  stbtt_GetGlyphHMetrics(&font.fontInfo, glyph, &advance, nullptr);
  return advance;
}

// The kerning of a pair in font units; 0 when the first glyph's kerning data failed validation.
int PairKerning(FontRecord& font, int previousGlyph, int glyph) {
  if (!font.validator->IsKerningUsable(previousGlyph)) return 0;
  return stbtt_GetGlyphKernAdvance(&font.fontInfo, previousGlyph, glyph);
}

// Advance width in font units, plus the kerning with the previous glyph when there is one.
int GlyphAdvance(FontRecord& font, int glyph, const int* previousGlyph) {
  const int advance = AdvanceWidth(font, glyph);
  return previousGlyph != nullptr ? advance + PairKerning(font, *previousGlyph, glyph) : advance;
}

// stb_truetype flattens each curve by halving it until its midpoint lies within 0.35 pixels of
// the chord (at most 16 levels), and allocates for all the points at once. Each halving quarters
// the midpoint's distance, which is at most sqrt(2) times the largest coordinate.
bool FitsFlatteningBudget(FontRecord& font, int glyph) {
  const FontValidator::OutlineBounds bounds = font.validator->GetOutlineBounds(glyph);
  if (bounds.vertexCount == 0) return true;
  double distanceInFlatness = 1.4142135623730951 * bounds.largestCoordinate * font.scale / 0.35;
  int levels = 0;
  while (distanceInFlatness > 1.0 && levels < 17) {
    distanceInFlatness /= 4.0;
    ++levels;
  }
  return (static_cast<std::int64_t>(bounds.vertexCount) << levels) <= kMaxFlattenedPoints;
}

}  // namespace

FontRecord* GetFont(const std::string& path) {
  FontTable& table = TheFontTable();
  auto entry = table.find(path);
  if (entry == table.end()) entry = table.emplace(path, LoadFontFromFile(path)).first;
  return entry->second.get();
}

bool HasFontEntry(const std::string& path) {
  return theFontTable && theFontTable->find(path) != theFontTable->end();
}

std::unique_ptr<FontRecord> CreateBuiltInFont() {
  std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[kfBuiltInFontDataSize]);
  if (!data) return nullptr;
  std::copy(kfBuiltInFontData, kfBuiltInFontData + kfBuiltInFontDataSize, data.get());
  return CreateFontFromData(std::move(data), kfBuiltInFontDataSize);
}

std::unique_ptr<FontRecord> LoadFontFromFile(const std::string& path) {
  Core::FileContents file = Core::ReadRegularFile(path, Core::kMaxFontFileBytes);
  // An empty file holds no font; stb_truetype addresses a font with int offsets, which the cap keeps.
  if (!file.isRead || file.size == 0) return nullptr;
  return CreateFontFromData(std::move(file.bytes), file.size);
}

std::unique_ptr<FontRecord> CreateFontFromData(std::unique_ptr<unsigned char[]> data, std::size_t size) {
  if (!data) return nullptr;
  std::unique_ptr<FontRecord> font(new (std::nothrow) FontRecord);
  if (!font) return nullptr;
  font->fontData = std::move(data);
  font->fontDataSize = size;
  font->validator.emplace(font->fontData.get(), size);
  if (!font->validator->IsValid()) return nullptr;
  if (stbtt_InitFont(&font->fontInfo, font->fontData.get(), 0) == 0) return nullptr;
  SetFontPixelHeight(*font, 25.0f);
  return font;
}

void SetFontPixelHeight(FontRecord& font, float size) {
  font.pixelHeight = size;
  font.scale = size / static_cast<float>(font.validator->GetUnitsPerEm());
  int ascent = 0;
  stbtt_GetFontVMetrics(&font.fontInfo, &ascent, nullptr, nullptr);
  // The product is a float; the 1.0 is added in double precision.
  font.baseline = TruncateToInt32(font.scale * static_cast<float>(ascent) + 1.0);
}

Utf8Step DecodeUtf8(const char* cursor) {
  const auto* byte = reinterpret_cast<const unsigned char*>(cursor);
  const std::uint32_t lead = *byte++;
  if (lead < 0x80) return {lead, cursor + 1};
  if (lead < 0xC0) return {kReplacementCharacter, cursor + 1};

  std::uint32_t codePoint;
  int shift;
  if (lead < 0xE0) {
    codePoint = (lead & 0x1F) << 6;
    shift = 0;
  } else if (lead < 0xF0) {
    codePoint = (lead & 0x0F) << 12;
    shift = 6;
  } else {
    codePoint = (lead & 0x07) << 18;
    shift = 12;
  }
  // Continuation bytes are taken as they come, without testing for 10xxxxxx.
  for (; shift >= 0; shift -= 6) {
    if (*byte == 0) break;
    codePoint |= static_cast<std::uint32_t>(*byte++ & 0x3F) << shift;
  }
  return {codePoint, reinterpret_cast<const char*>(byte)};
}

std::int32_t MeasureTextWidth(FontRecord& font, const char* text) {
  float sum = 0.0f;
  int previousGlyph = 0;
  bool hasPrevious = false;
  for (const char* cursor = text; *cursor != 0;) {
    const Utf8Step step = DecodeUtf8(cursor);
    cursor = step.next;
    const int glyph = FindGlyph(font, step.codePoint);
    const float advance = static_cast<float>(GlyphAdvance(font, glyph, hasPrevious ? &previousGlyph : nullptr)) * font.scale;
    sum += advance;
    previousGlyph = glyph;
    hasPrevious = true;
  }
  return TruncateToInt32(std::ceil(sum));
}

std::int32_t TextHeight(const FontRecord& font) {
  int ascent = 0;
  int descent = 0;
  int lineGap = 0;
  stbtt_GetFontVMetrics(&font.fontInfo, &ascent, &descent, &lineGap);
  const float extent = static_cast<float>(ascent - descent + lineGap) * font.scale;
  return TruncateToInt32(std::ceil(extent) + 1.0f);
}

TextBitmap RasterizeText(FontRecord& font, const char* text) {
  TextBitmap bitmap;
  bitmap.width = MeasureTextWidth(font, text);
  bitmap.height = TextHeight(font);
  // Negative sizes (from hostile advances or sizes) and oversized ones cannot be allocated.
  if (bitmap.width < 0 || bitmap.height < 0 ||
      static_cast<std::int64_t>(bitmap.width) * bitmap.height > kMaxTextBitmapBytes) {
    return bitmap;
  }
  bitmap.pixels.reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(bitmap.width) * bitmap.height]());
  if (bitmap.pixels) DrawTextLine(font, text, bitmap.pixels.get(), bitmap.width, bitmap.height);
  return bitmap;
}

void DrawTextLine(FontRecord& font, const char* text, unsigned char* pixels, std::int32_t width, std::int32_t height) {
  const bool drawsGlyphs = font.scale > 0.0f && font.scale <= kMaxGlyphScale;
  float pen = 0.0f;
  int previousGlyph = 0;
  bool hasPrevious = false;
  for (const char* cursor = text; *cursor != 0;) {
    const Utf8Step step = DecodeUtf8(cursor);
    cursor = step.next;
    const int glyph = FindGlyph(font, step.codePoint);
    // A pair's kerning places the pair's second glyph, so it moves the pen before that glyph.
    if (hasPrevious) {
      pen += static_cast<float>(PairKerning(font, previousGlyph, glyph)) * font.scale;
    }
    const float fraction = pen - std::trunc(pen);

    if (drawsGlyphs && font.validator->IsGlyphUsable(glyph) && FitsFlatteningBudget(font, glyph)) {
      int left = 0;
      int top = 0;
      stbtt_GetGlyphBitmapBoxSubpixel(&font.fontInfo, glyph, font.scale, font.scale, fraction, 0.0f, &left, &top,
                                      nullptr, nullptr);
      std::int32_t x = TruncateToInt32(static_cast<float>(left) + pen);
      std::int32_t y = ClampToInt32(static_cast<std::int64_t>(font.baseline) + top);
      if (x < 0) x = 0;
      if (y < 0) y = 0;
      // The rasterizer rewrites its whole region, so earlier coverage right of and below the
      // corner is replaced; the region ends at the bitmap's right and bottom edges.
      if (x < width && y < height) {
        unsigned char* corner = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x;
        stbtt_MakeGlyphBitmapSubpixel(&font.fontInfo, corner, width - x, height - y, width, font.scale, font.scale,
                                      fraction, 0.0f, glyph);
      }
    }

    pen += static_cast<float>(AdvanceWidth(font, glyph)) * font.scale;
    previousGlyph = glyph;
    hasPrevious = true;
  }
}

TextBitmap BuildTextBitmap(const char* text, const std::string& path, float size) {
  FontRecord* font = GetFont(path);
  // A path that yields no font draws with the built-in font.
  if (font == nullptr) font = GetFont("");
  if (font == nullptr) return {};
  SetFontPixelHeight(*font, size);
  return RasterizeText(*font, text);
}

}  // namespace Kelpforge::Graphics::kfImplementation
