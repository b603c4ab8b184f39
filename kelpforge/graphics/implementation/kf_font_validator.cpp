// What each check guards against is the read stb_truetype makes at that place: the comments name
// the library routine whose reads the check keeps inside the file. Every offset is computed in
// 64 bits from the start of the file, so no sum here can wrap.
#include "kelpforge/graphics/implementation/kf_font_validator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace Kelpforge::Graphics::kfImplementation {

namespace {

constexpr std::uint32_t Tag(const char* name) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(name[0])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(name[1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(name[2])) << 8) |
         static_cast<unsigned char>(name[3]);
}

constexpr std::uint32_t kTrueTypeVersion = 0x00010000u;
constexpr std::uint32_t kAppleTrueTypeVersion = Tag("true");

// Composite transforms are applied in single precision and stored as 16-bit coordinates; a bound
// a little under the 16-bit limit leaves room for the float rounding.
constexpr double kLargestTransformedCoordinate = 32766.0;

// Simple glyph point flags and composite component flags.
constexpr std::uint8_t kOnCurve = 0x01;
constexpr std::uint8_t kShortX = 0x02;
constexpr std::uint8_t kShortY = 0x04;
constexpr std::uint8_t kRepeat = 0x08;
constexpr std::uint8_t kSameOrPositiveX = 0x10;
constexpr std::uint8_t kSameOrPositiveY = 0x20;
constexpr std::uint16_t kArgsAreWords = 0x0001;
constexpr std::uint16_t kArgsAreXyValues = 0x0002;
constexpr std::uint16_t kHaveScale = 0x0008;
constexpr std::uint16_t kMoreComponents = 0x0020;
constexpr std::uint16_t kHaveXyScale = 0x0040;
constexpr std::uint16_t kHaveTwoByTwo = 0x0080;

}  // namespace

FontValidator::FontValidator(const unsigned char* fontData, std::size_t fontSize)
    : data(fontData), size(fontSize) {
  valid = data != nullptr && CheckTables();
}

std::uint16_t FontValidator::U16(std::uint64_t offset) const {
  return static_cast<std::uint16_t>((data[offset] << 8) | data[offset + 1]);
}

std::uint32_t FontValidator::U32(std::uint64_t offset) const {
  return (static_cast<std::uint32_t>(data[offset]) << 24) | (static_cast<std::uint32_t>(data[offset + 1]) << 16) |
         (static_cast<std::uint32_t>(data[offset + 2]) << 8) | data[offset + 3];
}

// stb_truetype takes the first directory entry with a tag, and treats an offset of 0 as a
// missing table. A table it would find must lie inside the file. One pass fills all the tables.
bool FontValidator::FindTables(TableEntry (&tables)[kTableCount]) const {
  const std::uint16_t tableCount = U16(4);
  for (std::uint32_t i = 0; i < tableCount; ++i) {
    const std::uint64_t record = 12 + 16ull * i;
    int index;
    switch (U32(record)) {
      case Tag("head"): index = kHead; break;
      case Tag("hhea"): index = kHhea; break;
      case Tag("maxp"): index = kMaxp; break;
      case Tag("hmtx"): index = kHmtx; break;
      case Tag("cmap"): index = kCmap; break;
      case Tag("loca"): index = kLoca; break;
      case Tag("glyf"): index = kGlyf; break;
      case Tag("kern"): index = kKern; break;
      case Tag("GPOS"): index = kGpos; break;
      default: continue;
    }
    TableEntry& table = tables[index];
    if (table.found) continue;
    table.found = true;
    const std::uint64_t offset = U32(record + 8);
    const std::uint64_t length = U32(record + 12);
    table.present = offset != 0;
    table.span = {offset, offset + length};
    if (table.present && offset + length > size) return false;
  }
  return true;
}

bool FontValidator::CheckTables() {
  // stb_truetype keeps offsets in int.
  if (size < 12 || size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return false;
  const std::uint32_t version = U32(0);
  if (version != kTrueTypeVersion && version != kAppleTrueTypeVersion) return false;
  if (12 + 16ull * U16(4) > size) return false;

  TableEntry tables[kTableCount];
  if (!FindTables(tables)) return false;
  // Without glyf stb_truetype takes the font for CFF, whose parser is not checked here.
  for (int required = kHead; required <= kGlyf; ++required) {
    if (!tables[required].present) return false;
  }
  const Span& head = tables[kHead].span;
  const Span& hhea = tables[kHhea].span;
  const Span& maxp = tables[kMaxp].span;
  const Span& hmtx = tables[kHmtx].span;
  const Span& cmap = tables[kCmap].span;
  loca = tables[kLoca].span;
  glyf = tables[kGlyf].span;

  // head: units per em (byte 18) scales every size; indexToLocFormat (byte 50) picks the loca form.
  if (!head.Holds(head.begin, 54)) return false;
  unitsPerEm = U16(head.begin + 18);
  if (unitsPerEm < kMinUnitsPerEm) return false;
  const std::uint16_t locaFormat = U16(head.begin + 50);
  if (locaFormat > 1) return false;
  longLoca = locaFormat == 1;

  // hhea: ascent, descent, line gap (bytes 4-9), numberOfHMetrics (byte 34).
  if (!hhea.Holds(hhea.begin, 36)) return false;
  const std::uint16_t longMetricCount = U16(hhea.begin + 34);

  // maxp: numGlyphs (byte 4). Every glyph index outside it is mapped to glyph 0 before use.
  if (!maxp.Holds(maxp.begin, 6)) return false;
  glyphCount = U16(maxp.begin + 4);
  if (glyphCount == 0) return false;

  if (!CheckHorizontalMetrics(hmtx, longMetricCount)) return false;
  if (!CheckLoca()) return false;
  if (!CheckCmap(cmap)) return false;
  // stbtt_GetGlyphKernAdvance reads GPOS when there is one and kern only otherwise.
  if (tables[kGpos].present) return CheckGpos(tables[kGpos].span);
  if (tables[kKern].present) return CheckKern(tables[kKern].span);
  return true;
}

// stbtt_GetGlyphHMetrics: glyphs below numberOfHMetrics have a 4-byte record; later glyphs take
// the last advance and a 2-byte side bearing after the records.
bool FontValidator::CheckHorizontalMetrics(const Span& hmtx, std::uint16_t longMetricCount) const {
  if (longMetricCount == 0) return false;  // the last record would be read from before the table
  const std::uint64_t glyphs = static_cast<std::uint64_t>(glyphCount);
  std::uint64_t needed = 4ull * std::min<std::uint64_t>(longMetricCount, glyphs);
  if (glyphs > longMetricCount) needed = 4ull * longMetricCount + 2ull * (glyphs - longMetricCount);
  return hmtx.Holds(hmtx.begin, needed);
}

// stbtt__GetGlyfOffset reads the entries of a glyph and the next one. Their order (the glyph is
// read from the first without knowing its end) is checked per glyph, in GlyphSpan.
bool FontValidator::CheckLoca() const {
  const std::uint64_t entries = static_cast<std::uint64_t>(glyphCount) + 1;
  return loca.Holds(loca.begin, (longLoca ? 4 : 2) * entries);
}

// stbtt_InitFont walks the encoding records and keeps the last Unicode one (platform 0, or
// platform 3 with encoding 1 or 10); stbtt_FindGlyphIndex then reads only that subtable. The
// subtable's own length field is not trusted (large format-4 tables overflow it in real fonts):
// every read must stay inside cmap.
bool FontValidator::CheckCmap(const Span& cmap) const {
  if (!cmap.Holds(cmap.begin, 4)) return false;
  const std::uint16_t recordCount = U16(cmap.begin + 2);
  if (!cmap.Holds(cmap.begin + 4, 8ull * recordCount)) return false;
  std::uint64_t subtable = 0;
  bool found = false;
  for (std::uint32_t i = 0; i < recordCount; ++i) {
    const std::uint64_t record = cmap.begin + 4 + 8ull * i;
    const std::uint16_t platform = U16(record);
    const std::uint16_t encoding = U16(record + 2);
    if (platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10))) {
      subtable = cmap.begin + U32(record + 4);
      found = true;
    }
  }
  if (!found || !cmap.Holds(subtable, 2)) return false;

  switch (U16(subtable)) {
    case 0: {
      // Code points below length - 6 index a byte array at byte 6.
      if (!cmap.Holds(subtable, 4)) return false;
      const std::uint16_t length = U16(subtable + 2);
      return length <= 6 || cmap.Holds(subtable, length);
    }
    case 4:
      return CheckCmapFormat4(cmap, subtable);
    case 6: {
      // firstCode (byte 6), entryCount (byte 8), then one 16-bit glyph per entry.
      if (!cmap.Holds(subtable, 10)) return false;
      return cmap.Holds(subtable + 10, 2ull * U16(subtable + 8));
    }
    case 12:
    case 13: {
      // numGroups (byte 12), then 12-byte groups.
      if (!cmap.Holds(subtable, 16)) return false;
      return cmap.Holds(subtable + 16, 12ull * U32(subtable + 12));
    }
    default:
      // Format 2 and unknown formats reach STBTT_assert(0) in stbtt_FindGlyphIndex.
      return false;
  }
}

// Format 4: segCountX2 (byte 6), searchRange (8), entrySelector (10), rangeShift (12), then the
// parallel arrays endCode, a pad word, startCode, idDelta and idRangeOffset. stbtt_FindGlyphIndex
// takes searchRange, entrySelector and rangeShift from the file for its binary search, so they
// must not carry the search past the last segment.
bool FontValidator::CheckCmapFormat4(const Span& cmap, std::uint64_t subtable) const {
  if (!cmap.Holds(subtable, 14)) return false;
  const std::uint32_t segmentCount = U16(subtable + 6) >> 1;
  const std::uint32_t searchRange = U16(subtable + 8) >> 1;
  const std::uint32_t entrySelector = U16(subtable + 10);
  const std::uint32_t rangeShiftBytes = (U16(subtable + 12) >> 1) * 2u;
  if (segmentCount == 0 || entrySelector > 16) return false;
  if (!cmap.Holds(subtable + 14, 2 + 8ull * segmentCount)) return false;

  // The search starts at endCode + rangeShift or endCode, then steps forward by halving amounts;
  // with every step taken it ends furthest along. The segment it lands on must exist.
  std::uint64_t furthestSegment = rangeShiftBytes / 2;
  std::uint32_t step = searchRange;
  for (std::uint32_t i = 0; i < entrySelector; ++i) {
    step >>= 1;
    furthestSegment += step;
  }
  if (furthestSegment >= segmentCount) return false;

  // A segment with a non-zero idRangeOffset reads one glyph word per code point it covers,
  // addressed from its own idRangeOffset entry.
  // Counted from the idRangeOffset array; all sums stay far below 2^32.
  const std::uint64_t rangeOffsets = subtable + 16 + 6ull * segmentCount;
  const std::uint64_t room = cmap.end - rangeOffsets;
  const std::uint32_t limit = static_cast<std::uint32_t>(std::min<std::uint64_t>(room, 0xFFFFFFFFu));
  const unsigned char* rangeOffset = data + rangeOffsets;
  const unsigned char* startCode = rangeOffset - 4 * segmentCount;
  const unsigned char* endCode = startCode - 2 * segmentCount - 2;
  // Without branches: whether a segment reads glyph words at all is as good as random.
  std::uint32_t furthest = 0;
  for (std::uint32_t i = 0; i < segmentCount; ++i) {
    const std::uint32_t offset = static_cast<std::uint32_t>((rangeOffset[2 * i] << 8) | rangeOffset[2 * i + 1]);
    const std::uint32_t start = static_cast<std::uint32_t>((startCode[2 * i] << 8) | startCode[2 * i + 1]);
    const std::uint32_t end = static_cast<std::uint32_t>((endCode[2 * i] << 8) | endCode[2 * i + 1]);
    const std::uint32_t reach = 2 * i + offset + 2 * (end - start) + 2;
    furthest = std::max(furthest, (offset != 0 && start <= end) ? reach : 0u);
  }
  return furthest <= limit;
}

// stbtt__GetGlyphKernInfoAdvance reads the table count (byte 2) and the first subtable's coverage
// (byte 8); only coverage 1 (horizontal, format 0) goes on to nPairs (byte 10) and a binary search
// over 6-byte pairs from byte 18.
bool FontValidator::CheckKern(const Span& kern) const {
  if (!kern.Holds(kern.begin, 4)) return false;
  if (U16(kern.begin + 2) < 1) return true;
  if (!kern.Holds(kern.begin, 10)) return false;
  if (U16(kern.begin + 8) != 1) return true;
  if (!kern.Holds(kern.begin, 12)) return false;
  const std::uint16_t pairCount = U16(kern.begin + 10);
  return pairCount == 0 || kern.Holds(kern.begin + 18, 6ull * pairCount);
}

// stbtt__GetGlyphGPOSInfoAdvance: version 1.0 only; the lookup list (offset at byte 8); every
// lookup's type and subtable count are read, and the subtables of pair-adjustment lookups (type 2)
// are searched in order. Offsets are relative to the lookup list, the lookup and the subtable,
// and every read must stay inside GPOS.
bool FontValidator::CheckGpos(const Span& table) {
  gpos = table;
  if (!gpos.Holds(gpos.begin, 4)) return false;
  if (U16(gpos.begin) != 1 || U16(gpos.begin + 2) != 0) return true;
  if (!gpos.Holds(gpos.begin, 10)) return false;
  const std::uint64_t lookupList = gpos.begin + U16(gpos.begin + 8);
  if (!gpos.Holds(lookupList, 2)) return false;
  const std::uint16_t lookupCount = U16(lookupList);
  if (!gpos.Holds(lookupList + 2, 2ull * lookupCount)) return false;

  // Every kerning question walks all pair-adjustment subtables. In a real font each takes its
  // own 2-byte offset, so there cannot be more than the table has words; shared hostile ones
  // could otherwise make every question walk billions.
  std::uint64_t budget = (gpos.end - gpos.begin) / 2;
  for (std::uint32_t i = 0; i < lookupCount; ++i) {
    const std::uint64_t lookup = lookupList + U16(lookupList + 2 + 2ull * i);
    if (!gpos.Holds(lookup, 6)) return false;
    if (U16(lookup) != 2) continue;
    const std::uint16_t subtableCount = U16(lookup + 4);
    if (!gpos.Holds(lookup + 6, 2ull * subtableCount)) return false;
    if (subtableCount > budget) return false;
    budget -= subtableCount;
    for (std::uint32_t j = 0; j < subtableCount; ++j) {
      if (!CheckPairAdjustment(lookup + U16(lookup + 6 + 2ull * j))) return false;
    }
  }
  return true;
}

// One pair-adjustment subtable: posFormat (byte 0) and the coverage offset (byte 2) are always
// read, and the coverage table with them. Only value formats 4/0 are searched further.
bool FontValidator::CheckPairAdjustment(std::uint64_t subtable) {
  if (!gpos.Holds(subtable, 4)) return false;
  if (!CheckCoverage(subtable + U16(subtable + 2))) return false;
  const std::uint16_t format = U16(subtable);
  if (format != 1 && format != 2) return true;
  if (!gpos.Holds(subtable, 8)) return false;
  if (U16(subtable + 4) != 4 || U16(subtable + 6) != 0) return true;

  if (format == 1) {
    // pairSetCount (byte 8), pair set offsets from byte 10. Which pair set is read depends on
    // the first glyph's coverage index, so the pair sets are checked per first glyph.
    if (!gpos.Holds(subtable, 10)) return false;
    pairSetSubtables.push_back(subtable);
    return true;
  }

  // Format 2: classDef1 (byte 8), classDef2 (10), class1Count (12), class2Count (14), then
  // class1Count x class2Count 2-byte records. Both class definitions are read before the counts.
  if (!gpos.Holds(subtable, 16)) return false;
  if (!CheckClassDefinition(subtable + U16(subtable + 8))) return false;
  if (!CheckClassDefinition(subtable + U16(subtable + 10))) return false;
  const std::uint64_t records = static_cast<std::uint64_t>(U16(subtable + 12)) * U16(subtable + 14);
  return gpos.Holds(subtable + 16, 2 * records);
}

// stbtt__GetCoverageIndex: format 1 is a glyph array, format 2 an array of 6-byte ranges, both
// searched by bisection. Other formats match nothing.
bool FontValidator::CheckCoverage(std::uint64_t coverage) const {
  if (!gpos.Holds(coverage, 2)) return false;
  const std::uint16_t format = U16(coverage);
  if (format != 1 && format != 2) return true;
  if (!gpos.Holds(coverage, 4)) return false;
  return gpos.Holds(coverage + 4, (format == 1 ? 2ull : 6ull) * U16(coverage + 2));
}

// The same search as stbtt__GetCoverageIndex, step for step, so that a coverage table whose
// entries are out of order still yields the index stb_truetype will use.
std::int32_t FontValidator::CoverageIndex(std::uint64_t coverage, int glyph) const {
  const std::uint16_t format = U16(coverage);
  if (format == 1) {
    std::int32_t low = 0;
    std::int32_t high = static_cast<std::int32_t>(U16(coverage + 2)) - 1;
    while (low <= high) {
      const std::int32_t middle = (low + high) >> 1;
      const int entry = U16(coverage + 4 + 2ull * middle);
      if (glyph < entry) {
        high = middle - 1;
      } else if (glyph > entry) {
        low = middle + 1;
      } else {
        return middle;
      }
    }
  } else if (format == 2) {
    std::int32_t low = 0;
    std::int32_t high = static_cast<std::int32_t>(U16(coverage + 2)) - 1;
    while (low <= high) {
      const std::int32_t middle = (low + high) >> 1;
      const std::uint64_t range = coverage + 4 + 6ull * middle;
      const int start = U16(range);
      if (glyph < start) {
        high = middle - 1;
      } else if (glyph > U16(range + 2)) {
        low = middle + 1;
      } else {
        return U16(range + 4) + glyph - start;
      }
    }
  }
  return -1;
}

bool FontValidator::IsKerningUsable(int firstGlyph) {
  if (!valid) return false;
  if (pairSetSubtables.empty()) return true;
  if (firstGlyph < 0 || firstGlyph >= glyphCount) return false;
  if (kerningStates.empty()) kerningStates.resize(static_cast<std::size_t>(glyphCount));
  std::uint8_t& state = kerningStates[static_cast<std::size_t>(firstGlyph)];
  if (state == 0) state = CheckPairSets(firstGlyph) ? 1 : 2;
  return state == 1;
}

// Format 1 pair adjustment for one first glyph: stb_truetype reads the pair set offset for the
// glyph's coverage index and that pair set's count before it compares the index with
// pairSetCount, then searches the set's 4-byte records (second glyph, x advance).
bool FontValidator::CheckPairSets(int firstGlyph) const {
  for (const std::uint64_t subtable : pairSetSubtables) {
    const std::int32_t index = CoverageIndex(subtable + U16(subtable + 2), firstGlyph);
    if (index < 0) continue;
    const std::uint64_t offsetEntry = subtable + 10 + 2ull * static_cast<std::uint64_t>(index);
    if (!gpos.Holds(offsetEntry, 2)) return false;
    const std::uint64_t pairSet = subtable + U16(offsetEntry);
    if (!gpos.Holds(pairSet, 2)) return false;
    if (index < U16(subtable + 8) && !gpos.Holds(pairSet + 2, 4ull * U16(pairSet))) return false;
  }
  return true;
}

// stbtt__GetGlyphClass: format 1 is startGlyph, glyphCount and a class array; format 2 a
// range array. Other formats are reported as malformed and read no further.
bool FontValidator::CheckClassDefinition(std::uint64_t classDefinition) const {
  if (!gpos.Holds(classDefinition, 2)) return false;
  const std::uint16_t format = U16(classDefinition);
  if (format == 1) {
    if (!gpos.Holds(classDefinition, 6)) return false;
    return gpos.Holds(classDefinition + 6, 2ull * U16(classDefinition + 4));
  }
  if (format == 2) {
    if (!gpos.Holds(classDefinition, 4)) return false;
    return gpos.Holds(classDefinition + 4, 6ull * U16(classDefinition + 2));
  }
  return true;
}

bool FontValidator::GlyphSpan(int glyph, Span& span) const {
  std::uint64_t start, end;
  if (longLoca) {
    start = U32(loca.begin + 4ull * glyph);
    end = U32(loca.begin + 4ull * glyph + 4);
  } else {
    start = 2ull * U16(loca.begin + 2ull * glyph);
    end = 2ull * U16(loca.begin + 2ull * glyph + 2);
  }
  span = {glyf.begin + start, glyf.begin + end};
  return start <= end && end <= glyf.end - glyf.begin;
}

bool FontValidator::IsGlyphUsable(int glyph) {
  if (!valid || glyph < 0 || glyph >= glyphCount) return false;
  if (glyphs.empty()) glyphs.resize(static_cast<std::size_t>(glyphCount));
  const GlyphState state = glyphs[static_cast<std::size_t>(glyph)].state;
  if (state == GlyphState::kUsable) return true;
  if (state == GlyphState::kUnusable) return false;
  return CheckGlyph(glyph, 0) == CheckResult::kUsable;
}

FontValidator::OutlineBounds FontValidator::GetOutlineBounds(int glyph) {
  if (!IsGlyphUsable(glyph)) return {};
  const GlyphInfo& info = glyphs[static_cast<std::size_t>(glyph)];
  return {info.vertexCount, info.largestCoordinate};
}

bool FontValidator::AreAllGlyphsUsable() {
  bool allUsable = valid;
  for (int glyph = 0; allUsable && glyph < glyphCount; ++glyph) allUsable = IsGlyphUsable(glyph);
  return allUsable;
}

// A glyph reached through components only `depth` levels down may be cut off by the depth limit
// on that path alone; such a result is not cached, since the glyph may be fine on its own.
FontValidator::CheckResult FontValidator::CheckGlyph(int glyph, int depth) {
  GlyphInfo& info = glyphs[static_cast<std::size_t>(glyph)];
  switch (info.state) {
    case GlyphState::kUsable:
      return depth + info.height > kMaxComponentDepth ? CheckResult::kTooDeep : CheckResult::kUsable;
    case GlyphState::kUnusable:
      return CheckResult::kUnusable;
    case GlyphState::kInProgress:
      return CheckResult::kUnusable;  // a glyph that contains itself: stb_truetype would recurse forever
    case GlyphState::kUnchecked:
      break;
  }
  if (depth > kMaxComponentDepth) return CheckResult::kTooDeep;

  Span span;
  CheckResult result = CheckResult::kUsable;
  if (!GlyphSpan(glyph, span)) {
    result = CheckResult::kUnusable;
  } else if (span.end != span.begin) {  // an empty glyph (a space) is never read
    // stbtt_GetGlyphBox reads the header's bounding box (bytes 2-9) of every non-empty glyph.
    if (!span.Holds(span.begin, 10)) {
      result = CheckResult::kUnusable;
    } else {
      const auto contourCount = static_cast<std::int16_t>(U16(span.begin));
      if (contourCount > 0) {
        result = CheckSimpleGlyph(span, contourCount, info) ? CheckResult::kUsable : CheckResult::kUnusable;
      } else if (contourCount < 0) {
        info.state = GlyphState::kInProgress;
        result = CheckCompositeGlyph(span, depth, info);
      }
    }
  }
  switch (result) {
    case CheckResult::kUsable:
      info.state = GlyphState::kUsable;
      break;
    case CheckResult::kUnusable:
      info.state = GlyphState::kUnusable;
      break;
    case CheckResult::kTooDeep:
      info = GlyphInfo{};
      if (depth == 0) info.state = GlyphState::kUnusable;
      break;
  }
  return depth == 0 && result == CheckResult::kTooDeep ? CheckResult::kUnusable : result;
}

// stbtt__GetGlyphShapeTT, simple glyph: endPtsOfContours from byte 10, the instruction length
// and instructions, then flags (with repeat counts), x coordinates and y coordinates, all read
// without an end. The point count is one more than the last contour's end point.
bool FontValidator::CheckSimpleGlyph(const Span& span, std::int16_t contourCount, GlyphInfo& info) {
  const std::uint64_t endPoints = span.begin + 10;
  if (!span.Holds(endPoints, 2ull * contourCount + 2)) return false;
  const std::uint32_t pointCount = 1u + U16(endPoints + 2ull * (contourCount - 1));
  const std::uint16_t instructionLength = U16(endPoints + 2ull * contourCount);
  std::uint64_t cursor = endPoints + 2ull * contourCount + 2 + instructionLength;
  if (!span.Holds(cursor, 0)) return false;

  // The vertex array stb_truetype allocates holds pointCount + 2 x contourCount entries.
  const std::uint32_t vertexCount = pointCount + 2u * static_cast<std::uint32_t>(contourCount);
  if (vertexCount > static_cast<std::uint32_t>(kMaxGlyphVertices)) return false;

  const unsigned char* bytes = data;
  const std::uint64_t end = span.end;
  flags.resize(pointCount);
  std::uint64_t xBytes = 0;
  std::uint64_t yBytes = 0;
  for (std::uint32_t point = 0; point < pointCount;) {
    if (cursor >= end) return false;
    const std::uint8_t flag = bytes[cursor++];
    std::uint32_t repeat = 1;
    if (flag & kRepeat) {
      if (cursor >= end) return false;
      repeat += bytes[cursor++];
    }
    repeat = std::min(repeat, pointCount - point);
    std::memset(flags.data() + point, flag, repeat);
    point += repeat;
    xBytes += repeat * ((flag & kShortX) ? 1u : (flag & kSameOrPositiveX) ? 0u : 2u);
    yBytes += repeat * ((flag & kShortY) ? 1u : (flag & kSameOrPositiveY) ? 0u : 2u);
  }
  if (!span.Holds(cursor, xBytes + yBytes)) return false;

  // The coordinates are running sums kept in 32 bits and stored as 16-bit values.
  std::int32_t largest = 0;
  std::int32_t x = 0;
  for (std::uint32_t point = 0; point < pointCount; ++point) {
    const std::uint8_t flag = flags[point];
    if (flag & kShortX) {
      const std::int32_t dx = bytes[cursor++];
      x += (flag & kSameOrPositiveX) ? dx : -dx;
    } else if (!(flag & kSameOrPositiveX)) {
      x += static_cast<std::int16_t>(U16(cursor));
      cursor += 2;
    }
    largest = std::max(largest, std::abs(static_cast<std::int32_t>(static_cast<std::int16_t>(x))));
  }
  std::int32_t y = 0;
  for (std::uint32_t point = 0; point < pointCount; ++point) {
    const std::uint8_t flag = flags[point];
    if (flag & kShortY) {
      const std::int32_t dy = bytes[cursor++];
      y += (flag & kSameOrPositiveY) ? dy : -dy;
    } else if (!(flag & kSameOrPositiveY)) {
      y += static_cast<std::int16_t>(U16(cursor));
      cursor += 2;
    }
    largest = std::max(largest, std::abs(static_cast<std::int32_t>(static_cast<std::int16_t>(y))));
  }

  // A contour that starts on an off-curve point makes stb_truetype look at the point after it;
  // when that start is the glyph's last point, the look goes past the end of its vertex array.
  // The last point can only start a contour when it is the only point, or when an earlier
  // contour ends just before it.
  if (!(flags[pointCount - 1] & kOnCurve)) {
    if (pointCount == 1) return false;
    for (std::int32_t contour = 0; contour + 1 < contourCount; ++contour) {
      if (U16(endPoints + 2ull * contour) == pointCount - 2) return false;
    }
  }

  info.height = 0;
  info.vertexCount = static_cast<std::int32_t>(vertexCount);
  info.largestCoordinate = largest;
  info.expandedComponents = 0;
  return true;
}

// stbtt__GetGlyphShapeTT, composite glyph: components from byte 10, each with flags, a glyph
// index, its offsets (bytes or words) and an optional scale, 2 x 2 matrix or x/y scale, until
// a component without "more components". Each component's shape is fetched by recursion,
// transformed in single precision and stored in 16 bits.
FontValidator::CheckResult FontValidator::CheckCompositeGlyph(const Span& span, int depth, GlyphInfo& info) {
  std::uint64_t cursor = span.begin + 10;
  std::int64_t vertexCount = 0;
  std::int64_t expandedComponents = 0;
  double largest = 0.0;
  int height = 0;
  std::uint16_t componentFlags;
  do {
    if (!span.Holds(cursor, 4)) return CheckResult::kUnusable;
    componentFlags = U16(cursor);
    const std::uint16_t component = U16(cursor + 2);
    cursor += 4;
    // Point-matched placement hits STBTT_assert(0) in stb_truetype.
    if (!(componentFlags & kArgsAreXyValues)) return CheckResult::kUnusable;

    float matrix[6] = {1, 0, 0, 1, 0, 0};
    if (componentFlags & kArgsAreWords) {
      if (!span.Holds(cursor, 4)) return CheckResult::kUnusable;
      matrix[4] = static_cast<std::int16_t>(U16(cursor));
      matrix[5] = static_cast<std::int16_t>(U16(cursor + 2));
      cursor += 4;
    } else {
      if (!span.Holds(cursor, 2)) return CheckResult::kUnusable;
      matrix[4] = static_cast<std::int8_t>(data[cursor]);
      matrix[5] = static_cast<std::int8_t>(data[cursor + 1]);
      cursor += 2;
    }
    auto fixed2Dot14 = [this](std::uint64_t offset) {
      return static_cast<float>(static_cast<std::int16_t>(U16(offset))) / 16384.0f;
    };
    if (componentFlags & kHaveScale) {
      if (!span.Holds(cursor, 2)) return CheckResult::kUnusable;
      matrix[0] = matrix[3] = fixed2Dot14(cursor);
      cursor += 2;
    } else if (componentFlags & kHaveXyScale) {
      if (!span.Holds(cursor, 4)) return CheckResult::kUnusable;
      matrix[0] = fixed2Dot14(cursor);
      matrix[3] = fixed2Dot14(cursor + 2);
      cursor += 4;
    } else if (componentFlags & kHaveTwoByTwo) {
      if (!span.Holds(cursor, 8)) return CheckResult::kUnusable;
      for (int i = 0; i < 4; ++i) matrix[i] = fixed2Dot14(cursor + 2ull * i);
      cursor += 8;
    }

    if (component >= glyphCount) return CheckResult::kUnusable;
    const CheckResult componentResult = CheckGlyph(component, depth + 1);
    if (componentResult != CheckResult::kUsable) return componentResult;
    const GlyphInfo& part = glyphs[component];
    height = std::max(height, part.height + 1);
    expandedComponents += 1 + part.expandedComponents;
    if (part.vertexCount > 0) {
      vertexCount += part.vertexCount;
      const double columnScale = std::sqrt(static_cast<double>(matrix[0]) * matrix[0] + static_cast<double>(matrix[1]) * matrix[1]);
      const double rowScale = std::sqrt(static_cast<double>(matrix[2]) * matrix[2] + static_cast<double>(matrix[3]) * matrix[3]);
      const double extent = part.largestCoordinate;
      const double xBound = columnScale * ((std::fabs(matrix[0]) + std::fabs(matrix[2])) * extent + std::fabs(matrix[4]));
      const double yBound = rowScale * ((std::fabs(matrix[1]) + std::fabs(matrix[3])) * extent + std::fabs(matrix[5]));
      largest = std::max({largest, xBound, yBound});
      if (largest > kLargestTransformedCoordinate) return CheckResult::kUnusable;
    }
    if (vertexCount > kMaxGlyphVertices || expandedComponents > kMaxExpandedComponents) {
      return CheckResult::kUnusable;
    }
  } while (componentFlags & kMoreComponents);

  info.height = static_cast<std::uint8_t>(height);
  info.vertexCount = static_cast<std::int32_t>(vertexCount);
  info.largestCoordinate = static_cast<std::int32_t>(std::ceil(largest));
  info.expandedComponents = static_cast<std::int32_t>(expandedComponents);
  return CheckResult::kUsable;
}

}  // namespace Kelpforge::Graphics::kfImplementation
