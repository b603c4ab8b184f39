// The real rally_court program under an X server: started from a directory holding data/, it is
// looked at (a screenshot of its window), played (XTest keys, or the computer on one side),
// listened to (OpenAL Soft's wave file writer stands for the sound device) and closed (Escape, the
// window manager's close request), also with each data file missing, from a directory without
// data/ and without any audio device.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <stb_image.h>

#include "kelpforge/audio/implementation/kf_sound_decoder.h"
#include "tests/support/child_process.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

struct Rgb {
  int r, g, b;
};

// The window's pixels, read back from the server, at the window's current size.
class Screenshot {
public:
  Screenshot(Display* display, ::Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    width = attributes.width;
    height = attributes.height;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) {
      return;
    }
    pixels.resize(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const unsigned long pixel = XGetPixel(image, x, y);
        unsigned char* out = &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
        out[0] = static_cast<unsigned char>((pixel >> 16) & 0xFF);
        out[1] = static_cast<unsigned char>((pixel >> 8) & 0xFF);
        out[2] = static_cast<unsigned char>(pixel & 0xFF);
      }
    }
    XDestroyImage(image);
    valid = true;
  }

  Rgb At(int x, int y) const {
    const unsigned char* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
  }

  void Save(const fs::path& path) const {
    stbi_write_png(path.string().c_str(), width, height, 3, pixels.data(), width * 3);
  }

  int width = 0;
  int height = 0;
  std::vector<unsigned char> pixels;
  bool valid = false;
};

// One run of the game in its own working directory, its standard output kept in a file there.
// `environment` adds NAME=value pairs to the test's own.
class GameProcess {
public:
  explicit GameProcess(const fs::path& workingDirectory, const std::vector<std::string>& arguments = {},
                       const fs::path& program = RALLY_COURT_BINARY, const std::vector<std::string>& environment = {})
      : process(program, arguments, workingDirectory, environment) {}

  // The exit status once the program has ended, or nothing after `timeout`.
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout) { return process.WaitForExit(timeout); }
  std::string Output() const { return process.StandardOutput(); }
  void Kill() { process.Kill(); }

private:
  KelpforgeTests::ChildProcess process;
};

class RallyCourtEndToEnd : public testing::Test {
protected:
  void SetUp() override {
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "these tests need an X server (run them under Xvfb)";
    scratch.emplace("rally_court_e2e");
    workDirectory = scratch->Path();
    fs::copy(fs::path(KF_SOURCE_DIR) / "data", workDirectory / "data", fs::copy_options::recursive);
    // The sound device is a file: whatever the machine has, the game plays into sound.wav, in
    // updates of 256 frames (the writer's default of 1024 would make 21 ms the grain of a start).
    std::ofstream(workDirectory / "alsoft.conf") << "[general]\ndrivers=wave\nfrequency=48000\nsample-type=int16\n"
                                                 << "period_size=256\n"
                                                 << "[wave]\nfile=" << (workDirectory / "sound.wav").string() << "\n";
    setenv("ALSOFT_CONF", (workDirectory / "alsoft.conf").c_str(), 1);
  }

  void TearDown() override {
    if (display != nullptr) {
      XCloseDisplay(display);
    }
    scratch.reset();
  }

  // The top-level window titled `title` (other than `other`), once it is mapped and has shown a
  // few frames.
  ::Window WaitForWindow(const std::string& title, ::Window other = 0) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
      ::Window root = DefaultRootWindow(display);
      ::Window parent = 0;
      ::Window* children = nullptr;
      unsigned int count = 0;
      ::Window found = 0;
      if (XQueryTree(display, root, &root, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count && found == 0; ++i) {
          char* name = nullptr;
          XWindowAttributes attributes{};
          if (children[i] != other && XFetchName(display, children[i], &name) != 0 && name != nullptr && title == name &&
              XGetWindowAttributes(display, children[i], &attributes) != 0 &&
              attributes.map_state == IsViewable) {
            found = children[i];
          }
          XFree(name);
        }
        XFree(children);
      }
      if (found != 0) {
        // A window reaching past the screen's edge cannot be read back: on a screen too small
        // for it at its place, it is moved to the corner.
        XWindowAttributes attributes{};
        XGetWindowAttributes(display, found, &attributes);
        if (!FitsOnScreen({attributes.x, attributes.y, attributes.width, attributes.height})) {
          MoveResize(found, {0, 0, attributes.width, attributes.height});
        }
        std::this_thread::sleep_for(700ms);  // let it draw some frames
        return found;
      }
      std::this_thread::sleep_for(50ms);
    }
    return 0;
  }

  void Focus(::Window window) {
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
  }

  void Key(KeySym keySym, bool down) {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, keySym), down ? True : False, CurrentTime);
    XSync(display, False);
  }

  void Tap(KeySym keySym) {
    Key(keySym, true);
    std::this_thread::sleep_for(100ms);
    Key(keySym, false);
  }

  // Holds W long enough to move the left paddle well up, then lets the picture settle.
  void HoldW() {
    Key(XK_w, true);
    std::this_thread::sleep_for(400ms);
    Key(XK_w, false);
    std::this_thread::sleep_for(200ms);
  }

  void SendCloseRequest(::Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
  }

  struct Placement {
    int x, y, width, height;
    friend bool operator==(const Placement&, const Placement&) = default;
  };

  bool FitsOnScreen(const Placement& placement) const {
    const int screen = DefaultScreen(display);
    return placement.x >= 0 && placement.y >= 0 &&
           placement.x + placement.width <= DisplayWidth(display, screen) &&
           placement.y + placement.height <= DisplayHeight(display, screen);
  }

  // Waits until the window has `wanted` place and size, then lets it draw some frames.
  Placement WaitForPlacement(::Window window, const Placement& wanted) {
    Placement placement{};
    for (int tries = 0; tries < 250 && !(placement == wanted); ++tries) {
      std::this_thread::sleep_for(20ms);
      XWindowAttributes attributes{};
      XGetWindowAttributes(display, window, &attributes);
      ::Window child = 0;
      XTranslateCoordinates(display, window, attributes.root, 0, 0, &placement.x, &placement.y, &child);
      placement.width = attributes.width;
      placement.height = attributes.height;
    }
    std::this_thread::sleep_for(400ms);
    return placement;
  }

  // What `xdotool windowsize` does, with a move: a window reaching past the screen's edge cannot
  // be read back.
  void MoveResize(::Window window, const Placement& to) {
    XMoveResizeWindow(display, window, to.x, to.y, static_cast<unsigned>(to.width), static_cast<unsigned>(to.height));
    WaitForPlacement(window, to);
  }

  void AltEnter() {
    Key(XK_Alt_L, true);
    Tap(XK_Return);
    Key(XK_Alt_L, false);
  }

  // Where the court lands in a client of that size: the limiting side filled, the other rounded
  // to the nearest pixel (halves up), the bars splitting the rest with the odd pixel right or
  // below.
  struct Fitted {
    int left, top;
    double scale;
  };
  static Fitted FitCourt(int clientWidth, int clientHeight) {
    const long long cw = clientWidth, ch = clientHeight;
    long long width = cw, height = ch;
    if (kWidth * ch > kHeight * cw) {
      height = (2 * kHeight * cw + kWidth) / (2 * kWidth);
    } else if (kWidth * ch < kHeight * cw) {
      width = (2 * kWidth * ch + kHeight) / (2 * kHeight);
    }
    return {static_cast<int>((cw - width) / 2), static_cast<int>((ch - height) / 2),
            static_cast<double>(width) / kWidth};
  }
  void ExpectScaledCourt(::Window window, const Fitted& fitted) {
    ExpectScaledCourt(window, fitted.left, fitted.top, fitted.scale);
  }

  // The court scaled by `scale` into the window with its top-left corner at (left, top): grey
  // walls, the centre line, both paddles on their rows (a row is lit when its centre lies inside
  // the scaled paddle), both score texts, black bars beside it.
  void ExpectScaledCourt(::Window window, int left, int top, double scale) {
    const Screenshot shot(display, window);
    ASSERT_TRUE(shot.valid);
    SCOPED_TRACE(std::to_string(shot.width) + "x" + std::to_string(shot.height));
    const auto at = [&](double x, double y) {
      return shot.At(left + static_cast<int>(x * scale), top + static_cast<int>(y * scale)).r;
    };
    for (const double x : {5.0, 320.0, 1275.0}) {
      EXPECT_NEAR(at(x, 10) + at(x, 710), 256, 4) << "walls at " << x;
    }
    // The centre line at two heights, one of which the ball may cross.
    EXPECT_LE(std::min(std::abs(at(640, 100) - at(660, 100) - 128), std::abs(at(640, 600) - at(660, 600) - 128)), 4)
        << "centre line";
    for (const double x : {32.0, 1248.0}) {
      const auto run = BrightRun(shot, left + static_cast<int>(x * scale), 0, shot.height - 1, 200);
      EXPECT_NEAR(run.first, std::ceil(top + 328 * scale - 0.5), 1) << "paddle at " << x;
      EXPECT_NEAR(run.second, std::ceil(top + 392 * scale - 0.5) - 1, 1) << "paddle at " << x;
    }
    EXPECT_LT((left > 0 ? shot.At(left / 2, 10).r + shot.At(shot.width - 1 - left / 2, 10).r : 0) +
                  (top > 0 ? shot.At(10, top / 2).r + shot.At(10, shot.height - 1 - top / 2).r : 0), 8)
        << "bars";
    for (const double centre : {320.0, 960.0}) {
      int lit = 0;  // glyph pixels in the title band over the centre of the half
      for (double y = 20; y < 80; y += 1 / scale) {
        for (double x = centre - 120; x < centre + 120; x += 1 / scale) {
          lit += at(x, y) > 64 ? 1 : 0;
        }
      }
      EXPECT_GT(lit, 200 * scale * scale) << "score text over x " << centre;
    }
  }

  // The longest run of rows of column x whose red channel is at least `threshold`, as [first,
  // last]: a paddle, not the ball passing the column.
  static std::pair<int, int> BrightRun(const Screenshot& shot, int x, int from, int to, int threshold) {
    std::pair<int, int> longest{-1, -2};
    for (int y = from, first = -1; y <= to + 1; ++y) {
      if (y <= to && shot.At(x, y).r >= threshold) {
        first = first < 0 ? y : first;
      } else if (first >= 0) {
        longest = y - 1 - first > longest.second - longest.first ? std::pair{first, y - 1} : longest;
        first = -1;
      }
    }
    return longest.first < 0 ? std::pair{-1, -1} : longest;
  }

  Display* display = nullptr;
  std::optional<KelpforgeTests::ScratchDirectory> scratch;
  fs::path workDirectory;
};

TEST_F(RallyCourtEndToEnd, ShowsTheCourtAndPlaysAndEndsOnEscape) {
  GameProcess game(workDirectory);
  const ::Window window = WaitForWindow("Rally Court");
  ASSERT_NE(window, 0u) << game.Output();

  XWindowAttributes attributes{};
  XGetWindowAttributes(display, window, &attributes);
  EXPECT_EQ(attributes.width, kWidth);
  EXPECT_EQ(attributes.height, kHeight);

  const Screenshot court(display, window);
  ASSERT_TRUE(court.valid);
  court.Save(fs::path(KF_BINARY_DIR) / "rally_court_screenshot.png");

  // Walls: grey 128 above y 20 and below y 700, across the whole width.
  for (const int x : {5, 320, 1275}) {
    for (const int y : {6, 18, 702, 714}) {
      const Rgb wall = court.At(x, y);
      EXPECT_NEAR(wall.r, 128, 2) << x << "," << y;
      EXPECT_EQ(wall.r, wall.g);
      EXPECT_EQ(wall.g, wall.b);
    }
  }
  // Centre line: half-transparent white over black, 16 wide about x 640.
  const Rgb line = court.At(640, 600);
  EXPECT_NEAR(line.r, 128, 2);
  EXPECT_LT(court.At(650, 600).r, 8);
  // Paddles: white, 16 x 64 about (32, 360) and (1248, 360).
  for (const int x : {32, 1248}) {
    const auto run = BrightRun(court, x, 30, 690, 200);
    EXPECT_EQ(run.first, 328) << x;
    EXPECT_EQ(run.second, 391) << x;
    EXPECT_GE(court.At(x - 7, 360).r, 200);
    EXPECT_LT(court.At(x - 9, 360).r, 8);
  }
  // Score texts: glyph coverage in each half's title band, nothing in the middle of a half.
  for (const int centre : {320, 960}) {
    int lit = 0;
    for (int y = 20; y < 80; ++y) {
      for (int x = centre - 120; x < centre + 120; ++x) {
        lit += court.At(x, y).r > 64 ? 1 : 0;
      }
    }
    EXPECT_GT(lit, 200) << "score text over x " << centre;
    EXPECT_LT(court.At(centre, 500).r, 8);
  }

  // Compared with the reference picture, leaving out the flickering ball at the centre.
  int width = 0;
  int height = 0;
  int channels = 0;
  const std::string reference = std::string(KF_SOURCE_DIR) + "/tests/rally_court/reference_court.png";
  unsigned char* expected = stbi_load(reference.c_str(), &width, &height, &channels, 3);
  ASSERT_NE(expected, nullptr) << reference;
  ASSERT_EQ(width, kWidth);
  ASSERT_EQ(height, kHeight);
  int differing = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (x >= 610 && x < 670 && y >= 330 && y < 390) {
        continue;
      }
      const Rgb actual = court.At(x, y);
      const unsigned char* want = expected + (y * kWidth + x) * 3;
      if (std::abs(actual.r - want[0]) > 12 || std::abs(actual.g - want[1]) > 12 ||
          std::abs(actual.b - want[2]) > 12) {
        ++differing;
      }
    }
  }
  stbi_image_free(expected);
  EXPECT_LT(differing, kWidth * kHeight / 1000) << "pixels differing from the reference";

  // Holding W moves the left paddle up; the right one stays.
  Focus(window);
  HoldW();
  const Screenshot moved(display, window);
  const auto left = BrightRun(moved, 32, 30, 690, 200);
  const auto right = BrightRun(moved, 1248, 30, 690, 200);
  EXPECT_LT(left.first, 300);
  EXPECT_EQ(left.second - left.first, 63);
  EXPECT_EQ(right.first, 328);

  Tap(XK_Escape);
  EXPECT_EQ(game.WaitForExit(10s), std::optional<int>(0)) << game.Output();
  EXPECT_EQ(game.Output(), "");  // a complete data directory reports nothing
}

// Whether the score text over the half centred at `centre` differs between two shots (the white
// ball flying through the text is left out: the text itself is half white).
bool ScoreChanged(const Screenshot& before, const Screenshot& after, int centre) {
  int differing = 0;
  for (int y = 20; y < 80; ++y) {
    for (int x = centre - 120; x < centre + 120; ++x) {
      const int a = before.At(x, y).r;
      const int b = after.At(x, y).r;
      differing += a <= 200 && b <= 200 && std::abs(a - b) > 40 ? 1 : 0;
    }
  }
  return differing > 30;
}

TEST_F(RallyCourtEndToEnd, TheComputerOnTheRightMeetsTheFirstServeAndWinsThePoint) {
  GameProcess game(workDirectory, {"--computer", "right"});
  const ::Window window = WaitForWindow("Rally Court");
  ASSERT_NE(window, 0u) << game.Output();

  // No key is pressed. The first serve goes right and below the centre: the right paddle goes down
  // to meet it and sends it back past the idle left paddle, so the right score changes first.
  const Screenshot start(display, window);
  int lowestPaddleCentre = 0;
  int scoringHalf = -1;
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (scoringHalf < 0 && std::chrono::steady_clock::now() < deadline) {
    const Screenshot shot(display, window);
    // The ball reaches column 1254 only once it is past the paddle's face.
    const auto paddle = BrightRun(shot, 1254, 20, 699, 200);
    lowestPaddleCentre = std::max(lowestPaddleCentre, (paddle.first + paddle.second) / 2);
    scoringHalf = ScoreChanged(start, shot, 320) ? 0 : ScoreChanged(start, shot, 960) ? 1 : -1;
  }
  EXPECT_GT(lowestPaddleCentre, 359 + 20);
  EXPECT_EQ(scoringHalf, 1);

  Focus(window);
  Tap(XK_Escape);
  EXPECT_EQ(game.WaitForExit(10s), std::optional<int>(0)) << game.Output();
  EXPECT_EQ(game.Output(), "");
}

TEST_F(RallyCourtEndToEnd, TheCourtFitsAnySizeAndFullscreenTogglesBothWays) {
  GameProcess game(workDirectory, {"--fullscreen"});
  const ::Window window = WaitForWindow("Rally Court");
  ASSERT_NE(window, 0u) << game.Output();
  Focus(window);
  // The X server's screen, whatever its size, with no window manager.
  const Placement screen{0, 0, DisplayWidth(display, DefaultScreen(display)),
                         DisplayHeight(display, DefaultScreen(display))};
  const Placement windowed{50, 50, kWidth, kHeight};
  const Fitted full = FitCourt(screen.width, screen.height);

  // Started fullscreen; F11 brings the window it would have had.
  EXPECT_EQ(WaitForPlacement(window, screen), screen);
  ExpectScaledCourt(window, full);
  Tap(XK_F11);
  EXPECT_EQ(WaitForPlacement(window, windowed), windowed);
  if (FitsOnScreen(windowed)) {
    ExpectScaledCourt(window, FitCourt(kWidth, kHeight));
  }

  // Resized by hand: the screen's shape, one wider than the court's (bars left and right) and one
  // taller (bars above and below).
  MoveResize(window, screen);
  ExpectScaledCourt(window, full);
  const int wideHeight = std::min(screen.height, screen.width * 5 / 9);
  const Placement wide{0, 0, wideHeight * 9 / 5, wideHeight};
  MoveResize(window, wide);
  ExpectScaledCourt(window, FitCourt(wide.width, wide.height));
  const Placement tall{0, 0, 800, 600};
  MoveResize(window, tall);
  ExpectScaledCourt(window, FitCourt(tall.width, tall.height));
  const Placement small{50, 50, 640, 360};
  MoveResize(window, small);
  ExpectScaledCourt(window, FitCourt(small.width, small.height));

  // Alt+Enter toggles the same way, F11 from a smaller window too; W still moves the left paddle
  // in fullscreen.
  AltEnter();
  EXPECT_EQ(WaitForPlacement(window, screen), screen);
  HoldW();
  const Screenshot moved(display, window);
  const auto column = [&](double x) { return full.left + static_cast<int>(x * full.scale); };
  const int paddleTop = static_cast<int>(std::ceil(full.top + 328 * full.scale - 0.5));
  const auto left = BrightRun(moved, column(32), 0, screen.height - 1, 200);
  EXPECT_LT(left.first, paddleTop - 28 * full.scale);
  EXPECT_NEAR(left.second - left.first, 64 * full.scale - 1, 1);
  EXPECT_EQ(BrightRun(moved, column(1248), 0, screen.height - 1, 200).first, paddleTop);
  AltEnter();
  EXPECT_EQ(WaitForPlacement(window, small), small);
  Tap(XK_F11);
  EXPECT_EQ(WaitForPlacement(window, screen), screen);

  Tap(XK_Escape);
  EXPECT_EQ(game.WaitForExit(10s), std::optional<int>(0)) << game.Output();
  EXPECT_EQ(game.Output(), "");
}

TEST_F(RallyCourtEndToEnd, TheWindowManagersCloseEndsItWithStatusZero) {
  GameProcess game(workDirectory);
  const ::Window window = WaitForWindow("Rally Court");
  ASSERT_NE(window, 0u) << game.Output();
  SendCloseRequest(window);
  EXPECT_EQ(game.WaitForExit(10s), std::optional<int>(0)) << game.Output();
}

TEST_F(RallyCourtEndToEnd, FindsItsInstalledDataFromAnyWorkingDirectory) {
  const fs::path prefix = workDirectory / "moved" / "usr";
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share" / "rally-court");
  fs::copy_file(RALLY_COURT_BINARY, prefix / "bin" / "rally_court");
  fs::rename(workDirectory / "data", prefix / "share" / "rally-court" / "data");
  fs::create_directories(workDirectory / "elsewhere");

  GameProcess game(workDirectory / "elsewhere", {}, prefix / "bin" / "rally_court");
  const ::Window window = WaitForWindow("Rally Court");
  ASSERT_NE(window, 0u) << game.Output();
  const Screenshot court(display, window);
  ASSERT_TRUE(court.valid);
  EXPECT_EQ(BrightRun(court, 32, 30, 690, 200), std::make_pair(328, 391));
  Focus(window);
  Tap(XK_Escape);
  EXPECT_EQ(game.WaitForExit(10s), std::optional<int>(0)) << game.Output();
  EXPECT_EQ(game.Output(), "");
}

// Left alone, the game's first sounds fall at these fixed steps (the pinned match replay in
// rally_court_loop_test.cpp covers the rules): the point that ends the first rally, then a wall
// bounce and the point of the second. The sound file must hold a sound starting within 50 ms of
// each, measured from the first, and silence between them. That needs a machine that keeps the
// game at real time (a frame longer than 1/30 s slows the game's clock by design): on one whose
// load is more than twice its cores the test is skipped, saying so.
TEST_F(RallyCourtEndToEnd, EachSoundStartsWithinFiftyMillisecondsOfItsStep) {
  double load = 0.0;
  std::ifstream("/proc/loadavg") >> load;
  const double cores = std::thread::hardware_concurrency();
  if (load > 2.0 * cores) {
    GTEST_SKIP() << "load average " << load << " on " << cores << " cores: the game cannot keep real time";
  }
  const auto started = std::chrono::steady_clock::now();
  GameProcess game(workDirectory);
  const ::Window window = WaitForWindow("Rally Court");
  ASSERT_NE(window, 0u) << game.Output();
  std::this_thread::sleep_until(started + 9s);
  Focus(window);
  Tap(XK_Escape);
  ASSERT_EQ(game.WaitForExit(10s), std::optional<int>(0)) << game.Output();
  EXPECT_EQ(game.Output(), "");

  // The writer completes the file's header when the game closes its device at exit.
  namespace Audio = Kelpforge::Audio::kfImplementation;
  const Audio::DecodedSound sound = Audio::DecodeSoundFile((workDirectory / "sound.wav").string());
  ASSERT_EQ(sound.failure, nullptr) << sound.failure;
  // Onsets: the first audible frame after a quarter of a second of silence. The sounds last at
  // most 0.3 s and these steps lie 0.74 s apart or more.
  constexpr int kAudible = 300;
  constexpr std::size_t kGap = 48000 / 4;
  std::vector<double> onsets;
  std::size_t quietSince = 0;
  for (std::size_t frame = 0; frame < sound.FrameCount(); ++frame) {
    const bool audible = std::abs(sound.samples[2 * frame]) > kAudible || std::abs(sound.samples[2 * frame + 1]) > kAudible;
    if (audible && frame - quietSince >= kGap) onsets.push_back(static_cast<double>(frame) / 48000.0);
    if (audible) quietSince = frame + 1;
  }
  std::ostringstream heard;
  for (const double onset : onsets) heard << " " << onset;
  const std::vector<double> steps = {3.85, 5.99, 6.73};
  ASSERT_EQ(onsets.size(), steps.size()) << sound.FrameCount() << " frames, onsets at" << heard.str();
  // The first sound comes a little after its step on the game clock: the output's latency, and
  // the game time that start-up frames longer than 1/30 s have dropped. Both stay for later sounds.
  const double delay = onsets[0] - steps[0];
  EXPECT_GT(delay, -0.2);
  EXPECT_LT(delay, 1.0);
  for (std::size_t i = 1; i < steps.size(); ++i) {
    EXPECT_NEAR(onsets[i] - delay, steps[i], 0.05) << "sound " << i << ", onsets at" << heard.str();
  }
  std::printf("sounds start at%s s; the first %.0f ms after its step\n", heard.str().c_str(), delay * 1000);
}

TEST_F(RallyCourtEndToEnd, WithoutAnAudioDeviceItReportsOnceAndEscapeExitsZero) {
  GameProcess game(workDirectory, {}, RALLY_COURT_BINARY, {"ALSOFT_DRIVERS=no_such_driver"});
  const ::Window window = WaitForWindow("Rally Court");
  ASSERT_NE(window, 0u) << game.Output();
  Focus(window);
  Tap(XK_Escape);
  EXPECT_EQ(game.WaitForExit(10s), std::optional<int>(0)) << game.Output();
  const std::string report = "MESSAGE: kfError: No audio device: OpenAL found no device to open. Sounds are silent.\n";
  const std::string output = game.Output();
  EXPECT_NE(output.find(report), std::string::npos) << output;
  EXPECT_EQ(output.find("MESSAGE: "), output.rfind("MESSAGE: ")) << "more than one report:\n" << output;
}

// A UDP relay of the test's own on loopback between the joiner and the host: it drops one
// datagram in twelve and sends one in fifty twice, by a seeded generator, until it is destroyed.
class LossyRelay {
public:
  LossyRelay(std::uint16_t listenPort, std::uint16_t hostPort) {
    front = Bound(listenPort);
    back = Bound(0);
    host.sin_family = AF_INET;
    host.sin_port = htons(hostPort);
    host.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    worker = std::thread([this] { Run(); });
  }
  ~LossyRelay() {
    stop = true;
    worker.join();
    close(front);
    close(back);
  }
  std::atomic<int> forwarded{0};

private:
  static int Bound(std::uint16_t port) {
    const int descriptor = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return descriptor;
  }
  void Run() {
    std::mt19937 random(24680);
    sockaddr_in joiner{};
    bool joinerKnown = false;
    char buffer[2048];
    while (!stop) {
      pollfd sockets[2] = {{front, POLLIN, 0}, {back, POLLIN, 0}};
      if (poll(sockets, 2, 20) <= 0) continue;
      for (int i = 0; i < 2; ++i) {
        if ((sockets[i].revents & POLLIN) == 0) continue;
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t size = recvfrom(sockets[i].fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (size < 0) continue;
        if (i == 0) {
          joiner = from;
          joinerKnown = true;
        }
        if ((i == 1 && !joinerKnown) || random() % 12 == 0) continue;
        const int copies = random() % 50 == 0 ? 2 : 1;
        for (int copy = 0; copy < copies; ++copy) {
          // The joiner's datagrams go to the host from the back socket, the host's to the joiner from the front.
          if (i == 0) {
            sendto(back, buffer, static_cast<std::size_t>(size), 0, reinterpret_cast<sockaddr*>(&host), sizeof host);
          } else {
            sendto(front, buffer, static_cast<std::size_t>(size), 0, reinterpret_cast<sockaddr*>(&joiner), sizeof joiner);
          }
        }
        ++forwarded;
      }
    }
  }
  int front = -1;
  int back = -1;
  sockaddr_in host{};
  std::atomic<bool> stop{false};
  std::thread worker;
};

// Glyph pixels of the notice line under the centre of a court drawn at `scale`, beside the
// centre line.
int NoticePixels(const Screenshot& shot, double scale) {
  int lit = 0;
  for (int y = static_cast<int>(562 * scale); y < static_cast<int>(610 * scale); ++y) {
    for (int x = static_cast<int>(300 * scale); x < static_cast<int>(980 * scale); ++x) {
      if (std::abs(x - 640 * scale) < 14 * scale) continue;
      lit += shot.At(x, y).r > 64 && shot.At(x, y).r < 200 ? 1 : 0;
    }
  }
  return lit;
}

// Pixels of the score band that differ between two shots, the white ball left out.
int ScoreBandDifference(const Screenshot& a, const Screenshot& b, double scale) {
  int differing = 0;
  for (int y = static_cast<int>(20 * scale); y < static_cast<int>(80 * scale); ++y) {
    for (int x = 0; x < a.width && x < b.width; ++x) {
      const int p = a.At(x, y).r;
      const int q = b.At(x, y).r;
      differing += p <= 200 && q <= 200 && std::abs(p - q) > 40 ? 1 : 0;
    }
  }
  return differing;
}

TEST_F(RallyCourtEndToEnd, TwoProgramsPlayOneMatchOnlineThroughALossyRelay) {
  const auto hostPort = static_cast<std::uint16_t>(30000 + getpid() % 10000 * 2);
  const auto relayPort = static_cast<std::uint16_t>(hostPort + 1);
  const fs::path joinerDirectory = workDirectory / "joiner";
  fs::create_directories(joinerDirectory);
  fs::copy(workDirectory / "data", joinerDirectory / "data", fs::copy_options::recursive);
  constexpr double kScale = 0.75;
  const Placement left{0, 0, 960, 540};
  const Placement right{960, 0, 960, 540};

  GameProcess host(workDirectory, {"--host", std::to_string(hostPort), "--mute"});
  const ::Window hostWindow = WaitForWindow("Rally Court");
  ASSERT_NE(hostWindow, 0u) << host.Output();
  MoveResize(hostWindow, left);
  EXPECT_GT(NoticePixels(Screenshot(display, hostWindow), kScale), 100) << "the waiting notice";

  LossyRelay relay(relayPort, hostPort);
  GameProcess joiner(joinerDirectory, {"--join", "127.0.0.1:" + std::to_string(relayPort), "--mute"});
  const ::Window joinerWindow = WaitForWindow("Rally Court", hostWindow);
  ASSERT_NE(joinerWindow, 0u) << joiner.Output();
  MoveResize(joinerWindow, right);

  // The match starts: both notices go.
  bool playing = false;
  for (int tries = 0; tries < 100 && !playing; ++tries) {
    playing = NoticePixels(Screenshot(display, hostWindow), kScale) < 20 &&
              NoticePixels(Screenshot(display, joinerWindow), kScale) < 20;
    std::this_thread::sleep_for(100ms);
  }
  ASSERT_TRUE(playing) << "the match did not start; relay forwarded " << relay.forwarded;

  // W held on the host moves the left paddle on both screens, to the same place.
  const Screenshot start(display, hostWindow);
  Focus(hostWindow);
  HoldW();
  std::this_thread::sleep_for(500ms);
  const auto hostPaddle = BrightRun(Screenshot(display, hostWindow), 24, 0, 539, 200);
  const auto joinerPaddle = BrightRun(Screenshot(display, joinerWindow), 24, 0, 539, 200);
  EXPECT_LT(hostPaddle.first, 246 - 40);
  EXPECT_NEAR(joinerPaddle.first, hostPaddle.first, 2);

  // Nobody plays the right paddle: a point comes soon, and both show the same score.
  bool scored = false;
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!scored && std::chrono::steady_clock::now() < deadline) {
    scored = ScoreBandDifference(start, Screenshot(display, hostWindow), kScale) > 30;
    std::this_thread::sleep_for(100ms);
  }
  ASSERT_TRUE(scored);
  std::this_thread::sleep_for(700ms);
  EXPECT_LT(ScoreBandDifference(Screenshot(display, hostWindow), Screenshot(display, joinerWindow), kScale), 30);

  // The joiner dies without a goodbye: after its silence the host says so and the computer
  // takes the right paddle.
  joiner.Kill();
  bool noticed = false;
  for (int tries = 0; tries < 120 && !noticed; ++tries) {
    noticed = NoticePixels(Screenshot(display, hostWindow), kScale) > 100;
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_TRUE(noticed) << "no notice on the host";
  std::set<int> rightRows;
  for (int tries = 0; tries < 150 && rightRows.size() < 3; ++tries) {
    rightRows.insert(BrightRun(Screenshot(display, hostWindow), 936, 0, 539, 200).first);
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_GE(rightRows.size(), 3u) << "the right paddle does not move";

  Focus(hostWindow);
  Tap(XK_Escape);
  EXPECT_EQ(host.WaitForExit(10s), std::optional<int>(0)) << host.Output();
  EXPECT_EQ(host.Output().find("out of step"), std::string::npos) << host.Output();
}

struct MissingFile {
  const char* file;
  std::vector<std::string> reports;
};

class RallyCourtMissingData : public RallyCourtEndToEnd,
                              public testing::WithParamInterface<MissingFile> {};

TEST_P(RallyCourtMissingData, StillStartsReportsAndEndsOnEscape) {
  fs::remove(workDirectory / "data" / GetParam().file);
  // A copy of the program, so no complete data directory is found beside it or in its share.
  const fs::path program = workDirectory / "bin" / "rally_court";
  fs::create_directories(program.parent_path());
  fs::copy_file(RALLY_COURT_BINARY, program);
  GameProcess game(workDirectory, {}, program);
  const ::Window window = WaitForWindow("Rally Court");
  ASSERT_NE(window, 0u) << game.Output();
  Focus(window);
  Tap(XK_Escape);
  EXPECT_EQ(game.WaitForExit(10s), std::optional<int>(0)) << game.Output();
  const std::string output = game.Output();
  for (const std::string& report : GetParam().reports) {
    EXPECT_NE(output.find("MESSAGE: " + report + "\n"), std::string::npos) << report << "\nin:\n" << output;
  }
  if (GetParam().reports.empty()) {
    EXPECT_EQ(output, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachFile, RallyCourtMissingData,
    testing::Values(
        MissingFile{"prototyping_sheet.txt",
                    {"Was unable to load sprite sheet: data/prototyping_sheet.txt\n",
                     "SpriteSheet with name prototype_sheet does not exist."}},
        MissingFile{"prototyping_sheet.png",
                    {"Was unable to load texture: data/prototyping_sheet.png\n",
                     "Cannot create sprite solid_square without a texture first.",
                     "Cannot create sprite solid_circle without a texture first.",
                     "Sprite with name solid_circle does not exist.",
                     "Sprite with name solid_square does not exist."}},
        // A font file that yields no font is not reported; the texts use the built-in font.
        MissingFile{"junegull.ttf", {}},
        MissingFile{"win.wav", {"Was unable to load sound: data/win.wav (a file that cannot be read)\n"}}),
    [](const testing::TestParamInfo<MissingFile>& info) {
      std::string name = info.param.file;
      for (char& c : name) {
        if (c == '.') c = '_';
      }
      return name;
    });

}  // namespace
