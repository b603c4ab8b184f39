// The sheet table and the loading of sprite sheet description files.
#include "kelpforge/graphics/kf_sprite_manager.h"

#include <map>
#include <string_view>

#include "kelpforge/core/implementation/kf_file.h"
#include "kelpforge/core/kf_error.h"
#include "kelpforge/graphics/implementation/kf_sprite_manager_internal.h"
#include "kelpforge/graphics/implementation/kf_sprite_sheet_internal.h"

namespace Kelpforge::Graphics {

namespace {

// Created on first use, so loading from another unit's static initialisation finds it in place.
std::map<std::string, SpriteSheet>& TheSpriteSheets() {
  static std::map<std::string, SpriteSheet> sheets;
  return sheets;
}

}  // namespace

bool LoadSpriteSheet(const std::string& sheetName, const std::string& descriptionPath) {
  // Only a regular file of sane size is read, and a description whose image path is an endless
  // word is refused like a file that cannot be opened.
  const Core::FileContents file = Core::ReadRegularFile(descriptionPath, Core::kMaxSpriteSheetFileBytes);
  const kfImplementation::SpriteSheetDescription description = kfImplementation::ReadSpriteSheetDescription(
      std::string_view(reinterpret_cast<const char*>(file.bytes.get()), file.size));
  const bool readable = file.isRead && description.isReadable;
  KF_REPORT_ERROR_IF(!readable, "Was unable to load sprite sheet: %s\n", descriptionPath.c_str());
  if (!readable) return false;

  const TextureHandle texture = LoadTextureFromFile(description.imagePath);
  const char* imagePath = description.imagePath.c_str();
  KF_REPORT_ERROR_IF(texture == InvalidTexture, "Was unable to load texture: %s\n", imagePath);

  // An existing sheet keeps its frames, each with the texture it was made with.
  SpriteSheet& sheet = TheSpriteSheets()[sheetName];
  sheet.texture = texture;
  for (const kfImplementation::SpriteRecord& record : description.records) {
    sheet.AddSprite(record.name, record.x, record.y, record.width, record.height);
  }
  return true;
}

SpriteFrame GetSpriteFrame(const std::string& sheetName, const std::string& spriteName) {
  const SpriteSheet* sheet = kfImplementation::FindSpriteSheet(sheetName);
  KF_REPORT_ERROR_IF(!sheet, "SpriteSheet with name %s does not exist.", sheetName.c_str());
  if (sheet == nullptr) return SpriteFrame{};
  return sheet->GetSpriteFrame(spriteName);
}

namespace kfImplementation {

const SpriteSheet* FindSpriteSheet(const std::string& sheetName) {
  const auto& sheets = TheSpriteSheets();
  const auto found = sheets.find(sheetName);
  return found != sheets.end() ? &found->second : nullptr;
}

}  // namespace kfImplementation

}  // namespace Kelpforge::Graphics
