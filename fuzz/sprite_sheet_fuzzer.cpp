// Fuzzes the sprite sheet description reader and SpriteSheet's frames with arbitrary text. The
// sheet's texture is a record added by hand, so no OpenGL context is needed. Besides the
// sanitizers it checks that no word longer than the token cap is taken and that every record read
// ends up on the sheet with the rectangle of the last record of its name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "kelpforge/core/implementation/kf_file.h"
#include "kelpforge/graphics/implementation/kf_sprite_sheet_internal.h"
#include "kelpforge/graphics/implementation/kf_texture_manager_internal.h"
#include "kelpforge/graphics/kf_sprite_sheet.h"

using Kelpforge::Core::kMaxSpriteSheetTokenBytes;
using Kelpforge::Graphics::SpriteFrame;
using Kelpforge::Graphics::SpriteSheet;
using Kelpforge::Graphics::TextureHandle;
using Kelpforge::Graphics::TextureRecord;
using Kelpforge::Graphics::kfImplementation::ReadSpriteSheetDescription;
using Kelpforge::Graphics::kfImplementation::SpriteRecord;
using Kelpforge::Graphics::kfImplementation::SpriteSheetDescription;
using Kelpforge::Graphics::kfImplementation::TheTextureTable;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TextureHandle texture = TheTextureTable().Add(TextureRecord{1, 256, 128});

  const SpriteSheetDescription description =
      ReadSpriteSheetDescription(std::string_view(reinterpret_cast<const char*>(data), size));
  if (description.imagePath.size() > kMaxSpriteSheetTokenBytes) std::abort();

  SpriteSheet sheet;
  sheet.texture = texture;
  std::map<std::string, const SpriteRecord*> last;
  for (const SpriteRecord& record : description.records) {
    if (record.name.size() > kMaxSpriteSheetTokenBytes) std::abort();
    sheet.AddSprite(record.name, record.x, record.y, record.width, record.height);
    last[record.name] = &record;
  }
  if (sheet.SpriteCount() != last.size()) std::abort();
  for (const auto& [name, record] : last) {
    const SpriteFrame* frame = sheet.FindSprite(name);
    if (frame == nullptr || frame->texture != texture) std::abort();
    // Bitwise: the stream never yields NaN, but compare representations to be safe.
    const float expected[4] = {record->x, record->y, record->width, record->height};
    const float stored[4] = {frame->locationX, frame->locationY, frame->width, frame->height};
    if (std::memcmp(expected, stored, sizeof expected) != 0) std::abort();
  }
  return 0;
}
