// A real platform window with a current OpenGL context for tests that draw and read pixels back.
// Opened once per process through the native platform (under Xvfb in the test runs) and kept.
#pragma once

#include <array>
#include <cstdint>

namespace KelpforgeTests {

using Pixel = std::array<std::uint8_t, 4>;  // red, green, blue, alpha

class GlTestWindow {
public:
  // Opens the window (1280 x 720 client area) on first use; later calls do nothing.
  static void Open();
  // Clears to transparent black and sets up the 2-D frame the game loop uses: one unit per
  // pixel, origin top-left, y down, texturing and alpha blending on.
  static void BeginFrame();
  // Undoes BeginFrame's matrices and state.
  static void EndFrame();
  // The back-buffer pixel at (x, y), y counted from the top.
  static Pixel ReadPixel(int x, int y);
  static constexpr int kWidth = 1280;
  static constexpr int kHeight = 720;
};

}  // namespace KelpforgeTests
