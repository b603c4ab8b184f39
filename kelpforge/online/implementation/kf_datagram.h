// The online protocol's datagrams: a fixed little-endian layout for each kind, behind an 8-byte
// header (magic "KR", protocol version, kind, the sender's nonce), at most kMaximumDatagramSize
// bytes. Decoding checks every field and the exact length; whatever fails is refused with the
// reason, so the session can drop and count it without ever trusting it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "kelpforge/online/kf_rollback_game.h"

namespace Kelpforge::Online::kfImplementation {

inline constexpr std::uint8_t kProtocolVersion = 1;
inline constexpr std::size_t kMaximumDatagramSize = 512;
inline constexpr std::size_t kHeaderSize = 8;
inline constexpr std::size_t kMaximumGameNameLength = 32;
// Runs of equal inputs in one input datagram, and inputs in all its runs together.
inline constexpr std::size_t kMaximumInputRuns = 64;
inline constexpr std::size_t kMaximumInputsPerDatagram = 1024;
// Steps never reach this: 2^31 - 1 steps of 0.01 s are eight months.
inline constexpr std::uint32_t kMaximumStep = 0x7FFFFFFFu;

enum class DatagramKind : std::uint8_t {
  Hello = 1,          // joiner -> host: let me join
  Welcome = 2,        // host -> joiner: the match starts
  Full = 3,           // host -> anyone else: a match is running
  Input = 4,          // inputs the receiver has not acknowledged, and the sender's acknowledgement
  KeepAlive = 5,      // nothing else was sent for a while
  QualityReport = 6,  // the sender's clock for a round trip, and how far ahead it thinks it runs
  QualityReply = 7,   // the clock of a report, sent back
  Checksum = 8,       // the checksum of a confirmed state
  Goodbye = 9,        // the sender leaves the match
};

struct InputRun {
  PlayerInput value = 0;
  std::uint8_t length = 0;  // 1 ... 255
};

struct Datagram {
  DatagramKind kind = DatagramKind::KeepAlive;
  std::uint32_t senderNonce = 0;
  // Hello, Welcome.
  std::array<char, kMaximumGameNameLength> gameName{};
  std::uint8_t gameNameLength = 0;
  // Welcome, Full: the joiner's nonce, echoed.
  std::uint32_t joinerNonce = 0;
  // Input: the first step the sender has not received from the receiver (all before it it has).
  std::uint32_t acknowledgedUpTo = 0;
  // Input: the step the sender was about to run when it sent this.
  std::uint32_t senderStep = 0;
  // Input: runs of the sender's inputs, from firstStep on; Checksum: its step.
  std::uint32_t firstStep = 0;
  std::array<InputRun, kMaximumInputRuns> runs{};
  std::uint8_t runCount = 0;
  // QualityReport, QualityReply: the reporter's clock in milliseconds (wrapping).
  std::uint32_t clockMilliseconds = 0;
  // QualityReport: steps the sender runs ahead, in tenths of a step.
  std::int16_t advantageTenths = 0;
  // Checksum.
  std::uint32_t checksum = 0;

  std::string_view GameName() const { return {gameName.data(), gameNameLength}; }
  void SetGameName(std::string_view name);
  // Inputs in all runs together.
  std::size_t InputCount() const;
};

enum class DecodeFailure {
  None,
  Truncated,      // shorter than its kind's layout
  Oversized,      // longer than kMaximumDatagramSize
  NotOurs,        // no "KR" magic
  OtherVersion,   // another protocol version
  UnknownKind,
  BadField,       // a field out of its range
  TrailingBytes,  // longer than its kind's layout
};

inline constexpr int kDecodeFailureCount = 8;

// The bytes of `datagram` in `out`; returns how many (never more than kMaximumDatagramSize).
std::size_t EncodeDatagram(const Datagram& datagram, std::span<std::byte, kMaximumDatagramSize> out);
// Fills `datagram` from `bytes`, or says why it cannot. `lowestInput`/`highestInput` bound every
// input value.
DecodeFailure DecodeDatagram(std::span<const std::byte> bytes, PlayerInput lowestInput, PlayerInput highestInput,
                             Datagram& datagram);

}  // namespace Kelpforge::Online::kfImplementation
