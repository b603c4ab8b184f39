// Online play for a game with a deterministic fixed step: one match between two machines over
// UDP, with rollback. The host listens (default port 24680) and plays player 0; the joiner plays
// player 1. The game's scene calls RunFrame from its RunFixedSteps with the steps the game loop
// offers; the match decides how many run and with which inputs (the session of the framework:
// prediction, rollback within the frame, time kept in step, checksums of confirmed states).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "kelpforge/online/kf_network_statistics.h"
#include "kelpforge/online/kf_rollback_game.h"

namespace Kelpforge::Online {

enum class MatchStatus {
  WaitingForPlayer,  // hosting, nobody has joined yet
  Connecting,        // joining, the host has not answered yet
  Playing,
  Interrupted,       // playing, but nothing came from the other side for 750 ms
  OtherPlayerLeft,   // goodbye, or 5 s of silence
  OutOfStep,         // the checksums differed: reported once, the match is over
  NoConnection,      // nobody came within 60 s, the host is unreachable or its match is full
};

struct MatchSettings {
  // Both sides must give the same name; a peer of another game is not let in.
  std::string gameName;
  // Steps between reading the local input and the step it drives, 0 to 10.
  int inputDelay = 0;
  // The range of every input; a datagram with an input outside it is dropped.
  PlayerInput lowestInput = -1;
  PlayerInput highestInput = 1;
};

class OnlineMatch {
public:
  struct Parts;

  // Listens on `port`; null with `failure` set when no socket opens there.
  static std::unique_ptr<OnlineMatch> Host(RollbackGame& game, std::uint16_t port, const MatchSettings& settings,
                                           std::string& failure);
  // Joins the host `host` (a name, an IPv4 or an IPv6 address) at `port`; null with `failure`
  // set when the host's name does not resolve or no socket opens.
  static std::unique_ptr<OnlineMatch> Join(RollbackGame& game, const std::string& host, std::uint16_t port,
                                           const MatchSettings& settings, std::string& failure);
  explicit OnlineMatch(std::unique_ptr<Parts> parts);
  // Says goodbye when the match is still on.
  ~OnlineMatch();
  OnlineMatch(const OnlineMatch&) = delete;
  OnlineMatch& operator=(const OnlineMatch&) = delete;

  // Takes what has arrived, runs what the frame allows of `offered` steps and sends what is due;
  // returns the new steps run. Before the match starts and after it ends no step runs here.
  int RunFrame(int offered);
  MatchStatus Status() const;
  bool IsOver() const;
  // Why there is no connection, as one line for the player ("nobody joined within 60 s").
  std::string NoConnectionText() const;
  // 0 for the host, 1 for the joiner.
  int LocalPlayer() const;
  // The step the match is at (the next to run).
  std::int32_t CurrentStep() const;
  // Every step before this one ran with both players' real inputs and will never run again.
  std::int32_t ConfirmedUpTo() const;
  const NetworkStatistics& Statistics() const;
  const NetworkHistory& History() const;
  // Says goodbye and ends the match.
  void Leave();

private:
  std::unique_ptr<Parts> parts;
};

}  // namespace Kelpforge::Online
