// Key table and key states: the window procedure writes them, Run starts each pass's record of
// pressed keys, and the program polls them during OnRealtimeUpdate.
#include <array>
#include <cstdint>
#include <map>

#include "kelpforge/application/implementation/kf_window_system.h"
#include "kelpforge/application/kf_input.h"

namespace Kelpforge::Application {

namespace {

std::map<std::uint32_t, std::int32_t> theKeyTable;
std::array<std::uint8_t, KeyCount> theCurrentKeyStates{};
// Keys that went from up to down during this pass's drain. Kept apart from the current state so
// that a tap whose key-up arrives in the same drain still counts as a press.
std::array<std::uint8_t, KeyCount> thePressedKeyStates{};

constexpr std::uint32_t kVirtualKeySpace = 0x20;
constexpr std::uint32_t kVirtualKeyF1 = 0x70;
constexpr std::uint32_t kVirtualKeyEscape = 0x1B;
constexpr std::uint32_t kVirtualKeyReturn = 0x0D;
constexpr std::uint32_t kVirtualKeyLeft = 0x25;
constexpr std::uint32_t kVirtualKeyUp = 0x26;
constexpr std::uint32_t kVirtualKeyRight = 0x27;
constexpr std::uint32_t kVirtualKeyDown = 0x28;

void SetKeyState(std::int32_t key, std::uint8_t state) {
  if (state == 1 && theCurrentKeyStates[key] == 0) {
    thePressedKeyStates[key] = 1;
  }
  theCurrentKeyStates[key] = state;
}

}  // namespace

bool IsKeyDown(Key key) {
  return theCurrentKeyStates[key] == 1;
}

bool IsKeyPressed(Key key) {
  return thePressedKeyStates[key] == 1;
}

namespace kfImplementation {

void BuildKeyTable() {
  for (std::int32_t i = 0; i < 10; ++i) {
    theKeyTable[0x30 + i] = Key0 + i;
  }
  for (std::int32_t j = 0; j < 26; ++j) {
    theKeyTable[0x41 + j] = KeyA + j;
  }
  for (std::int32_t f = 0; f < 12; ++f) {
    theKeyTable[kVirtualKeyF1 + f] = KeyF1 + f;
  }
  theKeyTable[kVirtualKeySpace] = KeySpace;
  theKeyTable[kVirtualKeyEscape] = KeyEscape;
  theKeyTable[kVirtualKeyReturn] = KeyEnter;
  theKeyTable[kVirtualKeyUp] = KeyUp;
  theKeyTable[kVirtualKeyDown] = KeyDown;
  theKeyTable[kVirtualKeyLeft] = KeyLeft;
  theKeyTable[kVirtualKeyRight] = KeyRight;
}

void StartInputPass() {
  thePressedKeyStates.fill(0);
}

void HandleInputMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case kMessageKeyDown: {
      const auto entry = theKeyTable.find(static_cast<std::uint32_t>(wParam));
      if (entry != theKeyTable.end() && (lParam & kKeyWasDownBit) == 0) {
        SetKeyState(entry->second, 1);
      }
      break;
    }
    case kMessageKeyUp: {
      const auto entry = theKeyTable.find(static_cast<std::uint32_t>(wParam));
      if (entry != theKeyTable.end()) {
        SetKeyState(entry->second, 0);
      }
      break;
    }
    case kMessageLeftButtonDown: SetKeyState(KeyMouseLeft, 1); break;
    case kMessageLeftButtonUp: SetKeyState(KeyMouseLeft, 0); break;
    case kMessageRightButtonDown: SetKeyState(KeyMouseRight, 1); break;
    case kMessageRightButtonUp: SetKeyState(KeyMouseRight, 0); break;
    case kMessageMiddleButtonDown: SetKeyState(KeyMouseMiddle, 1); break;
    case kMessageMiddleButtonUp: SetKeyState(KeyMouseMiddle, 0); break;
    default: break;
  }
}

void ResetInputState() {
  theKeyTable.clear();
  theCurrentKeyStates.fill(0);
  thePressedKeyStates.fill(0);
}

}  // namespace kfImplementation

}  // namespace Kelpforge::Application
