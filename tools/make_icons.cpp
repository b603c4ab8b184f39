// Writes the game's icons from the framework's picture: one PNG per size the desktop's icon theme
// asks for (icon_<size>.png) and rally_court.ico, which holds every size for the Windows
// executable. Usage: make_icons <output directory>. The outputs are the same bytes on every run.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/byte_file.h"
#include "tools/kelpforge_logo.h"

namespace {

using KelpforgeTools::PutLittleEndian;

constexpr std::array<int, 6> kIconSizes = {16, 32, 48, 64, 128, 256};

std::vector<unsigned char> EncodePng(int size) {
  const std::vector<unsigned char> rgba = KelpforgeTools::DrawKelpforgeLogo(size);
  int length = 0;
  unsigned char* png = stbi_write_png_to_mem(rgba.data(), size * 4, size, size, 4, &length);
  std::vector<unsigned char> bytes;
  if (png != nullptr) {
    bytes.assign(png, png + length);
    STBIW_FREE(png);
  }
  return bytes;
}

// An icon directory (reserved 0, type 1 = icon, count) and one 16-byte entry per image, followed
// by the images. Each image is stored as PNG, which Windows reads at every size since Vista; a
// width or height of 256 is written as 0.
std::vector<unsigned char> IcoFile(const std::vector<std::vector<unsigned char>>& pngs) {
  std::vector<unsigned char> ico;
  PutLittleEndian(ico, 0, 2);
  PutLittleEndian(ico, 1, 2);
  PutLittleEndian(ico, static_cast<std::uint32_t>(pngs.size()), 2);
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(pngs.size());
  for (std::size_t i = 0; i < pngs.size(); ++i) {
    const std::uint32_t side = kIconSizes[i] >= 256 ? 0 : static_cast<std::uint32_t>(kIconSizes[i]);
    PutLittleEndian(ico, side, 1);  // width
    PutLittleEndian(ico, side, 1);  // height
    PutLittleEndian(ico, 0, 1);     // no palette
    PutLittleEndian(ico, 0, 1);     // reserved
    PutLittleEndian(ico, 1, 2);     // colour planes
    PutLittleEndian(ico, 32, 2);    // bits per pixel
    PutLittleEndian(ico, static_cast<std::uint32_t>(pngs[i].size()), 4);
    PutLittleEndian(ico, offset, 4);
    offset += static_cast<std::uint32_t>(pngs[i].size());
  }
  for (const auto& png : pngs) {
    ico.insert(ico.end(), png.begin(), png.end());
  }
  return ico;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string directory = KelpforgeTools::OutputDirectory(argc, argv);
  if (directory.empty()) return 2;
  std::vector<std::vector<unsigned char>> pngs;
  for (const int size : kIconSizes) {
    pngs.push_back(EncodePng(size));
    const std::string path = directory + "/icon_" + std::to_string(size) + ".png";
    if (pngs.back().empty() || !KelpforgeTools::WriteBytes(path, pngs.back())) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  const std::string icoPath = directory + "/rally_court.ico";
  if (!KelpforgeTools::WriteBytes(icoPath, IcoFile(pngs))) {
    std::fprintf(stderr, "cannot write %s\n", icoPath.c_str());
    return 1;
  }
  return 0;
}
