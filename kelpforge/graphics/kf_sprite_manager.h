// The sprite manager: the process-wide table of sprite sheets by name, filled from sprite sheet
// description files, and the lookup of a sprite's frame by sheet and sprite name.
#pragma once

#include <string>

#include "kelpforge/graphics/kf_sprite_sheet.h"

namespace Kelpforge::Graphics {

// Loads the description file at `descriptionPath` (and the image it names) into the sheet
// `sheetName`, creating the sheet or extending it. Needs a current OpenGL context. False only
// when the description cannot be read (not a regular file of at most
// Core::kMaxSpriteSheetFileBytes, or an image path longer than the token cap), in which case no
// sheet is created or changed.
bool LoadSpriteSheet(const std::string& sheetName, const std::string& descriptionPath);

// The frame of `spriteName` on `sheetName`. A missing sheet or sprite is reported and a zero-sized
// frame with InvalidTexture is given, which a sprite draws as nothing.
SpriteFrame GetSpriteFrame(const std::string& sheetName, const std::string& spriteName);

}  // namespace Kelpforge::Graphics
