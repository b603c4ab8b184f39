// The datagram codec: every kind goes through encode and decode unchanged, its bytes are the
// fixed little-endian layout, and every way a datagram can be wrong is refused with its reason.
#include "kelpforge/online/implementation/kf_datagram.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace Kelpforge::Online::kfImplementation;

std::vector<std::byte> Encode(const Datagram& datagram) {
  std::array<std::byte, kMaximumDatagramSize> bytes{};
  const std::size_t size = EncodeDatagram(datagram, bytes);
  return {bytes.begin(), bytes.begin() + size};
}

DecodeFailure Decode(const std::vector<std::byte>& bytes, Datagram& out) { return DecodeDatagram(bytes, -1, 1, out); }

std::vector<Datagram> OneOfEachKind() {
  std::vector<Datagram> all;
  for (int kind = 1; kind <= 9; ++kind) {
    Datagram d;
    d.kind = static_cast<DatagramKind>(kind);
    d.senderNonce = 0xA1B2C3D4u;
    d.SetGameName("Rally Court");
    d.joinerNonce = 0x01020304u;
    d.acknowledgedUpTo = 1234;
    d.senderStep = 1240;
    d.firstStep = kind == 8 ? 1200 : 1230;
    d.runCount = 2;
    d.runs[0] = {-1, 3};
    d.runs[1] = {1, 255};
    d.clockMilliseconds = 0xFFFFFFF0u;
    d.advantageTenths = -25;
    d.checksum = 0xDEADBEEFu;
    all.push_back(d);
  }
  return all;
}

TEST(DatagramTest, EveryKindRoundTripsInItsFixedLittleEndianLayout) {
  for (const Datagram& original : OneOfEachKind()) {
    SCOPED_TRACE(static_cast<int>(original.kind));
    const std::vector<std::byte> bytes = Encode(original);
    Datagram decoded;
    ASSERT_EQ(Decode(bytes, decoded), DecodeFailure::None);
    EXPECT_EQ(Encode(decoded), bytes);
    EXPECT_EQ(decoded.senderNonce, 0xA1B2C3D4u);
  }
  const std::vector<std::byte> input = Encode(OneOfEachKind()[3]);
  const std::vector<int> expected = {'K', 'R', 1, 4, 0xD4, 0xC3, 0xB2, 0xA1, 0xD2, 0x04, 0, 0, 0xD8, 0x04, 0, 0,
                                     0xCE, 0x04, 0, 0, 2, 0xFF, 3, 1, 255};
  ASSERT_EQ(input.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(static_cast<int>(input[i]), expected[i]) << i;
  Datagram decoded;
  ASSERT_EQ(Decode(input, decoded), DecodeFailure::None);
  EXPECT_EQ(decoded.InputCount(), 258u);
}

TEST(DatagramTest, TruncatedLongerOversizedForeignAndOtherVersionDatagramsAreRefused) {
  for (const Datagram& original : OneOfEachKind()) {
    const std::vector<std::byte> bytes = Encode(original);
    Datagram decoded;
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      EXPECT_EQ(Decode({bytes.begin(), bytes.begin() + size}, decoded), DecodeFailure::Truncated)
          << static_cast<int>(original.kind) << " cut to " << size;
    }
    std::vector<std::byte> longer = bytes;
    longer.push_back(std::byte{0});
    EXPECT_EQ(Decode(longer, decoded), DecodeFailure::TrailingBytes);
    std::vector<std::byte> other = bytes;
    other[2] = std::byte{2};
    EXPECT_EQ(Decode(other, decoded), DecodeFailure::OtherVersion);
    other = bytes;
    other[1] = std::byte{'X'};
    EXPECT_EQ(Decode(other, decoded), DecodeFailure::NotOurs);
  }
  Datagram decoded;
  std::vector<std::byte> huge = Encode(OneOfEachKind()[8]);
  huge.resize(kMaximumDatagramSize + 1);
  EXPECT_EQ(Decode(huge, decoded), DecodeFailure::Oversized);
  for (const int kind : {0, 10, 255}) {
    std::vector<std::byte> unknown = Encode(OneOfEachKind()[8]);
    unknown[3] = static_cast<std::byte>(kind);
    EXPECT_EQ(Decode(unknown, decoded), DecodeFailure::UnknownKind) << kind;
  }
}

TEST(DatagramTest, FieldsOutOfTheirRangesAreRefused) {
  Datagram decoded;
  const auto refused = [&](Datagram d) { return Decode(Encode(d), decoded); };
  Datagram input = OneOfEachKind()[3];
  input.runs[0].value = 2;  // outside -1 ... 1
  EXPECT_EQ(refused(input), DecodeFailure::BadField);
  input = OneOfEachKind()[3];
  input.runs[1].length = 0;
  EXPECT_EQ(refused(input), DecodeFailure::BadField);
  input = OneOfEachKind()[3];
  input.firstStep = kMaximumStep - 10;  // its runs would pass the last step
  EXPECT_EQ(refused(input), DecodeFailure::BadField);
  input = OneOfEachKind()[3];
  input.runCount = 6;
  for (std::size_t i = 0; i < 6; ++i) input.runs[i] = {0, 255};  // 1530 inputs
  EXPECT_EQ(refused(input), DecodeFailure::BadField);
  Datagram checksum = OneOfEachKind()[7];
  checksum.firstStep = 150;  // not a checksum step
  EXPECT_EQ(refused(checksum), DecodeFailure::BadField);
  Datagram hello = OneOfEachKind()[0];
  hello.gameName[2] = '\n';
  EXPECT_EQ(refused(hello), DecodeFailure::BadField);
  hello.gameNameLength = 0;
  EXPECT_EQ(refused(hello), DecodeFailure::BadField);
  // A run count above the limit is refused before its runs are read.
  std::vector<std::byte> many = Encode(OneOfEachKind()[3]);
  many[20] = std::byte{200};
  EXPECT_NE(Decode(many, decoded), DecodeFailure::None);
}

}  // namespace
