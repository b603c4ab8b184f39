// Decoding image bytes into RGBA and the texture table's handle scheme, without OpenGL: a
// stand-in upload counts its calls and hands out made-up texture names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kelpforge/graphics/implementation/kf_texture_manager_internal.h"
#include "kelpforge/graphics/kf_texture_manager.h"
#include "tests/graphics/graphics_test_files.h"

extern const unsigned char kfBuiltInImageData[];
extern const std::size_t kfBuiltInImageDataSize;

namespace {

using Kelpforge::Graphics::InvalidTexture;
using Kelpforge::Graphics::TextureRecord;
using Kelpforge::Graphics::kfImplementation::CreateTexture;
using Kelpforge::Graphics::kfImplementation::DecodedImage;
using Kelpforge::Graphics::kfImplementation::TextureTable;
using KelpforgeTests::Graphics::PngBytes;
using KelpforgeTests::Graphics::WritePng;
using KelpforgeTests::Graphics::WriteTextFile;
using Bytes = std::vector<unsigned char>;

int theUploadCount = 0;

std::uint32_t CountingUpload(const DecodedImage& image) {
  ++theUploadCount;
  return 100 + image.Width();
}

DecodedImage Decode(const Bytes& bytes) { return DecodedImage::FromMemory(bytes.data(), bytes.size()); }

Bytes Pixels(const DecodedImage& image) {
  return Bytes(image.Pixels(), image.Pixels() + image.ByteSize());
}

TEST(DecodedImage, GreyAndRgbImagesBecomeRgbaWithOpaqueAlpha) {
  const DecodedImage grey = Decode(PngBytes(3, 1, 1, {0, 128, 255}));
  ASSERT_TRUE(grey.IsValid());
  EXPECT_EQ(grey.Width(), 3u);
  EXPECT_EQ(grey.Height(), 1u);
  EXPECT_EQ(Pixels(grey), (Bytes{0, 0, 0, 255, 128, 128, 128, 255, 255, 255, 255, 255}));

  // Rows from the top of the image down.
  const DecodedImage rgb = Decode(PngBytes(1, 2, 3, {10, 20, 30, 40, 50, 60}));
  ASSERT_TRUE(rgb.IsValid());
  EXPECT_EQ(Pixels(rgb), (Bytes{10, 20, 30, 255, 40, 50, 60, 255}));

  const DecodedImage rgba = Decode(PngBytes(1, 1, 4, {1, 2, 3, 4}));
  EXPECT_EQ(Pixels(rgba), (Bytes{1, 2, 3, 4}));
}

TEST(DecodedImage, FilesDecodeLikeMemoryAndBadSourcesGiveNothing) {
  const std::string path = WritePng("decode_file.png", 2, 1, 3, {1, 2, 3, 4, 5, 6});
  const DecodedImage fromFile = DecodedImage::FromFile(path);
  ASSERT_TRUE(fromFile.IsValid());
  EXPECT_EQ(Pixels(fromFile), (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));

  EXPECT_FALSE(DecodedImage::FromFile(path + ".missing").IsValid());
  EXPECT_FALSE(DecodedImage::FromFile(WriteTextFile("not_an_image.png", "hello, world")).IsValid());
  EXPECT_FALSE(DecodedImage::FromFile("").IsValid());

  Bytes truncated = PngBytes(16, 16, 3, Bytes(16 * 16 * 3, 7));
  truncated.resize(truncated.size() / 2);
  EXPECT_FALSE(Decode(truncated).IsValid());
  EXPECT_FALSE(Decode(Bytes{}).IsValid());
  EXPECT_FALSE(DecodedImage::FromMemory(nullptr, 10).IsValid());
}

TEST(DecodedImage, RefusesImagesLargerThanTheSideLimitBeforeDecoding) {
  // A grey netpbm header is enough to state a size; the pixel data is not needed to refuse it.
  const std::string side = std::to_string(DecodedImage::kMaxImageSide);
  const std::string tooWide = "P5 " + std::to_string(DecodedImage::kMaxImageSide + 1) + " 1 255\n";
  EXPECT_FALSE(Decode(Bytes(tooWide.begin(), tooWide.end())).IsValid());
  const std::string tooTall = "P5 1 " + std::to_string(DecodedImage::kMaxImageSide + 1) + " 255\n";
  EXPECT_FALSE(Decode(Bytes(tooTall.begin(), tooTall.end())).IsValid());

  std::string atLimit = "P5 " + side + " 1 255\n";
  atLimit.append(DecodedImage::kMaxImageSide, '\x40');
  const DecodedImage accepted = Decode(Bytes(atLimit.begin(), atLimit.end()));
  ASSERT_TRUE(accepted.IsValid());
  EXPECT_EQ(accepted.Width(), DecodedImage::kMaxImageSide);
  EXPECT_EQ(accepted.Pixels()[4 * (DecodedImage::kMaxImageSide - 1)], 0x40);
}

TEST(DecodedImage, TheBuiltInImageIsA256By256RgbaPng) {
  ASSERT_GT(kfBuiltInImageDataSize, 8u);
  EXPECT_EQ(std::memcmp(kfBuiltInImageData, "\x89PNG\r\n\x1a\n", 8), 0);
  // IHDR: width, height, bit depth 8, colour type 6 (RGBA).
  const unsigned char* header = kfBuiltInImageData + 16;
  EXPECT_EQ(Bytes(header, header + 10), (Bytes{0, 0, 1, 0, 0, 0, 1, 0, 8, 6}));
  const DecodedImage image = DecodedImage::FromMemory(kfBuiltInImageData, kfBuiltInImageDataSize);
  ASSERT_TRUE(image.IsValid());
  EXPECT_EQ(image.Width(), 256u);
  EXPECT_EQ(image.Height(), 256u);
}

TEST(TextureTable, HandlesCountUpFromZeroAndFailuresUseNoHandleNorUpload) {
  TextureTable table;
  theUploadCount = 0;
  const DecodedImage image = Decode(PngBytes(2, 3, 1, Bytes(6, 1)));
  const DecodedImage failed = Decode(Bytes{1, 2, 3});

  EXPECT_EQ(CreateTexture(table, image, &CountingUpload), 0);
  EXPECT_EQ(CreateTexture(table, failed, &CountingUpload), InvalidTexture);
  EXPECT_EQ(theUploadCount, 1);
  EXPECT_EQ(table.Count(), 1u);
  EXPECT_EQ(CreateTexture(table, image, &CountingUpload), 1);
  EXPECT_EQ(CreateTexture(table, image, &CountingUpload), 2);
  EXPECT_EQ(theUploadCount, 3);

  const TextureRecord& record = table.Get(2);
  EXPECT_EQ(record.glTextureName, 102u);
  EXPECT_EQ(record.width, 2u);
  EXPECT_EQ(record.height, 3u);
}

TEST(TextureTable, HandlesOutsideTheTableGiveAnEmptyRecord) {
  TextureTable table;
  for (std::uint32_t i = 0; i < 100; ++i) table.Add(TextureRecord{i + 1, i, 2 * i});
  EXPECT_EQ(table.Get(57).glTextureName, 58u);
  for (int handle : {InvalidTexture, 100, -7}) {
    const TextureRecord& none = table.Get(handle);
    EXPECT_EQ(none.glTextureName, 0u);
    EXPECT_EQ(none.width, 0u);
    EXPECT_EQ(none.height, 0u);
  }
}

Bytes Jpeg() {
  Bytes pixels;
  for (int i = 0; i < 8 * 8 * 3; ++i) pixels.push_back(static_cast<unsigned char>(i * 13));
  Bytes bytes;
  stbi_write_jpg_to_func(
      [](void* context, void* data, int size) {
        auto* out = static_cast<Bytes*>(context);
        out->insert(out->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
      },
      &bytes, 8, 8, 3, pixels.data(), 90);
  return bytes;
}

TEST(DecodedImage, RefusesAJpegWhoseHuffmanTableHasMoreThan256Codes) {
  Bytes jpeg = Jpeg();
  ASSERT_TRUE(Decode(jpeg).IsValid());

  // A segment that merely contains the DHT marker's bytes does not count.
  Bytes withComment = jpeg;
  const Bytes comment = {0xFF, 0xFE, 0x00, 0x17, 0xFF, 0xC4, 0x00, 0x20, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                         0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  withComment.insert(withComment.begin() + 2, comment.begin(), comment.end());
  EXPECT_TRUE(Decode(withComment).IsValid());

  // The first table of the first DHT segment: 16 counts of 17 make 272 codes.
  const Bytes dhtMarker = {0xFF, 0xC4};
  const auto dht = std::search(jpeg.begin(), jpeg.end(), dhtMarker.begin(), dhtMarker.end());
  ASSERT_NE(dht, jpeg.end());
  std::fill(dht + 5, dht + 21, 17);
  EXPECT_FALSE(Decode(jpeg).IsValid());
  std::fill(dht + 5, dht + 21, 16);  // 256 codes: stb_image may decline the table, but safely
  Decode(jpeg);
}

TEST(DecodedImage, RefusesAJpegScanThatUsesAnUndefinedHuffmanTable) {
  Bytes jpeg = Jpeg();
  const Bytes sosMarker = {0xFF, 0xDA};
  const auto sos = std::search(jpeg.begin(), jpeg.end(), sosMarker.begin(), sosMarker.end());
  ASSERT_NE(sos, jpeg.end());
  // The first component's table selectors (DC high nibble, AC low): tables 2 were never defined.
  ASSERT_EQ(sos[6], 0x00);
  sos[6] = 0x22;
  EXPECT_FALSE(Decode(jpeg).IsValid());
  sos[6] = 0x02;
  EXPECT_FALSE(Decode(jpeg).IsValid());
  sos[6] = 0x00;
  EXPECT_TRUE(Decode(jpeg).IsValid());

  // A progressive JPEG defines its AC tables only before the scans that use them.
  std::ifstream file(std::string(KF_SOURCE_DIR) + "/fuzz/corpus/image_fuzzer/progressive_16x16.jpg",
                     std::ios::binary);
  const Bytes progressive((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GT(progressive.size(), 100u);
  const DecodedImage decoded = Decode(progressive);
  ASSERT_TRUE(decoded.IsValid());
  EXPECT_EQ(decoded.Width(), 16u);
}

TEST(DecodedImage, RefusesNetpbmHeadersWithHugeNumbersOr16BitsAndDecodes8BitOnes) {
  const std::string eightBit = std::string("P6 2 1 255\n") + "\x01\x02\x03\x04\x05\x06";
  const DecodedImage decoded = Decode(Bytes(eightBit.begin(), eightBit.end()));
  ASSERT_TRUE(decoded.IsValid());
  EXPECT_EQ(Pixels(decoded), (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));

  const std::string sixteenBit = std::string("P6 2 1 65535\n") + std::string(12, '\x7f');
  EXPECT_FALSE(Decode(Bytes(sixteenBit.begin(), sixteenBit.end())).IsValid());
  const std::string greySixteenBit = std::string("P5 2 2 256\n") + std::string(8, '\x7f');
  EXPECT_FALSE(Decode(Bytes(greySixteenBit.begin(), greySixteenBit.end())).IsValid());

  // Numbers that do not fit an int, after a comment line.
  for (const std::string header : {"P5\n# comment\n2147483648 1 255\n", "P5 1 99999999999 255\n",
                                   "P6 1 1 4294967551\n"}) {
    const std::string image = header + std::string(8, '\x7f');
    EXPECT_FALSE(Decode(Bytes(image.begin(), image.end())).IsValid()) << header;
  }
  const std::string commented = std::string("P5\n# a comment\n2 1\n255\n") + "\x10\x20";
  EXPECT_TRUE(Decode(Bytes(commented.begin(), commented.end())).IsValid());
}

TEST(DecodedImage, RefusesAPngChunkLongerThanTheFile) {
  Bytes png = PngBytes(2, 2, 4, Bytes(16, 200));
  ASSERT_TRUE(Decode(png).IsValid());
  // The first chunk after IHDR (13 data bytes) is IDAT; claim 2 GiB for it.
  const std::size_t idat = 8 + 8 + 13 + 4;
  ASSERT_EQ(std::string(png.begin() + idat + 4, png.begin() + idat + 8), "IDAT");
  png[idat] = 0x7F;
  EXPECT_FALSE(Decode(png).IsValid());

  // Anything after IEND is not read, so it may be cut short.
  Bytes trailing = PngBytes(2, 2, 4, Bytes(16, 200));
  trailing.insert(trailing.end(), {0x00, 0x00, 0x10});
  EXPECT_TRUE(Decode(trailing).IsValid());
}

}  // namespace
