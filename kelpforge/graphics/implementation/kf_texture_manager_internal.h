// The texture table behind the handles, the decoded images that become textures, and the upload
// to OpenGL (or a stand-in where there is no context).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kelpforge/graphics/kf_texture_manager.h"

namespace Kelpforge::Graphics::kfImplementation {

// 8-bit RGBA pixels, rows from the top of the image down, owned until destruction. Empty when the
// source could not be decoded, describes an image larger than kMaxImageSide on a side, or would
// run into a known fault of the distribution's stb_image (see kf_texture_manager.cpp).
class DecodedImage {
public:
  static constexpr std::uint32_t kMaxImageSide = 8192;

  // `maxSide` below kMaxImageSide lets the fuzzer skip huge allocations.
  static DecodedImage FromMemory(const unsigned char* bytes, std::size_t size,
                                 std::uint32_t maxSide = kMaxImageSide);
  static DecodedImage FromFile(const std::string& path);

  DecodedImage() = default;
  DecodedImage(DecodedImage&& other) noexcept;
  DecodedImage& operator=(DecodedImage&& other) noexcept;
  DecodedImage(const DecodedImage&) = delete;
  DecodedImage& operator=(const DecodedImage&) = delete;
  ~DecodedImage();

  bool IsValid() const { return pixels != nullptr; }
  std::uint32_t Width() const { return width; }
  std::uint32_t Height() const { return height; }
  const unsigned char* Pixels() const { return pixels; }
  std::size_t ByteSize() const { return static_cast<std::size_t>(width) * height * 4; }

private:
  DecodedImage(unsigned char* pixels, int width, int height);

  unsigned char* pixels = nullptr;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// Records in creation order; a record's index is its handle.
class TextureTable {
public:
  TextureHandle Add(const TextureRecord& record);
  const TextureRecord& Get(TextureHandle handle) const;
  std::size_t Count() const { return records.size(); }

private:
  std::vector<TextureRecord> records;
};

TextureTable& TheTextureTable();

// Turns decoded pixels into a texture and gives its name: the OpenGL upload in the program, a
// stand-in where no context exists (tests, fuzzing).
using TextureUpload = std::uint32_t (*)(const DecodedImage& image);

// The OpenGL upload: a new name, magenta border, linear filtering, repeat wrapping, no mipmaps.
// Leaves the new texture bound.
std::uint32_t UploadTextureToOpenGL(const DecodedImage& image);

// Uploads a valid image and appends its record; an invalid one gives InvalidTexture without an
// upload or a new record.
TextureHandle CreateTexture(TextureTable& table, const DecodedImage& image, TextureUpload upload);

}  // namespace Kelpforge::Graphics::kfImplementation
