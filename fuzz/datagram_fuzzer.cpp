// Fuzzes the online protocol's datagram decoder with arbitrary bytes. Besides the sanitizers it
// checks that a datagram the decoder accepts encodes back to exactly the bytes it came from (every
// byte was read into a checked field), and that it is never longer than the size cap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "kelpforge/online/implementation/kf_datagram.h"

using namespace Kelpforge::Online::kfImplementation;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  Datagram datagram;
  if (DecodeDatagram(bytes, -1, 1, datagram) != DecodeFailure::None) {
    return 0;
  }
  if (size > kMaximumDatagramSize || datagram.runCount > kMaximumInputRuns ||
      datagram.InputCount() > kMaximumInputsPerDatagram) {
    std::abort();
  }
  std::array<std::byte, kMaximumDatagramSize> again{};
  const std::size_t length = EncodeDatagram(datagram, again);
  if (length != size || std::memcmp(again.data(), data, size) != 0) {
    std::abort();
  }
  return 0;
}
