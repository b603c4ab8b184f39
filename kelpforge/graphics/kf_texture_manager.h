// The texture table: images decoded by stb_image become OpenGL textures addressed by small integer
// handles (the index of the texture's record). The table only grows; a handle stays valid until
// exit. The creating operations need a current OpenGL context.
#pragma once

#include <cstdint>
#include <string>

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

}  // namespace Kelpforge::Graphics
