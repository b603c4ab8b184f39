// Rally Court's command line: the options a player may give and the texts that explain them.
// Parsing only reads the arguments; main decides what each option does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace RallyCourt {

enum class ComputerSide { None, Left, Right, Both };
enum class Difficulty { Easy, Normal, Hard };

struct Options {
  bool help = false;
  bool fullscreen = false;
  bool mute = false;
  ComputerSide computer = ComputerSide::None;
  Difficulty difficulty = Difficulty::Normal;
  // Online: host a match on this port (left paddle), or join one (right paddle).
  std::optional<std::uint16_t> hostPort;
  std::optional<std::string> joinHost;
  std::uint16_t joinPort = 24680;
  int inputDelay = 0;
  // Every step run twice and checked (the sync test).
  bool syncTest = false;
};

struct CommandLine {
  Options options;
  // Empty when the arguments were understood; otherwise one line saying what was wrong.
  std::string error;
};

// Reads argv[1..argc-1]. Values follow their option as the next argument or after '='
// ("--computer right", "--computer=right"). The first argument that is not understood ends
// the parse with an error.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// "usage: rally_court [options]" and one line per option.
std::string UsageText();
// What --help prints: the game in a sentence, its keys and the usage.
std::string HelpText();

}  // namespace RallyCourt
