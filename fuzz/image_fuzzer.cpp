// Fuzzes the path from image bytes to a texture record: decoding with stb_image into RGBA, the
// size limit, and the texture table. The OpenGL upload is replaced by a stand-in that reads every
// decoded byte, so reading past the pixels is caught by AddressSanitizer without a GL context.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "kelpforge/graphics/implementation/kf_texture_manager_internal.h"
#include "kelpforge/graphics/kf_texture_manager.h"

using Kelpforge::Graphics::InvalidTexture;
using Kelpforge::Graphics::TextureHandle;
using Kelpforge::Graphics::TextureRecord;
using Kelpforge::Graphics::kfImplementation::CreateTexture;
using Kelpforge::Graphics::kfImplementation::DecodedImage;
using Kelpforge::Graphics::kfImplementation::TextureTable;

namespace {

std::uint32_t ReadEveryByte(const DecodedImage& image) {
  const unsigned char* pixels = image.Pixels();
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < image.ByteSize(); ++i) sum += pixels[i];
  return sum | 1u;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A lower size limit than the program's keeps each run fast; the checks are the same.
  constexpr std::uint32_t kMaxSide = 1024;
  const DecodedImage image = DecodedImage::FromMemory(data, size, kMaxSide);
  TextureTable table;
  const TextureHandle handle = CreateTexture(table, image, &ReadEveryByte);
  if (!image.IsValid()) {
    if (handle != InvalidTexture || table.Count() != 0) std::abort();
    return 0;
  }
  const TextureRecord& record = table.Get(handle);
  if (handle != 0 || record.width != image.Width() || record.height != image.Height() ||
      record.width == 0 || record.height == 0 || record.width > kMaxSide ||
      record.height > kMaxSide || (record.glTextureName & 1u) == 0) {
    std::abort();
  }
  return 0;
}
