// The command line: each option in both spellings, and every way to get it wrong.
#include "rally_court/options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

using RallyCourt::ComputerSide;
using RallyCourt::Difficulty;

RallyCourt::CommandLine Parse(std::initializer_list<const char*> arguments) {
  std::vector<const char*> argv{"rally_court"};
  argv.insert(argv.end(), arguments);
  return RallyCourt::ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(OptionsTest, NoArgumentsGiveTheTwoPlayerGame) {
  const auto parsed = Parse({});
  EXPECT_EQ(parsed.error, "");
  EXPECT_FALSE(parsed.options.help || parsed.options.fullscreen || parsed.options.mute);
  EXPECT_EQ(parsed.options.computer, ComputerSide::None);
  EXPECT_EQ(parsed.options.difficulty, Difficulty::Normal);
}

TEST(OptionsTest, ValuesFollowAsTheNextArgumentOrAfterAnEqualsSign) {
  const auto parsed = Parse({"--fullscreen", "--computer", "both", "--difficulty=hard", "--mute"});
  EXPECT_EQ(parsed.error, "");
  EXPECT_TRUE(parsed.options.fullscreen);
  EXPECT_TRUE(parsed.options.mute);
  EXPECT_EQ(parsed.options.computer, ComputerSide::Both);
  EXPECT_EQ(parsed.options.difficulty, Difficulty::Hard);
  EXPECT_EQ(Parse({"--computer=left"}).options.computer, ComputerSide::Left);
  EXPECT_TRUE(Parse({"-h"}).options.help);
}

TEST(OptionsTest, AnythingNotUnderstoodIsOneLineOfError) {
  EXPECT_EQ(Parse({"--fulscreen"}).error, "unknown option '--fulscreen'");
  EXPECT_EQ(Parse({"extra"}).error, "unknown option 'extra'");
  EXPECT_EQ(Parse({"--computer"}).error, "option '--computer' needs a value");
  EXPECT_EQ(Parse({"--computer", "middle"}).error, "unknown side 'middle' for --computer (left, right or both)");
  EXPECT_EQ(Parse({"--difficulty=impossible"}).error, "unknown difficulty 'impossible' (easy, normal or hard)");
  EXPECT_EQ(Parse({"--mute=yes"}).error, "option '--mute' takes no value");
  // The value of an option is never read as an option of its own.
  EXPECT_EQ(Parse({"--computer", "--help"}).error, "unknown side '--help' for --computer (left, right or both)");
}

TEST(OptionsTest, OnlineOptionsTakeTheirPortsAddressesAndOnlyTheComputerOfTheOwnSide) {
  EXPECT_EQ(Parse({"--host"}).options.hostPort, 24680);
  EXPECT_EQ(Parse({"--host", "3000", "--mute"}).options.hostPort, 3000);
  EXPECT_EQ(Parse({"--host=3001"}).options.hostPort, 3001);
  EXPECT_TRUE(Parse({"--host", "--mute"}).options.mute);
  const auto joined = Parse({"--join", "[::1]:3002", "--input-delay", "4", "--computer", "right"});
  EXPECT_EQ(joined.error, "");
  EXPECT_EQ(joined.options.joinHost, "::1");
  EXPECT_EQ(joined.options.joinPort, 3002);
  EXPECT_EQ(joined.options.inputDelay, 4);
  EXPECT_EQ(Parse({"--join=127.0.0.1"}).options.joinPort, 24680);
  EXPECT_EQ(Parse({"--join", "localhost:9"}).options.joinHost, "localhost");
  EXPECT_EQ(Parse({"--join", "::1"}).options.joinHost, "::1");
  EXPECT_TRUE(Parse({"--sync-test"}).options.syncTest);

  EXPECT_EQ(Parse({"--host", "--computer", "right"}).error,
            "with --host the computer can play only the left paddle (--computer left)");
  EXPECT_EQ(Parse({"--join", "127.0.0.1", "--computer=both"}).error,
            "with --join the computer can play only the right paddle (--computer right)");
  EXPECT_EQ(Parse({"--host", "--join", "127.0.0.1"}).error, "--host and --join cannot be used together");
  EXPECT_EQ(Parse({"--sync-test", "--host"}).error, "--sync-test plays locally; it cannot be used with --host or --join");
  EXPECT_EQ(Parse({"--input-delay", "2"}).error, "--input-delay needs --host or --join");
  EXPECT_EQ(Parse({"--host", "--input-delay", "11"}).error, "bad step count '11' for --input-delay (0 to 10)");
  EXPECT_EQ(Parse({"--host=70000"}).error, "bad port '70000' for --host (1 to 65535)");
  EXPECT_EQ(Parse({"--join", "[::1"}).error, "bad address '[::1' for --join (HOST, HOST:PORT or [IPV6]:PORT)");
  EXPECT_EQ(Parse({"--join", "host:0"}).error, "bad address 'host:0' for --join (HOST, HOST:PORT or [IPV6]:PORT)");
}

}  // namespace
