// Reads an Ogg Vorbis file's three header packets the way stb_vorbis 1.22 does (pages one after
// the other from the start, the identification packet alone on the first page, the next two
// packets joined from their segments) and checks what that stb_vorbis trusts. It refuses:
// - comment lengths and counts that reach past the comment packet: stb_vorbis adds one to a
//   length it read and allocates that, so -1 or a huge length writes outside its buffers;
// - a mapping with 16 submaps: its submap arrays hold 15;
// - a codebook that assigns no codeword to any entry: decoding with it indexes a table that
//   was never allocated;
// - a codeword of 31 bits in a codebook of at most 8 entries: stb_vorbis finds those codewords
//   by a linear search that masks with (1 << 31) - 1, an int overflow;
// - codebook sizes past kMaxCodebookEntries and value tables past kMaxCodebookValues: their
//   byte counts overflow the int that stb_vorbis allocates with;
// - anything stb_vorbis itself refuses in the setup packet, so that it never leaves the setup
//   half built (its clean-up then frees pointers it never set).
#include "kelpforge/audio/implementation/kf_ogg_vorbis_guard.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace Kelpforge::Audio::kfImplementation {

namespace {

constexpr std::uint32_t kMaxCodebookEntries = 1u << 16;
constexpr std::uint64_t kMaxCodebookValues = std::uint64_t{1} << 20;
constexpr int kMaxChannels = 16;  // stb_vorbis's STB_VORBIS_MAX_CHANNELS
constexpr int kNoCode = 255;
// stb_vorbis searches the codewords of small codebooks one by one, masking with an int.
constexpr std::uint32_t kMaxLinearSearchEntries = 8;
constexpr int kLongestLinearSearchCodeword = 30;

// The header packets, joined from their segments; empty when the pages do not hold them whole.
struct HeaderPackets {
  std::vector<unsigned char> identification, comment, setup;
};

class PageReader {
public:
  PageReader(const unsigned char* bytes, std::size_t size) : bytes(bytes), size(size) {}

  // Reads the next page header; false when it is cut short or not a page.
  bool NextPage() {
    if (size - position < 27 || std::memcmp(bytes + position, "OggS", 4) != 0 || bytes[position + 4] != 0) {
      return false;
    }
    flags = bytes[position + 5];
    segmentCount = bytes[position + 26];
    position += 27;
    if (size - position < segmentCount) return false;
    segments = bytes + position;
    position += segmentCount;
    std::size_t body = 0;
    for (std::size_t i = 0; i < segmentCount; ++i) body += segments[i];
    if (size - position < body) return false;
    nextSegment = 0;
    return true;
  }

  // Appends the packet that starts at the next segment; a packet continues on the next pages
  // only when they say they continue one, as stb_vorbis requires.
  bool ReadPacket(std::vector<unsigned char>& packet) {
    if (nextSegment == segmentCount) {
      if (!NextPage() || (flags & 1) != 0) return false;
    }
    for (;;) {
      while (nextSegment < segmentCount) {
        const unsigned length = segments[nextSegment++];
        packet.insert(packet.end(), bytes + position, bytes + position + length);
        position += length;
        if (length < 255) return true;
      }
      if (!NextPage() || (flags & 1) == 0) return false;
    }
  }

  const unsigned char* bytes;
  std::size_t size;
  std::size_t position = 0;
  unsigned flags = 0;
  std::size_t segmentCount = 0;
  std::size_t nextSegment = 0;
  const unsigned char* segments = nullptr;
};

bool ReadHeaderPackets(const unsigned char* bytes, std::size_t size, HeaderPackets& packets) {
  PageReader pages(bytes, size);
  // The first page: beginning of stream, not the last page, one segment of 30 bytes.
  if (!pages.NextPage() || (pages.flags & 7) != 2 || pages.segmentCount != 1 || pages.segments[0] != 30) {
    return false;
  }
  if (!pages.ReadPacket(packets.identification)) return false;
  // The comment packet starts a page of its own.
  return pages.NextPage() && (pages.flags & 1) == 0 && pages.ReadPacket(packets.comment) &&
         pages.ReadPacket(packets.setup);
}

bool HasVorbisTag(const std::vector<unsigned char>& packet, unsigned char type) {
  return packet.size() >= 7 && packet[0] == type && std::memcmp(packet.data() + 1, "vorbis", 6) == 0;
}

std::uint32_t Read32(const unsigned char* at) {
  return std::uint32_t{at[0]} | (std::uint32_t{at[1]} << 8) | (std::uint32_t{at[2]} << 16) |
         (std::uint32_t{at[3]} << 24);
}

bool IdentificationIsSafe(const std::vector<unsigned char>& packet, int& channels) {
  if (packet.size() != 30 || !HasVorbisTag(packet, 1) || Read32(&packet[7]) != 0) return false;
  channels = packet[11];
  const unsigned log0 = packet[28] & 15;
  const unsigned log1 = packet[28] >> 4;
  return channels > 0 && channels <= kMaxChannels && Read32(&packet[12]) != 0 && log0 >= 6 && log0 <= 13 &&
         log1 >= 6 && log1 <= 13 && log0 <= log1 && (packet[29] & 1) != 0;
}

// The vendor string, the comment count and each comment lie inside the packet, with the framing
// byte after them.
bool CommentIsSafe(const std::vector<unsigned char>& packet) {
  if (!HasVorbisTag(packet, 3)) return false;
  std::size_t position = 7;
  auto skipCounted = [&](std::uint64_t& value) {
    if (packet.size() - position < 4) return false;
    value = Read32(&packet[position]);
    position += 4;
    return true;
  };
  std::uint64_t length = 0;
  if (!skipCounted(length) || length > packet.size() - position) return false;
  position += length;
  std::uint64_t count = 0;
  if (!skipCounted(count) || count > (packet.size() - position) / 4) return false;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (!skipCounted(length) || length > packet.size() - position) return false;
    position += length;
  }
  return position < packet.size() && (packet[position] & 1) != 0;
}

// Bits of a packet, least significant first; reading past its end fails.
class BitReader {
public:
  // Reads from `skipBytes` into the packet.
  BitReader(const std::vector<unsigned char>& packet, std::size_t skipBytes) : packet(packet), bit(skipBytes * 8) {}

  bool Read(int count, std::uint32_t& value) {
    value = 0;
    if (static_cast<std::uint64_t>(count) > packet.size() * std::uint64_t{8} - bit) return false;
    for (int i = 0; i < count; ++i, ++bit) {
      value |= static_cast<std::uint32_t>((packet[bit >> 3] >> (bit & 7)) & 1u) << i;
    }
    return true;
  }

private:
  const std::vector<unsigned char>& packet;
  std::uint64_t bit;
};

int Ilog(std::int64_t n) {
  int bits = 0;
  while (n > 0) {
    ++bits;
    n >>= 1;
  }
  return bits;
}

// stb_vorbis's lookup1_values, in its mixed float and double arithmetic; -1 where it refuses,
// and also where it would convert a power past INT_MAX to int (undefined behaviour there).
int Lookup1Values(int entries, int dimensions) {
  const float logOverDimensions = static_cast<float>(std::log(static_cast<double>(static_cast<float>(entries)))) /
                                  static_cast<float>(dimensions);
  auto fitsInt = [](double value) { return value >= INT_MIN && value <= INT_MAX; };
  const double root = std::floor(std::exp(static_cast<double>(logOverDimensions)));
  if (!fitsInt(root)) return -1;
  int r = static_cast<int>(root);
  auto power = [&](int base) { return std::pow(static_cast<double>(static_cast<float>(base) + 1.0f), dimensions); };
  const double next = std::floor(power(r));
  if (!fitsInt(next)) return -1;
  if (static_cast<int>(next) <= entries) ++r;
  if (power(r) <= entries) return -1;
  const double own = std::floor(power(r - 1));
  if (!fitsInt(own)) return -1;
  return static_cast<int>(own) > entries ? -1 : r;
}

// stb_vorbis's codeword assignment, without the codewords: false where it finds the lengths
// over-full (its error) or where its own assertion on the tree would not hold.
bool CodewordsFit(const std::vector<unsigned char>& lengths) {
  std::uint32_t available[32] = {};
  std::size_t k = 0;
  while (k < lengths.size() && lengths[k] == kNoCode) ++k;
  if (k == lengths.size()) return true;
  for (int i = 1; i <= lengths[k]; ++i) available[i] = 1u << (32 - i);
  for (std::size_t i = k + 1; i < lengths.size(); ++i) {
    const int length = lengths[i];
    if (length == kNoCode) continue;
    int z = length;
    while (z > 0 && available[z] == 0) --z;
    if (z == 0) return false;
    const std::uint32_t result = available[z];
    available[z] = 0;
    for (int y = length; y > z; --y) {
      if (available[y] != 0) return false;
      available[y] = result + (1u << (32 - y));
    }
  }
  return true;
}

struct Codebook {
  std::uint32_t entries = 0;
  std::uint32_t dimensions = 0;
};

bool ReadCodebook(BitReader& bits, Codebook& book, std::uint64_t& totalEntries) {
  std::uint32_t sync = 0;
  std::uint32_t ordered = 0;
  std::uint32_t sparse = 0;
  if (!bits.Read(24, sync) || sync != 0x564342 || !bits.Read(16, book.dimensions) || !bits.Read(24, book.entries) ||
      !bits.Read(1, ordered)) {
    return false;
  }
  if (!ordered && !bits.Read(1, sparse)) return false;
  if (book.dimensions == 0 && book.entries != 0) return false;
  totalEntries += book.entries;
  if (book.entries > kMaxCodebookEntries || totalEntries > kMaxCodebookValues) return false;

  std::vector<unsigned char> lengths(book.entries, kNoCode);
  std::uint32_t value = 0;
  if (ordered) {
    std::uint32_t current = 0;
    if (!bits.Read(5, value)) return false;
    std::uint32_t length = value + 1;
    while (current < book.entries) {
      if (!bits.Read(Ilog(book.entries - current), value) || length >= 32 || value > book.entries - current) {
        return false;
      }
      std::memset(lengths.data() + current, static_cast<int>(length), value);
      current += value;
      ++length;
    }
  } else {
    for (auto& length : lengths) {
      std::uint32_t present = 1;
      if (sparse && !bits.Read(1, present)) return false;
      if (!present) continue;
      if (!bits.Read(5, value) || value + 1 == 32) return false;
      length = static_cast<unsigned char>(value + 1);
    }
  }
  std::uint32_t used = 0;
  for (const unsigned char length : lengths) used += length != kNoCode ? 1 : 0;
  if (used == 0 || !CodewordsFit(lengths)) return false;
  if (book.entries <= kMaxLinearSearchEntries &&
      std::find(lengths.begin(), lengths.end(), kLongestLinearSearchCodeword + 1) != lengths.end()) {
    return false;
  }

  std::uint32_t lookupType = 0;
  if (!bits.Read(4, lookupType) || lookupType > 2) return false;
  if (lookupType == 0) return true;
  std::uint32_t ignored = 0;
  std::uint32_t valueBits = 0;
  if (!bits.Read(32, ignored) || !bits.Read(32, ignored) || !bits.Read(4, valueBits) || !bits.Read(1, ignored)) {
    return false;
  }
  // Pre-expanded or not, stb_vorbis keeps up to entries x dimensions values of four bytes.
  const std::uint64_t expanded = std::uint64_t{book.entries} * book.dimensions;
  if (expanded > kMaxCodebookValues) return false;
  std::int64_t lookupValues = static_cast<std::int64_t>(expanded);
  if (lookupType == 1) lookupValues = Lookup1Values(static_cast<int>(book.entries), static_cast<int>(book.dimensions));
  if (lookupValues <= 0) return false;
  for (std::int64_t i = 0; i < lookupValues; ++i) {
    if (!bits.Read(static_cast<int>(valueBits) + 1, value)) return false;
  }
  return true;
}

bool ReadFloor(BitReader& bits, std::uint32_t codebookCount) {
  std::uint32_t type = 0;
  std::uint32_t partitions = 0;
  // Floor type 0 is refused by stb_vorbis.
  if (!bits.Read(16, type) || type != 1 || !bits.Read(5, partitions)) return false;
  std::uint32_t classes[31] = {};
  std::uint32_t maxClass = 0;
  for (std::uint32_t i = 0; i < partitions; ++i) {
    if (!bits.Read(4, classes[i])) return false;
    if (classes[i] > maxClass) maxClass = classes[i];
  }
  std::uint32_t dimensions[16] = {};
  std::uint32_t value = 0;
  for (std::uint32_t j = 0; j <= maxClass; ++j) {
    std::uint32_t subclasses = 0;
    if (!bits.Read(3, value) || !bits.Read(2, subclasses)) return false;
    dimensions[j] = value + 1;
    if (subclasses && (!bits.Read(8, value) || value >= codebookCount)) return false;
    for (std::uint32_t k = 0; k < (1u << subclasses); ++k) {
      if (!bits.Read(8, value) || static_cast<std::int64_t>(value) - 1 >= static_cast<std::int64_t>(codebookCount)) {
        return false;
      }
    }
  }
  std::uint32_t rangeBits = 0;
  if (!bits.Read(2, value) || !bits.Read(4, rangeBits)) return false;
  // stb_vorbis refuses two points at the same x; the first two are 0 and 2^rangeBits.
  std::vector<std::uint32_t> xs = {0, 1u << rangeBits};
  for (std::uint32_t i = 0; i < partitions; ++i) {
    for (std::uint32_t k = 0; k < dimensions[classes[i]]; ++k) {
      if (!bits.Read(static_cast<int>(rangeBits), value)) return false;
      for (const std::uint32_t x : xs) {
        if (x == value) return false;
      }
      xs.push_back(value);
    }
  }
  return true;
}

bool ReadResidue(BitReader& bits, const std::vector<Codebook>& books) {
  std::uint32_t type = 0, begin = 0, end = 0, value = 0, classifications = 0, classbook = 0;
  if (!bits.Read(16, type) || type > 2 || !bits.Read(24, begin) || !bits.Read(24, end) || end < begin ||
      !bits.Read(24, value) || !bits.Read(6, classifications) || !bits.Read(8, classbook) ||
      classbook >= books.size()) {
    return false;
  }
  ++classifications;
  std::uint32_t cascade[64] = {};
  for (std::uint32_t j = 0; j < classifications; ++j) {
    std::uint32_t low = 0, flag = 0, high = 0;
    if (!bits.Read(3, low) || !bits.Read(1, flag) || (flag && !bits.Read(5, high))) return false;
    cascade[j] = high * 8 + low;
  }
  for (std::uint32_t j = 0; j < classifications; ++j) {
    for (int k = 0; k < 8; ++k) {
      if ((cascade[j] & (1u << k)) && (!bits.Read(8, value) || value >= books.size())) return false;
    }
  }
  // One class word table of `dimensions` bytes per classbook entry.
  return std::uint64_t{books[classbook].entries} * books[classbook].dimensions <= kMaxCodebookValues;
}

bool ReadMapping(BitReader& bits, int channels, std::uint32_t floorCount, std::uint32_t residueCount) {
  std::uint32_t type = 0, flag = 0, submaps = 1, value = 0;
  if (!bits.Read(16, type) || type != 0 || !bits.Read(1, flag)) return false;
  if (flag) {
    if (!bits.Read(4, submaps)) return false;
    ++submaps;
  }
  if (submaps > 15 || !bits.Read(1, flag)) return false;
  if (flag) {
    std::uint32_t steps = 0;
    if (!bits.Read(8, steps) || steps + 1 > static_cast<std::uint32_t>(channels)) return false;
    const int width = Ilog(channels - 1);
    for (std::uint32_t k = 0; k <= steps; ++k) {
      std::uint32_t magnitude = 0, angle = 0;
      if (!bits.Read(width, magnitude) || !bits.Read(width, angle) || magnitude >= static_cast<std::uint32_t>(channels) ||
          angle >= static_cast<std::uint32_t>(channels) || magnitude == angle) {
        return false;
      }
    }
  }
  if (!bits.Read(2, value) || value != 0) return false;
  if (submaps > 1) {
    for (int j = 0; j < channels; ++j) {
      if (!bits.Read(4, value) || value >= submaps) return false;
    }
  }
  for (std::uint32_t j = 0; j < submaps; ++j) {
    std::uint32_t floor = 0, residue = 0;
    if (!bits.Read(8, value) || !bits.Read(8, floor) || !bits.Read(8, residue) || floor >= floorCount ||
        residue >= residueCount) {
      return false;
    }
  }
  return true;
}

bool SetupIsSafe(const std::vector<unsigned char>& packet, int channels) {
  if (!HasVorbisTag(packet, 5)) return false;
  BitReader bits(packet, 7);  // past the packet type and "vorbis"
  std::uint32_t count = 0;
  std::uint32_t value = 0;
  if (!bits.Read(8, count)) return false;
  std::vector<Codebook> books(count + 1);
  std::uint64_t totalEntries = 0;
  for (Codebook& book : books) {
    if (!ReadCodebook(bits, book, totalEntries)) return false;
  }
  if (!bits.Read(6, count)) return false;
  for (std::uint32_t i = 0; i <= count; ++i) {
    if (!bits.Read(16, value) || value != 0) return false;
  }
  std::uint32_t floorCount = 0;
  if (!bits.Read(6, floorCount)) return false;
  for (std::uint32_t i = 0; i <= floorCount; ++i) {
    if (!ReadFloor(bits, static_cast<std::uint32_t>(books.size()))) return false;
  }
  std::uint32_t residueCount = 0;
  if (!bits.Read(6, residueCount)) return false;
  for (std::uint32_t i = 0; i <= residueCount; ++i) {
    if (!ReadResidue(bits, books)) return false;
  }
  std::uint32_t mappingCount = 0;
  if (!bits.Read(6, mappingCount)) return false;
  for (std::uint32_t i = 0; i <= mappingCount; ++i) {
    if (!ReadMapping(bits, channels, floorCount + 1, residueCount + 1)) return false;
  }
  std::uint32_t modeCount = 0;
  if (!bits.Read(6, modeCount)) return false;
  for (std::uint32_t i = 0; i <= modeCount; ++i) {
    std::uint32_t windowType = 0, transformType = 0, mapping = 0;
    if (!bits.Read(1, value) || !bits.Read(16, windowType) || !bits.Read(16, transformType) ||
        !bits.Read(8, mapping) || windowType != 0 || transformType != 0 || mapping > mappingCount) {
      return false;
    }
  }
  return bits.Read(1, value) && value == 1;
}

}  // namespace

bool OggVorbisHeadersAreSafe(const unsigned char* bytes, std::size_t size) {
  HeaderPackets packets;
  int channels = 0;
  return bytes != nullptr && ReadHeaderPackets(bytes, size, packets) &&
         IdentificationIsSafe(packets.identification, channels) && CommentIsSafe(packets.comment) &&
         SetupIsSafe(packets.setup, channels);
}

}  // namespace Kelpforge::Audio::kfImplementation
