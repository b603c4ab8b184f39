// The texture table: images decoded by stb_image become OpenGL textures addressed by small integer
// handles (the index of the texture's record). The table only grows; a handle stays valid until
// exit. The creating operations need a current OpenGL context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Kelpforge::Graphics {

using TextureHandle = std::int32_t;
inline constexpr TextureHandle InvalidTexture = -1;

struct TextureRecord {
  std::uint32_t glTextureName = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// Decodes the image at `path` (relative to the working directory) and makes a texture of it;
// InvalidTexture when it cannot be opened or decoded, in which case nothing else happens.
TextureHandle LoadTextureFromFile(const std::string& path);

// Makes a new texture of the image carried inside the program; every call makes another one.
TextureHandle CreateBuiltInTexture();

// The record of a handle from this table. For any other handle (InvalidTexture included) an empty
// record is given, whose texture name 0 is OpenGL's default texture.
const TextureRecord& GetTextureRecord(TextureHandle handle);

namespace kfImplementation {

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

}  // namespace kfImplementation

}  // namespace Kelpforge::Graphics
