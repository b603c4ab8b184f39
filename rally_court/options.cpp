#include "rally_court/options.h"

#include <charconv>
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

constexpr std::uint16_t kDefaultPort = 24680;

bool IsNumber(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<int> NumberIn(std::string_view text, int lowest, int highest) {
  int value = 0;
  if (!IsNumber(text) || text.size() > 6 || std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc{} ||
      value < lowest || value > highest) {
    return std::nullopt;
  }
  return value;
}

// HOST, HOST:PORT, [IPV6] or [IPV6]:PORT; an IPv6 address without brackets takes no port.
bool ReadJoinTarget(std::string_view target, Options& options) {
  std::string_view host = target;
  std::optional<std::string_view> port;
  if (target.starts_with("[")) {
    const auto close = target.find(']');
    if (close == std::string_view::npos) return false;
    host = target.substr(1, close - 1);
    const std::string_view rest = target.substr(close + 1);
    if (!rest.empty()) {
      if (!rest.starts_with(":")) return false;
      port = rest.substr(1);
    }
  } else if (const auto colon = target.find(':'); colon != std::string_view::npos && target.rfind(':') == colon) {
    host = target.substr(0, colon);
    port = target.substr(colon + 1);
  }
  if (host.empty()) return false;
  if (port) {
    const auto number = NumberIn(*port, 1, 65535);
    if (!number) return false;
    options.joinPort = static_cast<std::uint16_t>(*number);
  }
  options.joinHost = std::string(host);
  return true;
}

// The mixes of options that make no sense together.
std::string CheckCombination(const Options& options, bool inputDelayGiven) {
  const bool online = options.hostPort || options.joinHost;
  if (options.hostPort && options.joinHost) return "--host and --join cannot be used together";
  if (options.syncTest && online) return "--sync-test plays locally; it cannot be used with --host or --join";
  if (inputDelayGiven && !online) return "--input-delay needs --host or --join";
  if (options.hostPort && options.computer != ComputerSide::None && options.computer != ComputerSide::Left) {
    return "with --host the computer can play only the left paddle (--computer left)";
  }
  if (options.joinHost && options.computer != ComputerSide::None && options.computer != ComputerSide::Right) {
    return "with --join the computer can play only the right paddle (--computer right)";
  }
  return "";
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine result;
  Options& options = result.options;
  bool inputDelayGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    std::string_view name = argument;
    std::optional<std::string_view> value;
    if (const auto equals = argument.find('='); argument.starts_with("--") && equals != std::string_view::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
    }

    const bool takesValue = name == "--computer" || name == "--difficulty" || name == "--join" ||
                            name == "--input-delay";
    // --host takes a port if one follows.
    if (name == "--host" && !value && i + 1 < argc && IsNumber(argv[i + 1])) {
      value = argv[++i];
    }
    if (!takesValue && value && name != "--host") {
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
    } else if (name == "--host") {
      const auto port = value ? NumberIn(*value, 1, 65535) : std::optional<int>(kDefaultPort);
      if (!port) {
        result.error = "bad port '" + std::string(*value) + "' for --host (1 to 65535)";
        return result;
      }
      options.hostPort = static_cast<std::uint16_t>(*port);
    } else if (name == "--join") {
      if (!ReadJoinTarget(*value, options)) {
        result.error = "bad address '" + std::string(*value) + "' for --join (HOST, HOST:PORT or [IPV6]:PORT)";
        return result;
      }
    } else if (name == "--input-delay") {
      const auto delay = NumberIn(*value, 0, 10);
      if (!delay) {
        result.error = "bad step count '" + std::string(*value) + "' for --input-delay (0 to 10)";
        return result;
      }
      options.inputDelay = *delay;
      inputDelayGiven = true;
    } else if (name == "--sync-test") {
      options.syncTest = true;
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
  result.error = CheckCombination(options, inputDelayGiven);
  return result;
}

std::string UsageText() {
  return "usage: rally_court [options]\n"
         "  --fullscreen                     start in fullscreen (F11 or Alt+Enter toggles it)\n"
         "  --mute                           start with the sound off (M toggles it)\n"
         "  --computer left|right|both       the computer plays that paddle\n"
         "  --difficulty easy|normal|hard    how well the computer plays (default normal)\n"
         "  --host [PORT]                    host an online match (default port 24680); you play left\n"
         "  --join HOST[:PORT]               join the match at HOST ([IPV6]:PORT for IPv6); you play right\n"
         "  --input-delay STEPS              online: steps of 0.01 s between a key and its move (0-10, default 0)\n"
         "  --sync-test                      run every step twice and report the first that differs\n"
         "  --help                           show this help and exit\n";
}

std::string HelpText() {
  return "Rally Court: table tennis for two players at one keyboard, one against the computer, or two\n"
         "online (the host plays left, the joiner right, each with W/S or Up/Down).\n"
         "\n"
         "keys:\n"
         "  W / S                left paddle up / down\n"
         "  Up / Down            right paddle up / down\n"
         "  F11 or Alt+Enter     fullscreen on / off\n"
         "  M                    sound on / off\n"
         "  F3                   network overlay on / off (online)\n"
         "  Escape               quit\n"
         "\n" +
         UsageText();
}

}  // namespace RallyCourt
