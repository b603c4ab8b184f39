// The framework's picture: kelp fronds and bubbles on a rounded ocean tile with transparent
// corners, drawn at any size from one 256-unit drawing. The built-in image and the game's icons
// are made from it.
#pragma once

#include <vector>

namespace KelpforgeTools {

inline constexpr int kLogoDrawingSize = 256;

// size x size RGBA pixels, straight alpha, rows from the top. Every pixel averages a square grid
// of samples, 4 x 4 at 256 pixels and proportionally more at smaller sizes, so thin rings and
// blades fade instead of breaking up.
std::vector<unsigned char> DrawKelpforgeLogo(int size);

}  // namespace KelpforgeTools
