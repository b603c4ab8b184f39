// SpriteSheet's frames and the sprite sheet description reader. The reader touches neither files
// nor OpenGL, so it can be driven from memory.
#include "kelpforge/graphics/kf_sprite_sheet.h"

#include <algorithm>
#include <locale>
#include <sstream>

#include "kelpforge/core/implementation/kf_file.h"
#include "kelpforge/core/kf_error.h"
#include "kelpforge/graphics/implementation/kf_sprite_sheet_internal.h"

namespace Kelpforge::Graphics {

void SpriteSheet::AddSprite(const std::string& name, float locationX, float locationY, float width,
                            float height) {
  const bool hasTexture = texture != InvalidTexture;
  KF_REPORT_ERROR_IF(!hasTexture, "Cannot create sprite %s without a texture first.", name.c_str());
  if (!hasTexture) return;

  const TextureRecord& record = GetTextureRecord(texture);
  const auto textureWidth = static_cast<float>(record.width);
  const auto textureHeight = static_cast<float>(record.height);
  SpriteFrame frame;
  frame.locationX = locationX;
  frame.locationY = locationY;
  frame.width = width;
  frame.height = height;
  frame.uvMinX = locationX / textureWidth;
  frame.uvMinY = locationY / textureHeight;
  frame.uvMaxX = (locationX + width) / textureWidth;
  frame.uvMaxY = (locationY + height) / textureHeight;
  frame.texture = texture;
  sprites.insert_or_assign(name, frame);
}

SpriteFrame SpriteSheet::GetSpriteFrame(const std::string& name) const {
  const SpriteFrame* frame = FindSprite(name);
  KF_REPORT_ERROR_IF(frame == nullptr, "Sprite with name %s does not exist.", name.c_str());
  return frame != nullptr ? *frame : SpriteFrame{};
}

const SpriteFrame* SpriteSheet::FindSprite(const std::string& name) const {
  const auto found = sprites.find(name);
  return found != sprites.end() ? &found->second : nullptr;
}

namespace kfImplementation {

namespace {

// Whitespace of the classic locale, which stream extraction skips.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Tokens as stream extraction reads them: a word runs to the next whitespace; a number is the
// longest start of a word that stream extraction takes as one, and the rest of that word is read
// next. No token longer than the cap is taken, so an endless word costs no memory.
class DescriptionReader {
public:
  explicit DescriptionReader(std::string_view text) : text(text) {
    numberStream.imbue(std::locale::classic());
  }

  bool ReadWord(std::string& word) {
    std::string_view token;
    if (!NextToken(token)) return false;
    word.assign(token);
    position += token.size();
    return true;
  }

  bool ReadNumber(float& value) {
    std::string_view token;
    if (!NextToken(token)) return false;
    numberStream.clear();
    numberStream.str(std::string(token));
    if (!(numberStream >> value)) return false;
    position += numberStream.eof() ? token.size() : static_cast<std::size_t>(numberStream.tellg());
    return true;
  }

  bool FoundOverlongToken() const { return foundOverlongToken; }

private:
  bool NextToken(std::string_view& token) {
    while (position < text.size() && IsSpace(text[position])) ++position;
    std::size_t end = position;
    const std::size_t limit = std::min(text.size(), position + Core::kMaxSpriteSheetTokenBytes + 1);
    while (end < limit && !IsSpace(text[end])) ++end;
    token = text.substr(position, end - position);
    foundOverlongToken = token.size() > Core::kMaxSpriteSheetTokenBytes;
    return !token.empty() && !foundOverlongToken;
  }

  std::string_view text;
  std::size_t position = 0;
  bool foundOverlongToken = false;
  std::istringstream numberStream;
};

}  // namespace

SpriteSheetDescription ReadSpriteSheetDescription(std::string_view text) {
  SpriteSheetDescription description;
  DescriptionReader reader(text);
  // An empty description names the empty path; an endless first word names no image at all.
  reader.ReadWord(description.imagePath);
  if (reader.FoundOverlongToken()) {
    description.isReadable = false;
    return description;
  }
  SpriteRecord record;
  while (reader.ReadWord(record.name) && reader.ReadNumber(record.x) && reader.ReadNumber(record.y) &&
         reader.ReadNumber(record.width) && reader.ReadNumber(record.height)) {
    description.records.push_back(record);
  }
  return description;
}

}  // namespace kfImplementation

SpriteFrame kfImplementation::WholeTextureFrame(TextureHandle texture, float width, float height) {
  SpriteFrame frame;
  frame.locationX = 0.0f;
  frame.locationY = 0.0f;
  frame.width = width;
  frame.height = height;
  frame.uvMinX = 0.0f;
  frame.uvMinY = 0.0f;
  frame.uvMaxX = 1.0f;
  frame.uvMaxY = 1.0f;
  frame.texture = texture;
  return frame;
}

}  // namespace Kelpforge::Graphics
