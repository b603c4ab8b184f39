// Output shared by the asset generators: the one output directory their command line names,
// little-endian fields, and whole files written with every error seen, the final flush included.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace KelpforgeTools {

// The directory of `tool <output directory>`; empty, after printing the usage, for any other
// command line.
inline std::string OutputDirectory(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == 0) {
    std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
    return {};
  }
  return argv[1];
}

inline void PutLittleEndian(std::vector<unsigned char>& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

inline bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace KelpforgeTools
