// The font side of Text (no OpenGL): the glyph work of Text("Score: 10", "data/junegull.ttf", 42)
// with the font loaded, next to the same stb_truetype calls made directly; and the first load of
// a font, with its validation and without, next to the validation alone.
#include <benchmark/benchmark.h>

#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "kelpforge/graphics/implementation/kf_font.h"
#include "kelpforge/graphics/implementation/kf_font_validator.h"

namespace {

namespace kf = Kelpforge::Graphics::kfImplementation;

const std::string kGameFont = std::string(KF_SOURCE_DIR) + "/data/junegull.ttf";
const std::string kBuiltInFont = std::string(KF_SOURCE_DIR) + "/kelpforge/assets/kf_builtin_font.ttf";
constexpr const char* kLine = "Score: 10";

std::vector<unsigned char> ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Everything a Text does before its texture: the font from the table, its size, the bitmap.
void TextFontSide(benchmark::State& state) {
  kf::BuildTextBitmap(kLine, kGameFont, 42.0f);  // loads the font and checks its glyphs once
  for (auto _ : state) {
    kf::TextBitmap bitmap = kf::BuildTextBitmap(kLine, kGameFont, 42.0f);
    benchmark::DoNotOptimize(bitmap.pixels.get());
  }
}
BENCHMARK(TextFontSide);

// The same line with stb_truetype alone: lookups, metrics, kerning, boxes and rasterization into
// a bitmap of the same size, without the font table, validation or clipping.
void StbTrueTypeAlone(benchmark::State& state) {
  const std::vector<unsigned char> bytes = ReadAll(kGameFont);
  stbtt_fontinfo info;
  stbtt_InitFont(&info, bytes.data(), 0);
  int ascent, descent, lineGap;
  stbtt_GetFontVMetrics(&info, &ascent, &descent, &lineGap);
  const float scale = stbtt_ScaleForMappingEmToPixels(&info, 42.0f);
  const int baseline = static_cast<int>(scale * static_cast<float>(ascent) + 1.0);
  for (auto _ : state) {
    float width = 0.0f;
    int previous = -1;
    for (const char* c = kLine; *c != 0; ++c) {
      const int glyph = stbtt_FindGlyphIndex(&info, *c);
      int advance;
      stbtt_GetGlyphHMetrics(&info, glyph, &advance, nullptr);
      if (previous >= 0) advance += stbtt_GetGlyphKernAdvance(&info, previous, glyph);
      width += static_cast<float>(advance) * scale;
      previous = glyph;
    }
    const int w = static_cast<int>(std::ceil(width));
    const int h = static_cast<int>(std::ceil(static_cast<float>(ascent - descent + lineGap) * scale) + 1);
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[static_cast<std::size_t>(w) * h]());
    float pen = 0.0f;
    previous = -1;
    for (const char* c = kLine; *c != 0; ++c) {
      const int glyph = stbtt_FindGlyphIndex(&info, *c);
      if (previous >= 0) pen += static_cast<float>(stbtt_GetGlyphKernAdvance(&info, previous, glyph)) * scale;
      const float fraction = pen - std::trunc(pen);
      int x0, y0;
      stbtt_GetGlyphBitmapBoxSubpixel(&info, glyph, scale, scale, fraction, 0, &x0, &y0, nullptr, nullptr);
      const int x = std::max(0, static_cast<int>(static_cast<float>(x0) + pen));
      const int y = std::max(0, baseline + y0);
      stbtt_MakeGlyphBitmapSubpixel(&info, pixels.get() + y * w + x, w - x, h - y, w, scale, scale, fraction, 0, glyph);
      int advance;
      stbtt_GetGlyphHMetrics(&info, glyph, &advance, nullptr);
      pen += static_cast<float>(advance) * scale;
      previous = glyph;
    }
    benchmark::DoNotOptimize(pixels.get());
  }
}
BENCHMARK(StbTrueTypeAlone);

// A first load: open and read the file, validate, initialise, size 25.
void FirstLoad(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    std::unique_ptr<kf::FontRecord> font = kf::LoadFontFromFile(path);
    benchmark::DoNotOptimize(font.get());
  }
}
BENCHMARK_CAPTURE(FirstLoad, game_font, kGameFont);
BENCHMARK_CAPTURE(FirstLoad, built_in_font, kBuiltInFont);

// The same load without the validator: the steps of LoadFontFromFile with stbtt_InitFont
// straight on the bytes.
void FirstLoadUnvalidated(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    std::ifstream file(path, std::ios::in | std::ios::binary);
    file.seekg(0, std::ios::end);
    const std::streamoff length = file.tellg();
    file.seekg(0, std::ios::beg);
    std::unique_ptr<unsigned char[]> data(new unsigned char[static_cast<std::size_t>(length)]);
    file.read(reinterpret_cast<char*>(data.get()), length);
    auto font = std::make_unique<kf::FontRecord>();
    font->fontData = std::move(data);
    stbtt_InitFont(&font->fontInfo, font->fontData.get(), 0);
    int ascent;
    stbtt_GetFontVMetrics(&font->fontInfo, &ascent, nullptr, nullptr);
    font->scale = stbtt_ScaleForMappingEmToPixels(&font->fontInfo, 25.0f);
    font->baseline = static_cast<int>(font->scale * static_cast<float>(ascent) + 1.0);
    benchmark::DoNotOptimize(font.get());
  }
}
BENCHMARK_CAPTURE(FirstLoadUnvalidated, game_font, kGameFont);
BENCHMARK_CAPTURE(FirstLoadUnvalidated, built_in_font, kBuiltInFont);

// What validation adds at load: the checks of the shared tables.
void ValidateTables(benchmark::State& state, const std::string& path) {
  const std::vector<unsigned char> bytes = ReadAll(path);
  for (auto _ : state) {
    kf::FontValidator validator(bytes.data(), bytes.size());
    benchmark::DoNotOptimize(validator.IsValid());
  }
}
BENCHMARK_CAPTURE(ValidateTables, game_font, kGameFont);
BENCHMARK_CAPTURE(ValidateTables, built_in_font, kBuiltInFont);

// What validation adds to the first Text of a font: the checks of the line's glyphs and of the
// kerning of each first glyph, all unchecked.
void CheckLineGlyphs(benchmark::State& state) {
  const std::vector<unsigned char> bytes = ReadAll(kGameFont);
  stbtt_fontinfo info;
  stbtt_InitFont(&info, bytes.data(), 0);
  std::vector<int> glyphs;
  for (const char* c = kLine; *c != 0; ++c) glyphs.push_back(stbtt_FindGlyphIndex(&info, *c));
  for (auto _ : state) {
    kf::FontValidator validator(bytes.data(), bytes.size());
    for (const int glyph : glyphs) {
      benchmark::DoNotOptimize(validator.IsGlyphUsable(glyph));
      benchmark::DoNotOptimize(validator.IsKerningUsable(glyph));
    }
  }
}
BENCHMARK(CheckLineGlyphs);

// Every glyph of the game font at once: what checking all outlines at load would cost.
void CheckAllGlyphs(benchmark::State& state) {
  const std::vector<unsigned char> bytes = ReadAll(kGameFont);
  for (auto _ : state) {
    kf::FontValidator validator(bytes.data(), bytes.size());
    benchmark::DoNotOptimize(validator.AreAllGlyphsUsable());
  }
}
BENCHMARK(CheckAllGlyphs);

}  // namespace

BENCHMARK_MAIN();
