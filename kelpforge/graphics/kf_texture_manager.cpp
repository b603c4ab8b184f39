// The texture table and the path from image bytes to an OpenGL texture. Decoding and the table are
// kept apart from the OpenGL upload so both can run without a context.
#include "kelpforge/graphics/kf_texture_manager.h"

#include <stb_image.h>

#include <climits>
#include <cstdio>
#include <memory>
#include <utility>

#include "kelpforge/graphics/kf_opengl.h"

// The framework's own picture, embedded at build time (kelpforge/assets/).
extern const unsigned char kfBuiltInImageData[];
extern const std::size_t kfBuiltInImageDataSize;

namespace Kelpforge::Graphics {

namespace kfImplementation {

namespace {

TextureTable theTextureTable;

// stb_image allocates the whole image before it finds out whether the data is there, so a few
// hostile header bytes could ask for gigabytes; the size is checked first.
bool IsAcceptedSize(int width, int height) {
  return width > 0 && height > 0 && static_cast<std::uint32_t>(width) <= DecodedImage::kMaxImageSide &&
         static_cast<std::uint32_t>(height) <= DecodedImage::kMaxImageSide;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

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

DecodedImage DecodedImage::FromMemory(const unsigned char* bytes, std::size_t size) {
  if (bytes == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) return {};
  const int length = static_cast<int>(size);
  int width = 0;
  int height = 0;
  int channels = 0;
  if (!stbi_info_from_memory(bytes, length, &width, &height, &channels) ||
      !IsAcceptedSize(width, height)) {
    return {};
  }
  unsigned char* pixels = stbi_load_from_memory(bytes, length, &width, &height, &channels, 4);
  if (pixels == nullptr) return {};
  if (!IsAcceptedSize(width, height)) {
    stbi_image_free(pixels);
    return {};
  }
  return DecodedImage(pixels, width, height);
}

DecodedImage DecodedImage::FromFile(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return {};
  int width = 0;
  int height = 0;
  int channels = 0;
  // stbi_info_from_file leaves the file where it found it.
  if (!stbi_info_from_file(file.get(), &width, &height, &channels) ||
      !IsAcceptedSize(width, height)) {
    return {};
  }
  unsigned char* pixels = stbi_load_from_file(file.get(), &width, &height, &channels, 4);
  if (pixels == nullptr) return {};
  if (!IsAcceptedSize(width, height)) {
    stbi_image_free(pixels);
    return {};
  }
  return DecodedImage(pixels, width, height);
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
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  const GLfloat magenta[4] = {1.0f, 0.0f, 1.0f, 1.0f};
  glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, magenta);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
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
