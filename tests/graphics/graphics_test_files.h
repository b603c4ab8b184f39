// Helpers for the graphics tests: image and text files written to a per-process scratch folder,
// paths of no regular file, and the exact report block that a check in a graphics unit prints.
#pragma once

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#ifdef _WIN32
#include <process.h>
#define KF_TEST_PROCESS_ID _getpid()
#else
#include <sys/stat.h>
#include <unistd.h>
#define KF_TEST_PROCESS_ID getpid()
#endif

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/report_capture.h"

namespace KelpforgeTests::Graphics {

inline const std::filesystem::path& ScratchFolder() {
  // Removed with everything in it when the test program ends.
  struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("kelpforge_graphics_tests_" + std::to_string(KF_TEST_PROCESS_ID));
    Folder() { std::filesystem::create_directories(path); }
    ~Folder() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  };
  static const Folder folder;
  return folder.path;
}

inline std::string WriteTextFile(const std::string& name, const std::string& contents) {
  const std::filesystem::path path = ScratchFolder() / name;
  std::ofstream(path, std::ios::binary) << contents;
  return path.string();
}

// `contents` padded with zero bytes to `size` (a sparse file).
inline std::string PaddedFile(const std::string& name, const std::string& contents, std::uintmax_t size) {
  const std::string path = WriteTextFile(name, contents);
  std::filesystem::resize_file(path, size);
  return path;
}

// Paths of no regular file: a folder, an endless device and, on POSIX, a FIFO without a writer.
inline std::vector<std::string> NonRegularPaths([[maybe_unused]] const std::string& fifoName) {
#ifdef _WIN32
  return {ScratchFolder().string(), "NUL"};
#else
  const std::string fifo = (ScratchFolder() / fifoName).string();
  if (mkfifo(fifo.c_str(), 0600) != 0) throw std::runtime_error("cannot make " + fifo);
  return {ScratchFolder().string(), "/dev/zero", fifo};
#endif
}

// `pixels` holds width x height pixels of `channels` bytes (1 grey, 2 grey+alpha, 3 RGB, 4 RGBA).
inline std::string WritePng(const std::string& name, int width, int height, int channels,
                            const std::vector<unsigned char>& pixels) {
  const std::filesystem::path path = ScratchFolder() / name;
  if (!stbi_write_png(path.string().c_str(), width, height, channels, pixels.data(), width * channels)) {
    throw std::runtime_error("cannot write " + path.string());
  }
  return path.string();
}

inline std::vector<unsigned char> PngBytes(int width, int height, int channels,
                                           const std::vector<unsigned char>& pixels) {
  std::vector<unsigned char> bytes;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<unsigned char>*>(context);
        out->insert(out->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
      },
      &bytes, width, height, channels, pixels.data(), width * channels);
  return bytes;
}

// The line of the one check in `sourceUnit` (a path from the repository root) whose line holds
// `messageSnippet`; the checks of the graphics units are written on a single line each, so this
// is the line the report names with any compiler.
inline int ReportLine(const std::string& sourceUnit, const std::string& messageSnippet) {
  std::ifstream source(std::string(KF_SOURCE_DIR) + "/" + sourceUnit);
  std::string text;
  int number = 0;
  int found = 0;
  while (std::getline(source, text)) {
    ++number;
    if (text.find("KF_REPORT_ERROR_IF") != std::string::npos &&
        text.find(messageSnippet) != std::string::npos) {
      if (found != 0) throw std::runtime_error("two checks match " + messageSnippet);
      found = number;
    }
  }
  if (found == 0) throw std::runtime_error("no check matches " + messageSnippet);
  return found;
}

// The block printed for `message` by the check of `sourceUnit` matching `messageSnippet`.
inline std::string ExpectedReport(const std::string& sourceUnit, const std::string& messageSnippet,
                                  const std::string& message) {
  return ReportBlock(sourceUnit, ReportLine(sourceUnit, messageSnippet), message);
}

}  // namespace KelpforgeTests::Graphics
