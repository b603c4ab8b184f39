// Fonts for Text: the process-wide font table (created on first use, with the built-in font under
// ""), loading, sizing, measuring and rasterizing one line of UTF-8 into an 8-bit coverage bitmap.
// Nothing here needs OpenGL, so tests, benchmarks and the fuzzer run it as it is. Every font is
// checked by FontValidator before stb_truetype reads it, and rasterization never writes outside
// the bitmap.
#pragma once

#include <stb_truetype.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "kelpforge/graphics/implementation/kf_font_validator.h"

namespace Kelpforge::Graphics::kfImplementation {

// One loaded font, owned by the font table and kept until exit.
struct FontRecord {
  stbtt_fontinfo fontInfo{};
  std::unique_ptr<unsigned char[]> fontData;  // must outlive fontInfo and validator
  std::size_t fontDataSize = 0;
  std::optional<FontValidator> validator;
  float pixelHeight = 25.0f;
  float scale = 0.0f;         // font units to pixels: pixelHeight / units per em
  std::int32_t baseline = 0;  // pixels from the top of a text bitmap to the baseline
};

// The text bitmap: rows from the top of the line down, one coverage byte (0-255) per pixel.
// `pixels` is empty when the bitmap could not be made; the sizes are given out all the same.
struct TextBitmap {
  std::unique_ptr<unsigned char[]> pixels;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

struct Utf8Step {
  std::uint32_t codePoint;
  const char* next;
};

// Stands for a byte 0x80-0xBF found where a sequence should start.
inline constexpr std::uint32_t kReplacementCharacter = 0xFFFD;
// A text bitmap larger than this counts as an allocation that failed.
inline constexpr std::int64_t kMaxTextBitmapBytes = std::int64_t{64} << 20;
// Glyphs are drawn only while the scale lies in (0, kMaxGlyphScale]; beyond it stb_truetype's
// integer bitmap boxes would overflow.
inline constexpr float kMaxGlyphScale = 1024.0f;
// A glyph whose flattened outline could exceed this many points is left out of the bitmap
// rather than let stb_truetype allocate for it.
inline constexpr std::int64_t kMaxFlattenedPoints = std::int64_t{1} << 20;

// The font for `path`, loading it on the first request for that path. Creates the font table
// (and with it the built-in font under "") if it does not exist yet. A path whose file is missing
// or not a usable TrueType font keeps an empty entry: the result is null, now and later.
FontRecord* GetFont(const std::string& path);
// Whether the font table exists and holds an entry (possibly empty) for `path`; creates nothing.
bool HasFontEntry(const std::string& path);

std::unique_ptr<FontRecord> CreateBuiltInFont();
// Reads the whole file as raw bytes; null when it is not a regular file of at most
// Core::kMaxFontFileBytes, cannot be read or is not a usable font.
std::unique_ptr<FontRecord> LoadFontFromFile(const std::string& path);
// Takes over a whole font file already in memory; null when the font does not pass validation
// or stb_truetype cannot initialise it. The record's size is 25 pixels.
std::unique_ptr<FontRecord> CreateFontFromData(std::unique_ptr<unsigned char[]> data, std::size_t size);

// `size` is the em size in pixels: scale = size / units per em, baseline = trunc(scale x ascent + 1).
void SetFontPixelHeight(FontRecord& font, float size);

// One code point from `cursor`, which must not point at the terminating zero. A sequence cut
// short by the terminator yields the bits gathered so far and stops at the terminator.
Utf8Step DecodeUtf8(const char* cursor);

// The line's width in pixels at the font's current size: the ceiling of the float sum of each
// code point's advance (plus kerning with the one before) times the scale. Stops at the first
// zero byte.
std::int32_t MeasureTextWidth(FontRecord& font, const char* text);

// The height of every text bitmap at the font's current size: ascent - descent + line gap,
// scaled, rounded up, plus one.
std::int32_t TextHeight(const FontRecord& font);

// Rasterizes the line at the font's current size into a new bitmap of MeasureTextWidth x
// TextHeight (drawn by DrawTextLine). Without pixels when the sizes are negative, the bitmap
// would exceed kMaxTextBitmapBytes or the allocation fails.
TextBitmap RasterizeText(FontRecord& font, const char* text);

// Draws the line into a zeroed `width` x `height` bitmap (rows of `width` bytes), each glyph at
// its sub-pixel pen position (a pair's kerning moves the pen before the pair's second glyph is
// drawn): a glyph rewrites the whole region right of and below its box corner, clipped to the
// bitmap. A glyph whose corner lies outside the bitmap, whose outline failed validation or that
// is too large to flatten is left out; its advance still counts.
void DrawTextLine(FontRecord& font, const char* text, unsigned char* pixels, std::int32_t width, std::int32_t height);

// The font side of a Text: the font for `path` (the built-in font when the path yields none),
// sized to `size`, and the line rasterized with it.
TextBitmap BuildTextBitmap(const char* text, const std::string& path, float size);

}  // namespace Kelpforge::Graphics::kfImplementation
