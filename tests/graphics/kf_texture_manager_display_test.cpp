// Textures made through OpenGL: handles in order, nothing made for a failed load, what was
// uploaded (read back with glGetTexImage), the texture parameters and the built-in image.
#include "kelpforge/graphics/implementation/kf_texture_manager_internal.h"
#include "kelpforge/graphics/kf_texture_manager.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/graphics/gl_frame.h"

extern const unsigned char kfBuiltInImageData[];
extern const std::size_t kfBuiltInImageDataSize;

namespace {

using Kelpforge::Graphics::CreateBuiltInTexture;
using Kelpforge::Graphics::GetTextureRecord;
using Kelpforge::Graphics::InvalidTexture;
using Kelpforge::Graphics::LoadTextureFromFile;
using Kelpforge::Graphics::TextureHandle;
using Kelpforge::Graphics::TextureRecord;
using Kelpforge::Graphics::kfImplementation::DecodedImage;
using Kelpforge::Graphics::kfImplementation::TheTextureTable;
using KelpforgeTests::Graphics::GlFrameTest;
using KelpforgeTests::Graphics::WritePng;
using KelpforgeTests::Graphics::WriteTextFile;
using Bytes = std::vector<unsigned char>;

using TextureCreation = GlFrameTest;

Bytes ReadBack(TextureHandle handle) {
  const TextureRecord& record = GetTextureRecord(handle);
  Bytes pixels(static_cast<std::size_t>(record.width) * record.height * 4);
  glBindTexture(GL_TEXTURE_2D, record.glTextureName);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

TEST_F(TextureCreation, HandlesFollowTheTableAndAFailedLoadMakesNothing) {
  const std::string image = WritePng("handles.png", 2, 2, 3, Bytes(12, 200));
  const auto first = static_cast<TextureHandle>(TheTextureTable().Count());
  EXPECT_EQ(LoadTextureFromFile(image), first);

  GLint boundBefore = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundBefore);
  EXPECT_EQ(LoadTextureFromFile(image + ".missing"), InvalidTexture);
  EXPECT_EQ(LoadTextureFromFile(WriteTextFile("text.png", "plain text")), InvalidTexture);
  GLint boundAfter = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundAfter);
  EXPECT_EQ(boundAfter, boundBefore);
  EXPECT_EQ(TheTextureTable().Count(), static_cast<std::size_t>(first) + 1);

  // The same file again is another texture: there is no cache by path.
  EXPECT_EQ(LoadTextureFromFile(image), first + 1);
  EXPECT_EQ(LoadTextureFromFile(image), first + 2);
  EXPECT_NE(GetTextureRecord(first).glTextureName, GetTextureRecord(first + 1).glTextureName);
  // The new texture is left bound.
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<std::uint32_t>(bound), GetTextureRecord(first + 2).glTextureName);
}

TEST_F(TextureCreation, GreyAndRgbImagesAreUploadedAsRgbaWithOpaqueAlpha) {
  const TextureHandle grey = LoadTextureFromFile(WritePng("grey.png", 2, 2, 1, {0, 64, 128, 255}));
  ASSERT_NE(grey, InvalidTexture);
  EXPECT_EQ(GetTextureRecord(grey).width, 2u);
  EXPECT_EQ(GetTextureRecord(grey).height, 2u);
  EXPECT_EQ(ReadBack(grey), (Bytes{0, 0, 0, 255, 64, 64, 64, 255, 128, 128, 128, 255, 255, 255, 255, 255}));

  // Three wide and two tall: the first decoded row is the texture's first row.
  const TextureHandle rgb = LoadTextureFromFile(WritePng("rgb.png", 3, 2, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9,  //
                                                                            10, 11, 12, 13, 14, 15, 16, 17, 18}));
  ASSERT_NE(rgb, InvalidTexture);
  EXPECT_EQ(GetTextureRecord(rgb).width, 3u);
  EXPECT_EQ(GetTextureRecord(rgb).height, 2u);
  EXPECT_EQ(ReadBack(rgb), (Bytes{1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255,  //
                                  10, 11, 12, 255, 13, 14, 15, 255, 16, 17, 18, 255}));

  const TextureHandle rgba = LoadTextureFromFile(WritePng("rgba.png", 1, 1, 4, {9, 8, 7, 6}));
  EXPECT_EQ(ReadBack(rgba), (Bytes{9, 8, 7, 6}));
}

TEST_F(TextureCreation, TexturesFilterLinearlyRepeatAndHaveAMagentaBorder) {
  const TextureHandle handle = LoadTextureFromFile(WritePng("parameters.png", 4, 4, 4, Bytes(64, 90)));
  ASSERT_NE(handle, InvalidTexture);
  glBindTexture(GL_TEXTURE_2D, GetTextureRecord(handle).glTextureName);
  GLint value = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
  EXPECT_EQ(value, GL_LINEAR);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
  EXPECT_EQ(value, GL_LINEAR);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
  EXPECT_EQ(value, GL_REPEAT);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
  EXPECT_EQ(value, GL_REPEAT);
  GLfloat border[4] = {};
  glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
  EXPECT_EQ(border[0], 1.0f);
  EXPECT_EQ(border[1], 0.0f);
  EXPECT_EQ(border[2], 1.0f);
  EXPECT_EQ(border[3], 1.0f);
  // No mipmaps: level 1 does not exist.
  GLint levelOneWidth = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &levelOneWidth);
  EXPECT_EQ(levelOneWidth, 0);
}

TEST_F(TextureCreation, EveryBuiltInTextureIsANew256By256CopyOfTheEmbeddedImage) {
  const TextureHandle first = CreateBuiltInTexture();
  const TextureHandle second = CreateBuiltInTexture();
  ASSERT_NE(first, InvalidTexture);
  ASSERT_NE(second, InvalidTexture);
  EXPECT_EQ(second, first + 1);
  const TextureRecord& a = GetTextureRecord(first);
  const TextureRecord& b = GetTextureRecord(second);
  EXPECT_EQ(a.width, 256u);
  EXPECT_EQ(a.height, 256u);
  EXPECT_NE(a.glTextureName, b.glTextureName);
  EXPECT_TRUE(glIsTexture(a.glTextureName));
  EXPECT_TRUE(glIsTexture(b.glTextureName));

  const DecodedImage decoded = DecodedImage::FromMemory(kfBuiltInImageData, kfBuiltInImageDataSize);
  const Bytes expected(decoded.Pixels(), decoded.Pixels() + decoded.ByteSize());
  EXPECT_EQ(ReadBack(first), expected);
  EXPECT_EQ(ReadBack(second), expected);
}

}  // namespace
