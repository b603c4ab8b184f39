// Checks a TrueType font against everything stb_truetype reads from it. The library trusts every
// offset and count in the file, so a font must pass here before stbtt_InitFont sees it. What every
// lookup shares (table directory, head, hhea, maxp, hmtx, loca size, cmap, kern, GPOS structure) is
// checked when the validator is made; what only one glyph leads to (its loca entries and outline,
// the GPOS pair sets of a first glyph) is checked the first time that glyph is asked for, so
// loading a font does not pay for glyphs it never draws. CFF outlines are not accepted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Kelpforge::Graphics::kfImplementation {

class FontValidator {
public:
  // Composite glyphs nest at most this deep (stb_truetype follows components by recursion).
  static constexpr int kMaxComponentDepth = 16;
  // Vertices of one glyph's outline, composite components included.
  static constexpr std::int32_t kMaxGlyphVertices = 1 << 16;
  // Components reached from one composite glyph, counting every level.
  static constexpr std::int32_t kMaxExpandedComponents = 256;
  // The smallest units-per-em accepted (the OpenType range starts there); it bounds the scale a
  // pixel size turns into.
  static constexpr std::uint16_t kMinUnitsPerEm = 16;

  // Checks the shared tables of the font in `data`. The bytes are not copied and must outlive
  // the validator.
  FontValidator(const unsigned char* data, std::size_t size);

  // Whether stb_truetype may initialise the font and read its metrics, cmap and kerning.
  bool IsValid() const { return valid; }
  // maxp's glyph count of a valid font (at least 1); glyph indices at or above it do not exist.
  int GetGlyphCount() const { return glyphCount; }
  std::uint16_t GetUnitsPerEm() const { return unitsPerEm; }

  // Whether stb_truetype may read the outline of `glyph` (box and shape, components included).
  // Answers from a cache after the first question; false for a glyph that does not exist.
  bool IsGlyphUsable(int glyph);

  // Whether stb_truetype may answer kerning questions whose first glyph is `firstGlyph`: the
  // GPOS pair sets that glyph leads to are checked the first time it is asked for.
  bool IsKerningUsable(int firstGlyph);

  // Bounds on the outline stb_truetype builds for a usable glyph, in font units.
  struct OutlineBounds {
    std::int32_t vertexCount = 0;
    std::int32_t largestCoordinate = 0;  // of any vertex or control point, in absolute value
  };
  OutlineBounds GetOutlineBounds(int glyph);

  // Checks every glyph at once; true when all are usable. For tools and tests.
  bool AreAllGlyphsUsable();

private:
  struct Span {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    // Whether `count` bytes from absolute offset `offset` lie inside the span.
    bool Holds(std::uint64_t offset, std::uint64_t count) const {
      return offset >= begin && offset <= end && count <= end - offset;
    }
  };

  enum TableIndex { kHead, kHhea, kMaxp, kHmtx, kCmap, kLoca, kGlyf, kKern, kGpos, kTableCount };
  struct TableEntry {
    bool found = false;
    bool present = false;
    Span span;
  };

  enum class GlyphState : std::uint8_t { kUnchecked, kInProgress, kUsable, kUnusable };
  enum class CheckResult { kUsable, kUnusable, kTooDeep };

  struct GlyphInfo {
    GlyphState state = GlyphState::kUnchecked;
    std::uint8_t height = 0;  // levels of components below this glyph
    std::int32_t vertexCount = 0;
    std::int32_t largestCoordinate = 0;
    std::int32_t expandedComponents = 0;
  };

  bool CheckTables();
  bool FindTables(TableEntry (&tables)[kTableCount]) const;
  bool CheckHorizontalMetrics(const Span& hmtx, std::uint16_t longMetricCount) const;
  bool CheckLoca() const;
  bool CheckCmap(const Span& cmap) const;
  bool CheckCmapFormat4(const Span& cmap, std::uint64_t subtable) const;
  bool CheckKern(const Span& kern) const;
  bool CheckGpos(const Span& table);
  bool CheckPairAdjustment(std::uint64_t subtable);
  bool CheckCoverage(std::uint64_t coverage) const;
  bool CheckClassDefinition(std::uint64_t classDefinition) const;
  std::int32_t CoverageIndex(std::uint64_t coverage, int glyph) const;
  bool CheckPairSets(int firstGlyph) const;

  CheckResult CheckGlyph(int glyph, int depth);
  bool CheckSimpleGlyph(const Span& glyph, std::int16_t contourCount, GlyphInfo& info);
  CheckResult CheckCompositeGlyph(const Span& glyph, int depth, GlyphInfo& info);
  bool GlyphSpan(int glyph, Span& span) const;

  std::uint16_t U16(std::uint64_t offset) const;
  std::uint32_t U32(std::uint64_t offset) const;

  const unsigned char* data;
  std::size_t size;
  bool valid = false;
  int glyphCount = 0;
  std::uint16_t unitsPerEm = 0;
  bool longLoca = false;
  Span loca;
  Span glyf;
  Span gpos;
  std::vector<std::uint64_t> pairSetSubtables;  // GPOS pair adjustments of format 1 (4/0)
  std::vector<std::uint8_t> kerningStates;       // per first glyph: 0 unchecked, 1 usable, 2 not
  std::vector<GlyphInfo> glyphs;      // filled on the first glyph question
  std::vector<std::uint8_t> flags;    // one simple glyph's expanded point flags, reused
};

}  // namespace Kelpforge::Graphics::kfImplementation
