// The files Rally Court reads at run time, as it opens them: relative to the working directory,
// which start-up makes the directory holding all of them. Every file the game reads is listed
// in kDataFiles, so a data directory with one missing is never chosen over a complete one.
#pragma once

#include <string>
#include <vector>

namespace RallyCourt {

inline constexpr const char* kPackageName = "rally-court";
inline constexpr const char* kSpriteSheetName = "prototype_sheet";
inline constexpr const char* kSpriteSheetPath = "data/prototyping_sheet.txt";
// Named by the sprite sheet's description file.
inline constexpr const char* kSpriteSheetImagePath = "data/prototyping_sheet.png";
inline constexpr const char* kScoreFontPath = "data/junegull.ttf";
inline constexpr const char* kPaddleHitSoundPath = "data/paddle_hit.wav";
inline constexpr const char* kWallBounceSoundPath = "data/wall_bounce.wav";
inline constexpr const char* kPointSoundPath = "data/point.wav";
inline constexpr const char* kWinSoundPath = "data/win.wav";

inline const std::vector<std::string> kDataFiles = {kSpriteSheetPath,     kSpriteSheetImagePath, kScoreFontPath,
                                                    kPaddleHitSoundPath, kWallBounceSoundPath,  kPointSoundPath,
                                                    kWinSoundPath};

}  // namespace RallyCourt
