// Lookups in the sprite manager's table of sheets.
#pragma once

#include <string>

#include "kelpforge/graphics/kf_sprite_sheet.h"

namespace Kelpforge::Graphics::kfImplementation {

// Null when no sheet of that name was loaded; reports nothing.
const SpriteSheet* FindSpriteSheet(const std::string& sheetName);

}  // namespace Kelpforge::Graphics::kfImplementation
