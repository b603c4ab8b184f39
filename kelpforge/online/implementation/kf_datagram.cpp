#include "kelpforge/online/implementation/kf_datagram.h"

#include <algorithm>

namespace Kelpforge::Online::kfImplementation {

namespace {

constexpr std::byte kMagic0{'K'};
constexpr std::byte kMagic1{'R'};

class Writer {
public:
  explicit Writer(std::span<std::byte, kMaximumDatagramSize> out) : out(out) {}
  void U8(std::uint8_t value) {
    if (size < out.size()) out[size++] = static_cast<std::byte>(value);
  }
  void U16(std::uint16_t value) {
    U8(static_cast<std::uint8_t>(value));
    U8(static_cast<std::uint8_t>(value >> 8));
  }
  void U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value));
    U16(static_cast<std::uint16_t>(value >> 16));
  }
  std::size_t size = 0;

private:
  std::span<std::byte, kMaximumDatagramSize> out;
};

class Reader {
public:
  explicit Reader(std::span<const std::byte> bytes) : bytes(bytes) {}
  // A read past the end yields 0 and marks the reader short; the caller checks once at the end.
  std::uint8_t U8() {
    if (position >= bytes.size()) {
      isShort = true;
      return 0;
    }
    return static_cast<std::uint8_t>(bytes[position++]);
  }
  std::uint16_t U16() {
    const std::uint16_t low = U8();
    return static_cast<std::uint16_t>(low | U8() << 8);
  }
  std::uint32_t U32() {
    const std::uint32_t low = U16();
    return low | static_cast<std::uint32_t>(U16()) << 16;
  }
  bool isShort = false;
  std::size_t position = 0;
  std::span<const std::byte> bytes;
};

bool IsNameCharacter(std::uint8_t c) { return c >= 0x20 && c <= 0x7E; }

}  // namespace

void Datagram::SetGameName(std::string_view name) {
  gameNameLength = static_cast<std::uint8_t>(std::min(name.size(), kMaximumGameNameLength));
  std::copy_n(name.begin(), gameNameLength, gameName.begin());
}

std::size_t Datagram::InputCount() const {
  std::size_t count = 0;
  for (std::size_t i = 0; i < runCount; ++i) {
    count += runs[i].length;
  }
  return count;
}

std::size_t EncodeDatagram(const Datagram& datagram, std::span<std::byte, kMaximumDatagramSize> out) {
  Writer writer(out);
  writer.U8('K');
  writer.U8('R');
  writer.U8(kProtocolVersion);
  writer.U8(static_cast<std::uint8_t>(datagram.kind));
  writer.U32(datagram.senderNonce);
  const auto name = [&] {
    writer.U8(datagram.gameNameLength);
    for (std::size_t i = 0; i < datagram.gameNameLength; ++i) {
      writer.U8(static_cast<std::uint8_t>(datagram.gameName[i]));
    }
  };
  switch (datagram.kind) {
    case DatagramKind::Hello:
      name();
      break;
    case DatagramKind::Welcome:
      writer.U32(datagram.joinerNonce);
      name();
      break;
    case DatagramKind::Full:
      writer.U32(datagram.joinerNonce);
      break;
    case DatagramKind::Input:
      writer.U32(datagram.acknowledgedUpTo);
      writer.U32(datagram.senderStep);
      writer.U32(datagram.firstStep);
      writer.U8(datagram.runCount);
      for (std::size_t i = 0; i < datagram.runCount; ++i) {
        writer.U8(static_cast<std::uint8_t>(datagram.runs[i].value));
        writer.U8(datagram.runs[i].length);
      }
      break;
    case DatagramKind::QualityReport:
      writer.U32(datagram.clockMilliseconds);
      writer.U16(static_cast<std::uint16_t>(datagram.advantageTenths));
      break;
    case DatagramKind::QualityReply:
      writer.U32(datagram.clockMilliseconds);
      break;
    case DatagramKind::Checksum:
      writer.U32(datagram.firstStep);
      writer.U32(datagram.checksum);
      break;
    case DatagramKind::KeepAlive:
    case DatagramKind::Goodbye:
      break;
  }
  return writer.size;
}

DecodeFailure DecodeDatagram(std::span<const std::byte> bytes, PlayerInput lowestInput, PlayerInput highestInput,
                             Datagram& datagram) {
  if (bytes.size() > kMaximumDatagramSize) {
    return DecodeFailure::Oversized;
  }
  if (bytes.size() < kHeaderSize) {
    return bytes.size() >= 2 && (bytes[0] != kMagic0 || bytes[1] != kMagic1) ? DecodeFailure::NotOurs
                                                                                : DecodeFailure::Truncated;
  }
  Reader reader(bytes);
  if (reader.U8() != 'K' || reader.U8() != 'R') {
    return DecodeFailure::NotOurs;
  }
  if (reader.U8() != kProtocolVersion) {
    return DecodeFailure::OtherVersion;
  }
  const std::uint8_t kind = reader.U8();
  if (kind < static_cast<std::uint8_t>(DatagramKind::Hello) || kind > static_cast<std::uint8_t>(DatagramKind::Goodbye)) {
    return DecodeFailure::UnknownKind;
  }
  datagram = Datagram{};
  datagram.kind = static_cast<DatagramKind>(kind);
  datagram.senderNonce = reader.U32();

  bool fieldsGood = true;
  const auto name = [&] {
    const std::uint8_t length = reader.U8();
    fieldsGood = fieldsGood && length >= 1 && length <= kMaximumGameNameLength;
    for (std::uint8_t i = 0; i < length && !reader.isShort; ++i) {
      const std::uint8_t c = reader.U8();
      fieldsGood = fieldsGood && IsNameCharacter(c);
      if (i < kMaximumGameNameLength) datagram.gameName[i] = static_cast<char>(c);
    }
    datagram.gameNameLength = std::min<std::uint8_t>(length, kMaximumGameNameLength);
  };
  switch (datagram.kind) {
    case DatagramKind::Hello:
      name();
      break;
    case DatagramKind::Welcome:
      datagram.joinerNonce = reader.U32();
      name();
      break;
    case DatagramKind::Full:
      datagram.joinerNonce = reader.U32();
      break;
    case DatagramKind::Input: {
      datagram.acknowledgedUpTo = reader.U32();
      datagram.senderStep = reader.U32();
      datagram.firstStep = reader.U32();
      const std::uint8_t runs = reader.U8();
      fieldsGood = fieldsGood && runs <= kMaximumInputRuns;
      std::size_t inputs = 0;
      for (std::uint8_t i = 0; i < runs && i < kMaximumInputRuns && !reader.isShort; ++i) {
        const auto value = static_cast<PlayerInput>(reader.U8());
        const std::uint8_t length = reader.U8();
        fieldsGood = fieldsGood && value >= lowestInput && value <= highestInput && length >= 1;
        datagram.runs[i] = {value, length};
        inputs += length;
      }
      datagram.runCount = std::min<std::uint8_t>(runs, kMaximumInputRuns);
      fieldsGood = fieldsGood && inputs <= kMaximumInputsPerDatagram && datagram.acknowledgedUpTo <= kMaximumStep &&
                   datagram.senderStep <= kMaximumStep && datagram.firstStep <= kMaximumStep - inputs;
      break;
    }
    case DatagramKind::QualityReport:
      datagram.clockMilliseconds = reader.U32();
      datagram.advantageTenths = static_cast<std::int16_t>(reader.U16());
      break;
    case DatagramKind::QualityReply:
      datagram.clockMilliseconds = reader.U32();
      break;
    case DatagramKind::Checksum:
      datagram.firstStep = reader.U32();
      datagram.checksum = reader.U32();
      fieldsGood = fieldsGood && datagram.firstStep <= kMaximumStep && datagram.firstStep % kChecksumInterval == 0;
      break;
    case DatagramKind::KeepAlive:
    case DatagramKind::Goodbye:
      break;
  }
  if (reader.isShort) {
    return DecodeFailure::Truncated;
  }
  if (!fieldsGood) {
    return DecodeFailure::BadField;
  }
  if (reader.position != bytes.size()) {
    return DecodeFailure::TrailingBytes;
  }
  return DecodeFailure::None;
}

}  // namespace Kelpforge::Online::kfImplementation
