// Fuzzes the font path of Text with hostile font files: validation, stb_truetype's
// initialisation, sizing, measuring and rasterizing one line, exactly as a Text's font goes
// through them (no GL context is needed). Input layout: one size byte, the line's bytes up to
// a zero byte (at most 64), then the whole font file (tools/make-font-fuzz-seeds writes seeds).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "kelpforge/graphics/implementation/kf_font.h"

using namespace Kelpforge::Graphics::kfImplementation;

namespace {

constexpr std::size_t kMaxLineBytes = 64;
// Larger bitmaps are measured but not drawn, to keep each run short; the drawing code does not
// depend on the bitmap's size beyond the clipping, which small bitmaps reach as well.
constexpr std::int64_t kMaxFuzzedBitmapBytes = std::int64_t{1} << 22;

std::uint32_t ReadEveryByte(const TextBitmap& bitmap) {
  std::uint32_t sum = 0;
  const std::size_t size = static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height);
  for (std::size_t i = 0; i < size; ++i) sum += bitmap.pixels[i];
  return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const float pixelSize = 1.0f + static_cast<float>(data[0] % 100);
  const std::uint8_t* line = data + 1;
  const std::size_t lineRoom = std::min(size - 1, kMaxLineBytes + 1);
  const auto* terminator = static_cast<const std::uint8_t*>(std::memchr(line, 0, lineRoom));
  if (terminator == nullptr) return 0;
  const std::string text(reinterpret_cast<const char*>(line), static_cast<std::size_t>(terminator - line));

  const std::uint8_t* fontBytes = terminator + 1;
  const std::size_t fontSize = size - static_cast<std::size_t>(fontBytes - data);
  // An exactly sized copy, so AddressSanitizer sees any read past the end of the file.
  std::unique_ptr<unsigned char[]> fontData(new unsigned char[fontSize]);
  if (fontSize > 0) std::memcpy(fontData.get(), fontBytes, fontSize);
  std::unique_ptr<FontRecord> font = CreateFontFromData(std::move(fontData), fontSize);
  if (!font) return 0;

  SetFontPixelHeight(*font, pixelSize);
  const std::int64_t width = MeasureTextWidth(*font, text.c_str());
  const std::int64_t height = TextHeight(*font);
  if (width >= 0 && height >= 0 && width * height <= kMaxFuzzedBitmapBytes) {
    const TextBitmap bitmap = RasterizeText(*font, text.c_str());
    if (bitmap.pixels && ReadEveryByte(bitmap) == 0xFFFFFFFFu) std::abort();  // keeps the reads
  }
  return 0;
}
