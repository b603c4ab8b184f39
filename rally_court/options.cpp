#include "rally_court/options.h"

#include <optional>
#include <string_view>

namespace RallyCourt {

namespace {

std::optional<ComputerSide> ComputerSideNamed(std::string_view name) {
  if (name == "left") return ComputerSide::Left;
  if (name == "right") return ComputerSide::Right;
  if (name == "both") return ComputerSide::Both;
  return std::nullopt;
}

std::optional<Difficulty> DifficultyNamed(std::string_view name) {
  if (name == "easy") return Difficulty::Easy;
  if (name == "normal") return Difficulty::Normal;
  if (name == "hard") return Difficulty::Hard;
  return std::nullopt;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine result;
  Options& options = result.options;
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    std::string_view name = argument;
    std::optional<std::string_view> value;
    if (const auto equals = argument.find('='); argument.starts_with("--") && equals != std::string_view::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
    }

    const bool takesValue = name == "--computer" || name == "--difficulty";
    if (!takesValue && value) {
      result.error = "option '" + std::string(name) + "' takes no value";
      return result;
    }
    if (takesValue && !value) {
      if (i + 1 >= argc) {
        result.error = "option '" + std::string(name) + "' needs a value";
        return result;
      }
      value = argv[++i];
    }

    if (name == "--help" || name == "-h") {
      options.help = true;
    } else if (name == "--fullscreen") {
      options.fullscreen = true;
    } else if (name == "--mute") {
      options.mute = true;
    } else if (name == "--computer") {
      const auto side = ComputerSideNamed(*value);
      if (!side) {
        result.error = "unknown side '" + std::string(*value) + "' for --computer (left, right or both)";
        return result;
      }
      options.computer = *side;
    } else if (name == "--difficulty") {
      const auto difficulty = DifficultyNamed(*value);
      if (!difficulty) {
        result.error = "unknown difficulty '" + std::string(*value) + "' (easy, normal or hard)";
        return result;
      }
      options.difficulty = *difficulty;
    } else {
      result.error = "unknown option '" + std::string(argument) + "'";
      return result;
    }
  }
  return result;
}

std::string UsageText() {
  return "usage: rally_court [options]\n"
         "  --fullscreen                     start in fullscreen (F11 or Alt+Enter toggles it)\n"
         "  --mute                           start with the sound off (M toggles it)\n"
         "  --computer left|right|both       the computer plays that paddle\n"
         "  --difficulty easy|normal|hard    how well the computer plays (default normal)\n"
         "  --help                           show this help and exit\n";
}

std::string HelpText() {
  return "Rally Court: table tennis for two players at one keyboard, or one against the computer.\n"
         "\n"
         "keys:\n"
         "  W / S                left paddle up / down\n"
         "  Up / Down            right paddle up / down\n"
         "  F11 or Alt+Enter     fullscreen on / off\n"
         "  M                    sound on / off\n"
         "  Escape               quit\n"
         "\n" +
         UsageText();
}

}  // namespace RallyCourt
