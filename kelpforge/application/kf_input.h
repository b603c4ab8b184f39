// Polled keyboard and mouse-button state, stable during OnRealtimeUpdate.
#pragma once

namespace Kelpforge::Application {

enum Key {
  Key0, Key1, Key2, Key3, Key4, Key5, Key6, Key7, Key8, Key9,
  KeyA, KeyB, KeyC, KeyD, KeyE, KeyF, KeyG, KeyH, KeyI, KeyJ, KeyK, KeyL, KeyM,
  KeyN, KeyO, KeyP, KeyQ, KeyR, KeyS, KeyT, KeyU, KeyV, KeyW, KeyX, KeyY, KeyZ,
  KeySpace,
  KeyEscape,
  KeyEnter,
  KeyUp,
  KeyDown,
  KeyLeft,
  KeyRight,
  KeyMouseLeft,
  KeyMouseRight,
  KeyMouseMiddle,
  // After the first 46, so theirs keep their values.
  KeyF1, KeyF2, KeyF3, KeyF4, KeyF5, KeyF6, KeyF7, KeyF8, KeyF9, KeyF10, KeyF11, KeyF12,
  KeyCount
};

// The key is down as of the messages handled so far.
bool IsKeyDown(Key key);
// The key went down during this pass's messages, even if it is up again by now (a quick tap);
// a held key is pressed in one pass only, and auto-repeat never presses it again.
bool IsKeyPressed(Key key);

}  // namespace Kelpforge::Application
