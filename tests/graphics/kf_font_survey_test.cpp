// Every TrueType/OpenType file installed under /usr/share/fonts is either rendered or rejected:
// an accepted font draws a line at several sizes and stb_truetype draws each of its glyphs, and
// only files that are not TrueType outlines (CFF, collections) are turned away. Hundreds of
// files take a while (minutes under the sanitizers), so the survey runs when KF_FONT_SURVEY is
// set; without any installed fonts it is skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "kelpforge/graphics/implementation/kf_font.h"
#include "tests/graphics/font_test_files.h"

namespace {

namespace kf = Kelpforge::Graphics::kfImplementation;
using KelpforgeTests::Graphics::ReadBytes;

bool IsFontFile(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
  return extension == ".ttf" || extension == ".otf" || extension == ".ttc";
}

bool HasTrueTypeOutlines(const std::vector<unsigned char>& bytes) {
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "ttcf", 4) == 0) return false;
  const int tables = bytes[4] << 8 | bytes[5];
  for (int i = 0; i < tables && 12 + 16 * i + 4 <= static_cast<int>(bytes.size()); ++i) {
    if (std::memcmp(&bytes[12 + 16 * i], "glyf", 4) == 0) return true;
  }
  return false;
}

// Each glyph stb_truetype may draw, alone at the font's size, into a bitmap the size of its box
// (at most 1024 x 1024).
int DrawEveryGlyph(kf::FontRecord& font) {
  std::vector<unsigned char> pixels(1024 * 1024);
  int drawn = 0;
  for (int glyph = 0; glyph < font.validator->GetGlyphCount(); ++glyph) {
    if (!font.validator->IsGlyphUsable(glyph)) continue;
    int x0, y0, x1, y1;
    stbtt_GetGlyphBitmapBoxSubpixel(&font.fontInfo, glyph, font.scale, font.scale, 0.25f, 0, &x0, &y0, &x1, &y1);
    const int width = std::clamp(x1 - x0, 1, 1024);
    const int height = std::clamp(y1 - y0, 1, 1024);
    stbtt_MakeGlyphBitmapSubpixel(&font.fontInfo, pixels.data(), width, height, width, font.scale, font.scale, 0.25f, 0,
                                  glyph);
    ++drawn;
  }
  return drawn;
}

TEST(FontSurvey, EveryInstalledFontIsRenderedOrRejected) {
  if (std::getenv("KF_FONT_SURVEY") == nullptr) GTEST_SKIP() << "set KF_FONT_SURVEY=1 to survey /usr/share/fonts";
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator("/usr/share/fonts", error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_regular_file() && IsFontFile(it->path())) files.push_back(it->path());
  }
  if (files.empty()) GTEST_SKIP() << "no fonts installed";
  std::sort(files.begin(), files.end());

  const char* const line = "Score: 10 AVWa \xC3\x80\xC3\xA9\xC3\xB1 \xCE\xA9\xCE\xB2 \xD0\x96\xD1\x8F "
                           "\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85 \xE4\xB8\xAD\xE6\x96\x87 \xE2\x82\xAC \xF0\x9F\x98\x80";
  int accepted = 0, rejected = 0, glyphs = 0, unusableGlyphs = 0, unkernedGlyphs = 0;
  for (const std::filesystem::path& path : files) {
    SCOPED_TRACE(path.string());
    const std::vector<unsigned char> bytes = ReadBytes(path.string());
    std::unique_ptr<kf::FontRecord> font = kf::LoadFontFromFile(path.string());
    if (!font) {
      ++rejected;
      EXPECT_FALSE(HasTrueTypeOutlines(bytes)) << "a TrueType font was rejected";
      continue;
    }
    ++accepted;
    for (const float size : {9.0f, 25.0f, 42.0f, 120.0f}) {
      kf::SetFontPixelHeight(*font, size);
      const kf::TextBitmap bitmap = kf::RasterizeText(*font, line);
      EXPECT_TRUE(bitmap.pixels) << size;
    }
    kf::SetFontPixelHeight(*font, 42.0f);
    glyphs += DrawEveryGlyph(*font);
    for (int glyph = 0; glyph < font->validator->GetGlyphCount(); ++glyph) {
      unusableGlyphs += !font->validator->IsGlyphUsable(glyph);
      unkernedGlyphs += !font->validator->IsKerningUsable(glyph);
    }
  }
  std::cout << files.size() << " font files: " << accepted << " rendered, " << rejected << " rejected; " << glyphs
            << " glyphs drawn, " << unusableGlyphs << " glyphs and " << unkernedGlyphs
            << " kerning first glyphs refused\n";
  EXPECT_EQ(unusableGlyphs, 0);
  EXPECT_EQ(unkernedGlyphs, 0);
}

}  // namespace
