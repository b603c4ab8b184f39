// Reading data files whole, safely: only a regular file is read (a FIFO would block start-up and a
// device such as /dev/zero never ends), and its size is checked against a cap before any byte is
// read. The caps on every kind of data file the framework loads are stated here, far above any
// real asset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Kelpforge::Core {

inline constexpr std::uint64_t kMaxImageFileBytes = std::uint64_t{256} << 20;
inline constexpr std::uint64_t kMaxFontFileBytes = std::uint64_t{64} << 20;
inline constexpr std::uint64_t kMaxSpriteSheetFileBytes = std::uint64_t{16} << 20;
// Sound files are decoded whole; the cap bounds what a load reads before any length check.
inline constexpr std::uint64_t kMaxSoundFileBytes = std::uint64_t{256} << 20;
// The longest token (image path, sprite name or number) a sprite sheet description may hold.
inline constexpr std::size_t kMaxSpriteSheetTokenBytes = 4096;

struct FileContents {
  bool isRead = false;  // false: not a regular file, larger than the cap, or not readable
  std::unique_ptr<unsigned char[]> bytes;  // `size` bytes (null when the file is empty)
  std::size_t size = 0;
};

// The whole of the regular file at `path` (used as given, so relative to the working directory)
// when it holds at most `maxBytes` bytes. Anything else is refused without blocking and without
// reading: a directory, a FIFO, a device, a missing or unreadable file, or a larger file.
FileContents ReadRegularFile(const std::string& path, std::uint64_t maxBytes);

}  // namespace Kelpforge::Core
