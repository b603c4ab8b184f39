// Key table and key states: the window procedure writes them, Run copies them once per pass,
// and the program polls them during OnRealtimeUpdate.
#include <array>
#include <cstdint>
#include <map>

#include "kelpforge/application/kf_input.h"
#include "kelpforge/application/kf_window_system.h"

namespace Kelpforge::Application {

namespace {

std::map<std::uint32_t, std::int32_t> theKeyTable;
std::array<std::uint8_t, KeyCount> theCurrentKeyStates{};
std::array<std::uint8_t, KeyCount> thePreviousKeyStates{};

constexpr std::uint32_t kVirtualKeySpace = 0x20;
constexpr std::uint32_t kVirtualKeyEscape = 0x1B;
constexpr std::uint32_t kVirtualKeyReturn = 0x0D;
constexpr std::uint32_t kVirtualKeyLeft = 0x25;
constexpr std::uint32_t kVirtualKeyUp = 0x26;
constexpr std::uint32_t kVirtualKeyRight = 0x27;
constexpr std::uint32_t kVirtualKeyDown = 0x28;

}  // namespace

bool IsKeyDown(Key key) {
  return theCurrentKeyStates[key] == 1;
}

bool IsKeyPressed(Key key) {
  return theCurrentKeyStates[key] == 1 && thePreviousKeyStates[key] == 0;
}

namespace kfImplementation {

void BuildKeyTable() {
  for (std::int32_t i = 0; i < 10; ++i) {
    theKeyTable[0x30 + i] = Key0 + i;
  }
  for (std::int32_t j = 0; j < 26; ++j) {
    theKeyTable[0x41 + j] = KeyA + j;
  }
  theKeyTable[kVirtualKeySpace] = KeySpace;
  theKeyTable[kVirtualKeyEscape] = KeyEscape;
  theKeyTable[kVirtualKeyReturn] = KeyEnter;
  theKeyTable[kVirtualKeyUp] = KeyUp;
  theKeyTable[kVirtualKeyDown] = KeyDown;
  theKeyTable[kVirtualKeyLeft] = KeyLeft;
  theKeyTable[kVirtualKeyRight] = KeyRight;
}

void CopyCurrentKeyStatesToPrevious() {
  thePreviousKeyStates = theCurrentKeyStates;
}

void HandleInputMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case kMessageKeyDown: {
      const auto entry = theKeyTable.find(static_cast<std::uint32_t>(wParam));
      if (entry != theKeyTable.end() && (lParam & kKeyWasDownBit) == 0) {
        theCurrentKeyStates[entry->second] = 1;
      }
      break;
    }
    case kMessageKeyUp: {
      const auto entry = theKeyTable.find(static_cast<std::uint32_t>(wParam));
      if (entry != theKeyTable.end()) {
        theCurrentKeyStates[entry->second] = 0;
      }
      break;
    }
    case kMessageLeftButtonDown: theCurrentKeyStates[KeyMouseLeft] = 1; break;
    case kMessageLeftButtonUp: theCurrentKeyStates[KeyMouseLeft] = 0; break;
    case kMessageRightButtonDown: theCurrentKeyStates[KeyMouseRight] = 1; break;
    case kMessageRightButtonUp: theCurrentKeyStates[KeyMouseRight] = 0; break;
    case kMessageMiddleButtonDown: theCurrentKeyStates[KeyMouseMiddle] = 1; break;
    case kMessageMiddleButtonUp: theCurrentKeyStates[KeyMouseMiddle] = 0; break;
    default: break;
  }
}

void ResetInputState() {
  theKeyTable.clear();
  theCurrentKeyStates.fill(0);
  thePreviousKeyStates.fill(0);
}

}  // namespace kfImplementation

}  // namespace Kelpforge::Application
