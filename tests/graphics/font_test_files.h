// Font files for the font tests: the built-in and game fonts as bytes, and an editor that
// corrupts single fields or swaps in whole tables (appended at the end of the file, with the
// directory entry pointed at them) so each check of the validator can be reached on purpose.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "kelpforge/graphics/implementation/kf_font.h"

extern const unsigned char kfBuiltInFontData[];
extern const std::size_t kfBuiltInFontDataSize;

namespace KelpforgeTests::Graphics {

inline std::string GameFontPath() { return std::string(KF_SOURCE_DIR) + "/data/junegull.ttf"; }

inline std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class FontBytes {
public:
  explicit FontBytes(std::vector<unsigned char> fontBytes) : bytes(std::move(fontBytes)) {}
  static FontBytes BuiltIn() { return FontBytes({kfBuiltInFontData, kfBuiltInFontData + kfBuiltInFontDataSize}); }
  static FontBytes Game() { return FontBytes(ReadBytes(GameFontPath())); }

  std::uint16_t U16(std::size_t offset) const { return static_cast<std::uint16_t>(bytes.at(offset) << 8 | bytes.at(offset + 1)); }
  std::int16_t I16(std::size_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
  std::uint32_t U32(std::size_t offset) const { return std::uint32_t{U16(offset)} << 16 | U16(offset + 2); }
  void Put16(std::size_t offset, std::uint32_t value) {
    bytes.at(offset) = static_cast<unsigned char>(value >> 8);
    bytes.at(offset + 1) = static_cast<unsigned char>(value);
  }
  void Put32(std::size_t offset, std::uint32_t value) {
    Put16(offset, value >> 16);
    Put16(offset + 2, value & 0xFFFF);
  }

  // The directory record of `tag` (throws when the font has none).
  std::size_t Record(const char* tag) const {
    for (std::size_t i = 0; i < U16(4); ++i) {
      if (std::memcmp(&bytes.at(12 + 16 * i), tag, 4) == 0) return 12 + 16 * i;
    }
    throw std::runtime_error(std::string("no table ") + tag);
  }
  std::size_t Table(const char* tag) const { return U32(Record(tag) + 8); }
  std::size_t TableLength(const char* tag) const { return U32(Record(tag) + 12); }

  // Appends `table` at the end of the file and points `tag`'s directory entry at it.
  void ReplaceTable(const char* tag, const std::vector<unsigned char>& table) {
    while (bytes.size() % 4 != 0) bytes.push_back(0);
    const std::size_t record = Record(tag);
    Put32(record + 8, static_cast<std::uint32_t>(bytes.size()));
    Put32(record + 12, static_cast<std::uint32_t>(table.size()));
    bytes.insert(bytes.end(), table.begin(), table.end());
  }

  // Glyph `glyph`'s offset in the file and its length, from loca.
  std::size_t GlyphOffset(int glyph) const { return Table("glyf") + LocaEntry(glyph); }
  std::size_t GlyphLength(int glyph) const { return LocaEntry(glyph + 1) - LocaEntry(glyph); }
  std::size_t LocaEntry(int index) const {
    const bool longLoca = U16(Table("head") + 50) == 1;
    return longLoca ? U32(Table("loca") + 4 * index) : 2u * U16(Table("loca") + 2 * index);
  }
  void PutLocaEntry(int index, std::size_t value) {
    if (U16(Table("head") + 50) == 1) {
      Put32(Table("loca") + 4 * index, static_cast<std::uint32_t>(value));
    } else {
      Put16(Table("loca") + 2 * index, static_cast<std::uint32_t>(value / 2));
    }
  }
  int GlyphCount() const { return U16(Table("maxp") + 4); }

  std::unique_ptr<Kelpforge::Graphics::kfImplementation::FontRecord> Load() const {
    std::unique_ptr<unsigned char[]> copy(new unsigned char[bytes.size()]);
    if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
    return Kelpforge::Graphics::kfImplementation::CreateFontFromData(std::move(copy), bytes.size());
  }

  std::vector<unsigned char> bytes;
};

// Big-endian words for building tables.
inline void Append16(std::vector<unsigned char>& out, std::uint32_t value) {
  out.push_back(static_cast<unsigned char>(value >> 8));
  out.push_back(static_cast<unsigned char>(value));
}
inline void Append32(std::vector<unsigned char>& out, std::uint32_t value) {
  Append16(out, value >> 16);
  Append16(out, value & 0xFFFF);
}

// Rewrites glyf and loca (long form) of `font` so that glyph i is glyphs[i]; the font's other
// glyphs become empty.
inline void ReplaceGlyphs(FontBytes& font, const std::vector<std::vector<unsigned char>>& glyphs) {
  std::vector<unsigned char> glyf;
  std::vector<unsigned char> loca;
  for (int i = 0; i <= font.GlyphCount(); ++i) {
    Append32(loca, static_cast<std::uint32_t>(glyf.size()));
    // Unpadded, so that a glyph cut short ends where its bytes end.
    if (i < static_cast<int>(glyphs.size())) glyf.insert(glyf.end(), glyphs[i].begin(), glyphs[i].end());
  }
  font.Put16(font.Table("head") + 50, 1);
  font.ReplaceTable("glyf", glyf);
  font.ReplaceTable("loca", loca);
}

// A simple glyph: one contour per entry of `contourEnds`, points given as (x, y, on-curve), all
// with 16-bit coordinate deltas.
struct Point {
  int x;
  int y;
  bool onCurve;
};
inline std::vector<unsigned char> SimpleGlyph(const std::vector<int>& contourEnds, const std::vector<Point>& points) {
  std::vector<unsigned char> glyph;
  Append16(glyph, static_cast<std::uint32_t>(contourEnds.size()));
  for (int i = 0; i < 4; ++i) Append16(glyph, 0);  // bounding box, set below
  int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  for (const Point& point : points) {
    xMin = std::min(xMin, point.x), xMax = std::max(xMax, point.x);
    yMin = std::min(yMin, point.y), yMax = std::max(yMax, point.y);
  }
  glyph[2] = static_cast<unsigned char>(static_cast<std::uint16_t>(xMin) >> 8), glyph[3] = static_cast<unsigned char>(xMin);
  glyph[4] = static_cast<unsigned char>(static_cast<std::uint16_t>(yMin) >> 8), glyph[5] = static_cast<unsigned char>(yMin);
  glyph[6] = static_cast<unsigned char>(static_cast<std::uint16_t>(xMax) >> 8), glyph[7] = static_cast<unsigned char>(xMax);
  glyph[8] = static_cast<unsigned char>(static_cast<std::uint16_t>(yMax) >> 8), glyph[9] = static_cast<unsigned char>(yMax);
  for (const int end : contourEnds) Append16(glyph, static_cast<std::uint32_t>(end));
  Append16(glyph, 0);  // no instructions
  for (const Point& point : points) glyph.push_back(point.onCurve ? 1 : 0);
  int x = 0;
  for (const Point& point : points) Append16(glyph, static_cast<std::uint16_t>(point.x - x)), x = point.x;
  int y = 0;
  for (const Point& point : points) Append16(glyph, static_cast<std::uint16_t>(point.y - y)), y = point.y;
  return glyph;
}

// A composite glyph of `components` (glyph index, x offset, y offset), with a 2.14 scale when
// `scale` is not 1.
struct Component {
  int glyph;
  int dx;
  int dy;
  double scale = 1.0;
};
inline std::vector<unsigned char> CompositeGlyph(const std::vector<Component>& components) {
  std::vector<unsigned char> glyph;
  Append16(glyph, 0xFFFF);  // -1 contours
  for (int i = 0; i < 4; ++i) Append16(glyph, 0);
  for (std::size_t i = 0; i < components.size(); ++i) {
    const Component& component = components[i];
    std::uint32_t flags = 0x0001 | 0x0002;  // word arguments, x/y offsets
    if (component.scale != 1.0) flags |= 0x0008;
    if (i + 1 < components.size()) flags |= 0x0020;
    Append16(glyph, flags);
    Append16(glyph, static_cast<std::uint32_t>(component.glyph));
    Append16(glyph, static_cast<std::uint16_t>(component.dx));
    Append16(glyph, static_cast<std::uint16_t>(component.dy));
    if (component.scale != 1.0) Append16(glyph, static_cast<std::uint16_t>(static_cast<int>(component.scale * 16384)));
  }
  return glyph;
}

// A square of side `size` from the origin, on-curve corners.
inline std::vector<unsigned char> SquareGlyph(int size) {
  return SimpleGlyph({3}, {{0, 0, true}, {0, size, true}, {size, size, true}, {size, 0, true}});
}

}  // namespace KelpforgeTests::Graphics
