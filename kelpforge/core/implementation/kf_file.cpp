// ReadRegularFile on POSIX and on Windows (the C runtime's descriptor calls, which MinGW
// provides). The type and size come from the open descriptor, so the file that is checked is the
// file that is read.
#include "kelpforge/core/implementation/kf_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <new>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace Kelpforge::Core {

namespace {

#ifdef _WIN32
using FileStatus = struct _stat64;
// Binary, so no line-end translation and no end at a Ctrl-Z byte.
int OpenForReading(const char* path) { return _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT); }
int StatusOf(int descriptor, FileStatus& status) { return _fstat64(descriptor, &status); }
long ReadSome(int descriptor, unsigned char* into, std::size_t count) {
  constexpr std::size_t kMaxRead = std::size_t{1} << 30;  // _read takes an unsigned int
  return _read(descriptor, into, static_cast<unsigned>(count < kMaxRead ? count : kMaxRead));
}
void CloseDescriptor(int descriptor) { _close(descriptor); }
#else
using FileStatus = struct stat;
// Opening a FIFO for reading waits for a writer unless O_NONBLOCK is given; for a regular file
// the flag changes nothing.
int OpenForReading(const char* path) { return open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC); }
int StatusOf(int descriptor, FileStatus& status) { return fstat(descriptor, &status); }
long ReadSome(int descriptor, unsigned char* into, std::size_t count) {
  return static_cast<long>(read(descriptor, into, count));
}
void CloseDescriptor(int descriptor) { close(descriptor); }
#endif

class Descriptor {
public:
  explicit Descriptor(int descriptor) : descriptor(descriptor) {}
  ~Descriptor() {
    if (descriptor >= 0) CloseDescriptor(descriptor);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return descriptor; }

private:
  int descriptor;
};

}  // namespace

FileContents ReadRegularFile(const std::string& path, std::uint64_t maxBytes) {
  const Descriptor file(OpenForReading(path.c_str()));
  if (file.Get() < 0) return {};
  FileStatus status{};
  if (StatusOf(file.Get(), status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0 ||
      static_cast<std::uint64_t>(status.st_size) > maxBytes) {
    return {};
  }

  FileContents contents;
  contents.size = static_cast<std::size_t>(status.st_size);
  if (contents.size > 0) {
    contents.bytes.reset(new (std::nothrow) unsigned char[contents.size]);
    if (!contents.bytes) return {};
  }
  // A file that shrinks while it is read gives what it still holds; one that grows is read only
  // up to the size that was checked.
  std::size_t filled = 0;
  while (filled < contents.size) {
    const long count = ReadSome(file.Get(), contents.bytes.get() + filled, contents.size - filled);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return {};
    if (count == 0) break;
    filled += static_cast<std::size_t>(count);
  }
  contents.size = filled;
  contents.isRead = true;
  return contents;
}

}  // namespace Kelpforge::Core
