// The texture table and the path from image bytes to an OpenGL texture. Decoding and the table are
// kept apart from the OpenGL upload so both can run without a context.
#include "kelpforge/graphics/kf_texture_manager.h"

#include <stb_image.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "kelpforge/core/implementation/kf_file.h"
#include "kelpforge/graphics/implementation/kf_opengl.h"
#include "kelpforge/graphics/implementation/kf_texture_manager_internal.h"

// The framework's own picture, embedded at build time (kelpforge/assets/).
extern const unsigned char kfBuiltInImageData[];
extern const std::size_t kfBuiltInImageDataSize;

namespace Kelpforge::Graphics {

namespace kfImplementation {

namespace {

TextureTable theTextureTable;

// stb_image allocates the whole image before it finds out whether the data is there, so a few
// hostile header bytes could ask for gigabytes; the size is checked first.
bool IsAcceptedSize(int width, int height, std::uint32_t maxSide) {
  return width > 0 && height > 0 && static_cast<std::uint32_t>(width) <= maxSide &&
         static_cast<std::uint32_t>(height) <= maxSide;
}

// The stb_image of the distribution (2.27) trusts a JPEG's Huffman tables in two ways that
// hostile files break, both found by fuzz/image_fuzzer: it builds a table from the code counts of
// a DHT segment without checking that they add up to at most 256 (a larger sum writes past its
// tables), and it decodes a scan with whatever table the scan names, even one no DHT segment has
// defined (its uninitialised contents then index memory anywhere). Such a JPEG is refused before
// stb_image sees it. The walk follows stb_image: segments are skipped by their length,
// entropy-coded data up to the next marker, a DHT segment is read table by table whatever its
// stated length, and reading ends at EOI. A progressive scan is checked only for the tables its
// kind uses (DC for spectral start 0, AC otherwise).
bool JpegHuffmanTablesAreSafe(const unsigned char* bytes, std::size_t size) {
  // stb_image takes the input for a JPEG when it starts with SOI, fill bytes allowed before it.
  std::size_t position = 0;
  while (position < size && bytes[position] == 0xFF) ++position;
  if (position == 0 || position >= size || bytes[position] != 0xD8) return true;
  ++position;
  // stb_image reads zeros past the end of its input.
  auto byteAt = [&](std::size_t index) -> unsigned { return index < size ? bytes[index] : 0u; };
  bool defined[2][4] = {};  // [DC, AC][table]
  bool progressive = false;
  while (position < size) {
    if (bytes[position] != 0xFF) {
      ++position;  // stray bytes and entropy-coded data
      continue;
    }
    while (position < size && bytes[position] == 0xFF) ++position;  // fill bytes
    if (position >= size) break;
    const unsigned marker = bytes[position++];
    if (marker == 0xD9) return true;  // EOI
    // A stuffed zero, a restart marker, SOI and TEM carry no length.
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;
    const std::size_t length = (byteAt(position) << 8) | byteAt(position + 1);
    if (marker == 0xC2) progressive = true;
    if (marker == 0xDA) {
      const std::size_t components = byteAt(position + 2);
      const unsigned spectralStart = byteAt(position + 3 + 2 * components);
      for (std::size_t i = 0; i < components; ++i) {
        const unsigned tables = byteAt(position + 4 + 2 * i);
        const unsigned dc = tables >> 4;
        const unsigned ac = tables & 15;
        if (dc > 3 || ac > 3) return true;  // stb_image refuses the scan itself
        const bool usesDc = !progressive || spectralStart == 0;
        const bool usesAc = !progressive || spectralStart != 0;
        if ((usesDc && !defined[0][dc]) || (usesAc && !defined[1][ac])) return false;
      }
    }
    if (marker != 0xC4) {
      position += length;
      continue;
    }
    long remaining = static_cast<long>(length) - 2;
    std::size_t table = position + 2;
    while (remaining > 0) {
      const unsigned kind = byteAt(table) >> 4;
      const unsigned slot = byteAt(table) & 15;
      if (kind > 1 || slot > 3) return true;  // stb_image refuses the segment
      unsigned codes = 0;
      for (std::size_t i = 1; i <= 16; ++i) codes += byteAt(table + i);
      if (codes > 256) return false;
      defined[kind][slot] = true;
      table += 17 + codes;
      remaining -= 17 + static_cast<long>(codes);
    }
    position = table;
  }
  return true;
}

// Two more faults of that stb_image with netpbm (P5/P6) headers, both found by fuzz/image_fuzzer:
// it parses the header's numbers into an int without an overflow check, and it converts a 16-bit
// image (maximum value over 255) to four channels as if it had 8 bits per channel, then reads the
// result as 16-bit data twice its size. This reads the header exactly as stb_image does and
// refuses numbers that do not fit an int and maximum values over 255.
bool NetpbmHeaderFits(const unsigned char* bytes, std::size_t size) {
  if (size < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) return true;
  std::size_t position = 2;
  auto atEnd = [&] { return position >= size; };
  auto next = [&]() -> char { return atEnd() ? '\0' : static_cast<char>(bytes[position++]); };
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  auto skipSpaceAndComments = [&](char& c) {
    for (;;) {
      while (!atEnd() && isSpace(c)) c = next();
      if (atEnd() || c != '#') return;
      while (!atEnd() && c != '\n' && c != '\r') c = next();
    }
  };
  auto readNumber = [&](char& c, int& value) {
    value = 0;
    while (!atEnd() && c >= '0' && c <= '9') {
      if (value > (INT_MAX - (c - '0')) / 10) return false;
      value = value * 10 + (c - '0');
      c = next();
    }
    return true;
  };
  char c = next();
  int number = 0;
  skipSpaceAndComments(c);
  if (!readNumber(c, number)) return false;  // width
  skipSpaceAndComments(c);
  if (!readNumber(c, number)) return false;  // height
  skipSpaceAndComments(c);
  return readNumber(c, number) && number <= 255;  // maximum value
}

// stb_image reserves the stated length of a PNG data chunk before reading it, so a chunk that
// claims up to 2 GiB makes a file of a few bytes allocate that much (found by fuzz/image_fuzzer).
// Such a file cannot decode, because the chunk's bytes are not there: it is refused first. The
// chunks are walked as stb_image reads them, up to IEND.
bool PngChunksFit(const unsigned char* bytes, std::size_t size) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < 8 || std::memcmp(bytes, kSignature, 8) != 0) return true;
  auto word = [&](std::size_t at) {
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
  };
  std::size_t position = 8;
  while (size - position >= 8) {
    const std::uint32_t length = word(position);
    const std::uint32_t type = word(position + 4);
    position += 8;
    if (length > size - position) return false;
    if (type == 0x49454E44u) return true;  // IEND: stb_image reads no further
    // stb_image takes the next chunk header after the checksum.
    if (size - position - length < 4) return false;
    position += std::size_t{length} + 4;
  }
  return true;
}

}  // namespace

DecodedImage::DecodedImage(unsigned char* decodedPixels, int decodedWidth, int decodedHeight)
    : pixels(decodedPixels),
      width(static_cast<std::uint32_t>(decodedWidth)),
      height(static_cast<std::uint32_t>(decodedHeight)) {}

DecodedImage::DecodedImage(DecodedImage&& other) noexcept
    : pixels(std::exchange(other.pixels, nullptr)),
      width(std::exchange(other.width, 0)),
      height(std::exchange(other.height, 0)) {}

DecodedImage& DecodedImage::operator=(DecodedImage&& other) noexcept {
  if (this != &other) {
    stbi_image_free(pixels);
    pixels = std::exchange(other.pixels, nullptr);
    width = std::exchange(other.width, 0);
    height = std::exchange(other.height, 0);
  }
  return *this;
}

DecodedImage::~DecodedImage() { stbi_image_free(pixels); }

DecodedImage DecodedImage::FromMemory(const unsigned char* bytes, std::size_t size, std::uint32_t maxSide) {
  if (bytes == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) return {};
  if (!JpegHuffmanTablesAreSafe(bytes, size) || !NetpbmHeaderFits(bytes, size) || !PngChunksFit(bytes, size)) {
    return {};
  }
  const int length = static_cast<int>(size);
  const std::uint32_t limit = std::min(maxSide, kMaxImageSide);
  int width = 0;
  int height = 0;
  int channels = 0;
  if (!stbi_info_from_memory(bytes, length, &width, &height, &channels) ||
      !IsAcceptedSize(width, height, limit)) {
    return {};
  }
  unsigned char* pixels = stbi_load_from_memory(bytes, length, &width, &height, &channels, 4);
  if (pixels == nullptr) return {};
  // The decoder may find another size than its header query did.
  if (!IsAcceptedSize(width, height, limit)) {
    stbi_image_free(pixels);
    return {};
  }
  return DecodedImage(pixels, width, height);
}

// The file is read whole and decoded from memory, so files get the same checks as memory.
DecodedImage DecodedImage::FromFile(const std::string& path) {
  const Core::FileContents file = Core::ReadRegularFile(path, Core::kMaxImageFileBytes);
  if (!file.isRead) return {};
  return FromMemory(file.bytes.get(), file.size);
}

TextureHandle TextureTable::Add(const TextureRecord& record) {
  const auto handle = static_cast<TextureHandle>(records.size());
  records.push_back(record);
  return handle;
}

const TextureRecord& TextureTable::Get(TextureHandle handle) const {
  static const TextureRecord noTexture;
  if (handle < 0 || static_cast<std::size_t>(handle) >= records.size()) return noTexture;
  return records[static_cast<std::size_t>(handle)];
}

TextureTable& TheTextureTable() { return theTextureTable; }

std::uint32_t UploadTextureToOpenGL(const DecodedImage& image) {
  const GLuint name = GenerateBoundTexture();
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(image.Width()),
               static_cast<GLsizei>(image.Height()), 0, GL_RGBA, GL_UNSIGNED_BYTE, image.Pixels());
  return name;
}

TextureHandle CreateTexture(TextureTable& table, const DecodedImage& image, TextureUpload upload) {
  if (!image.IsValid()) return InvalidTexture;
  const std::uint32_t name = upload(image);
  return table.Add(TextureRecord{name, image.Width(), image.Height()});
}

}  // namespace kfImplementation

using namespace kfImplementation;

TextureHandle LoadTextureFromFile(const std::string& path) {
  const DecodedImage image = DecodedImage::FromFile(path);
  return CreateTexture(theTextureTable, image, &UploadTextureToOpenGL);
}

TextureHandle CreateBuiltInTexture() {
  const DecodedImage image = DecodedImage::FromMemory(kfBuiltInImageData, kfBuiltInImageDataSize);
  return CreateTexture(theTextureTable, image, &UploadTextureToOpenGL);
}

const TextureRecord& GetTextureRecord(TextureHandle handle) { return theTextureTable.Get(handle); }

}  // namespace Kelpforge::Graphics
