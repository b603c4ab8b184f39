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

}  // namespace
