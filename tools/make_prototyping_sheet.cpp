// Writes the prototyping sprite sheet: a 256 x 256 RGBA PNG holding a white 64 x 64 square at
// (0, 0) and a white anti-aliased circle of diameter 64 at (128, 0), plus its description file.
// Usage: make_prototyping_sheet <output.png> <output.txt> <image path named in the description>.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSize = 256;
constexpr int kFrame = 64;
constexpr int kCircleX = 128;
constexpr int kSubsamples = 16;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <output.png> <output.txt> <image path in description>\n", argv[0]);
    return 2;
  }
  // Every texel is white; only alpha varies, so linear filtering never darkens an edge.
  std::vector<unsigned char> rgba(kSize * kSize * 4, 255);
  for (int i = 0; i < kSize * kSize; ++i) rgba[i * 4 + 3] = 0;
  auto setAlpha = [&](int x, int y, unsigned char alpha) {
    rgba[((y % kSize) * kSize + (x % kSize)) * 4 + 3] = alpha;
  };

  // The square, extended by one opaque texel on every side (the left and top ones wrap to the far
  // edges): textures repeat and filter linearly, so a magnified square would otherwise fade at
  // its border.
  for (int y = -1; y <= kFrame; ++y) {
    for (int x = -1; x <= kFrame; ++x) setAlpha(x + kSize, y + kSize, 255);
  }

  // The circle: alpha is the covered fraction of each texel, from 16 x 16 samples.
  const float radius = kFrame * 0.5f;
  for (int y = 0; y < kFrame; ++y) {
    for (int x = 0; x < kFrame; ++x) {
      int covered = 0;
      for (int sy = 0; sy < kSubsamples; ++sy) {
        for (int sx = 0; sx < kSubsamples; ++sx) {
          const float dx = x + (sx + 0.5f) / kSubsamples - radius;
          const float dy = y + (sy + 0.5f) / kSubsamples - radius;
          if (dx * dx + dy * dy <= radius * radius) ++covered;
        }
      }
      setAlpha(kCircleX + x, y,
               static_cast<unsigned char>(std::lround(covered * 255.0 / (kSubsamples * kSubsamples))));
    }
  }

  if (!stbi_write_png(argv[1], kSize, kSize, 4, rgba.data(), kSize * 4)) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  std::FILE* description = std::fopen(argv[2], "w");
  if (description == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  std::fprintf(description, "%s\n", argv[3]);
  std::fprintf(description, "solid_square 0 0 %d %d\n", kFrame, kFrame);
  std::fprintf(description, "solid_circle %d 0 %d %d\n", kCircleX, kFrame, kFrame);
  std::fclose(description);
  return 0;
}
