// Writes the framework's own picture, the 256 x 256 RGBA PNG that the default scene shows when no
// game scene is set. Usage: make_builtin_image <output.png>.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdio>

#include "tools/kelpforge_logo.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
    return 2;
  }
  constexpr int kSize = KelpforgeTools::kLogoDrawingSize;
  const std::vector<unsigned char> rgba = KelpforgeTools::DrawKelpforgeLogo(kSize);
  if (!stbi_write_png(argv[1], kSize, kSize, 4, rgba.data(), kSize * 4)) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
