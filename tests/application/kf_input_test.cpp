// Key and mouse-button state as the run loop and the window procedure keep it.
#include "kelpforge/application/kf_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelpforge/application/implementation/kf_window_system.h"
#include "tests/support/scripted_platform.h"

namespace {

namespace App = Kelpforge::Application;
using namespace Kelpforge::Application::kfImplementation;
using KelpforgeTests::RecordingHandler;

constexpr std::uint32_t kVirtualKeyW = 0x57;
constexpr std::uint32_t kVirtualKeyEscape = 0x1B;

// Runs `passes` passes; before pass n (1-based) script(n) may queue messages, and after each
// pass's drain probe(n) records what the program would see.
class InputTest : public KelpforgeTests::ScriptedPlatformTest {
protected:
  void RunPasses(int passes, const std::function<void(int)>& script,
                 const std::function<void(int)>& probe) {
    App::Open(handler);
    script(1);
    handler.onUpdate = [&](int pass) {
      probe(pass);
      if (pass == passes) {
        App::Close(handler);
      } else {
        script(pass + 1);
      }
    };
    App::Run(handler);
  }

  RecordingHandler handler;
};

TEST(KeyIndices, FollowTheTableOrder) {
  EXPECT_EQ(App::Key0, 0);
  EXPECT_EQ(App::Key9, 9);
  EXPECT_EQ(App::KeyA, 10);
  EXPECT_EQ(App::KeyS, 28);
  EXPECT_EQ(App::KeyW, 32);
  EXPECT_EQ(App::KeyZ, 35);
  EXPECT_EQ(App::KeySpace, 36);
  EXPECT_EQ(App::KeyEscape, 37);
  EXPECT_EQ(App::KeyEnter, 38);
  EXPECT_EQ(App::KeyUp, 39);
  EXPECT_EQ(App::KeyDown, 40);
  EXPECT_EQ(App::KeyLeft, 41);
  EXPECT_EQ(App::KeyRight, 42);
  EXPECT_EQ(App::KeyMouseLeft, 43);
  EXPECT_EQ(App::KeyMouseRight, 44);
  EXPECT_EQ(App::KeyMouseMiddle, 45);
  EXPECT_EQ(App::KeyF1, 46);
  EXPECT_EQ(App::KeyCount, 58);
}

TEST_F(InputTest, EveryTableEntryReachesItsKey) {
  struct Entry {
    std::uint32_t code;
    App::Key key;
  };
  std::vector<Entry> entries = {{0x20, App::KeySpace}, {0x1B, App::KeyEscape}, {0x0D, App::KeyEnter},
                                {0x26, App::KeyUp},    {0x28, App::KeyDown},   {0x25, App::KeyLeft},
                                {0x27, App::KeyRight}};
  for (int i = 0; i < 10; ++i) {
    entries.push_back({0x30u + i, static_cast<App::Key>(App::Key0 + i)});
  }
  for (int j = 0; j < 26; ++j) {
    entries.push_back({0x41u + j, static_cast<App::Key>(App::KeyA + j)});
  }
  // F11 toggles fullscreen in every game and never reaches the keys.
  for (int f = 0; f < 12; ++f) {
    if (f != 10) entries.push_back({0x70u + f, static_cast<App::Key>(App::KeyF1 + f)});
  }
  std::vector<std::string> wrong;
  RunPasses(
      static_cast<int>(entries.size()),
      [&](int pass) { platform.QueueKeyDown(entries[pass - 1].code); },
      [&](int pass) {
        const Entry& entry = entries[pass - 1];
        for (int key = 0; key < App::KeyCount; ++key) {
          // Keys of earlier passes stay down; only this pass's key is pressed.
          const bool isEarlier = std::any_of(entries.begin(), entries.begin() + pass,
                                             [&](const Entry& e) { return e.key == key; });
          if (App::IsKeyDown(static_cast<App::Key>(key)) != isEarlier) {
            wrong.push_back("code " + std::to_string(entry.code) + " key " + std::to_string(key));
          }
        }
        if (!App::IsKeyPressed(entry.key)) {
          wrong.push_back("not pressed: code " + std::to_string(entry.code));
        }
      });
  EXPECT_EQ(wrong, std::vector<std::string>());
}

TEST_F(InputTest, HeldKeyIsPressedInExactlyOnePassAndRepeatsNeverPressAgain) {
  std::vector<bool> down;
  std::vector<bool> pressed;
  RunPasses(
      6,
      [&](int pass) {
        if (pass == 2) {
          platform.QueueKeyDown(kVirtualKeyW);
        } else if (pass > 2) {
          platform.QueueKeyDown(kVirtualKeyW, /*wasDown=*/true);  // auto-repeat
        }
      },
      [&](int) {
        down.push_back(App::IsKeyDown(App::KeyW));
        pressed.push_back(App::IsKeyPressed(App::KeyW));
      });
  EXPECT_EQ(down, std::vector<bool>({false, true, true, true, true, true}));
  EXPECT_EQ(pressed, std::vector<bool>({false, true, false, false, false, false}));
}

TEST_F(InputTest, ATapWithinOneDrainIsPressedInThatPassThoughNotDown) {
  App::Open(handler);
  platform.QueueKeyDown(kVirtualKeyW);
  platform.QueueKeyUp(kVirtualKeyW);
  std::string seen;
  handler.onUpdate = [&](int pass) {
    seen += std::string(App::IsKeyDown(App::KeyW) ? "D" : "-") + (App::IsKeyPressed(App::KeyW) ? "P" : "-");
    if (pass == 2) App::Close(handler);
  };
  App::Run(handler);
  EXPECT_EQ(seen, "-P--");
}

TEST_F(InputTest, UntrackedKeysChangeNothing) {
  bool anyDown = true;
  RunPasses(
      1,
      [&](int) {
        platform.QueueKeyDown(0x90);  // Num Lock
        platform.QueueKeyDown(0x10);  // shift
        platform.QueueKeyDown(0x61);  // not a letter code: lower-case 'a'
      },
      [&](int) {
        anyDown = false;
        for (int key = 0; key < App::KeyCount; ++key) {
          anyDown = anyDown || App::IsKeyDown(static_cast<App::Key>(key));
        }
      });
  EXPECT_FALSE(anyDown);
}

TEST_F(InputTest, EveryKeyIsUpBeforeTheFirstPass) {
  App::Open(handler);
  platform.QueueKeyDown(kVirtualKeyW);
  platform.QueueMessage(kMessageLeftButtonDown);
  for (int key = 0; key < App::KeyCount; ++key) {
    EXPECT_FALSE(App::IsKeyDown(static_cast<App::Key>(key))) << key;
  }
  bool downInFirstPass = false;
  handler.onUpdate = [&](int) {
    downInFirstPass = App::IsKeyDown(App::KeyW) && App::IsKeyDown(App::KeyMouseLeft);
    App::Close(handler);
  };
  App::Run(handler);
  EXPECT_TRUE(downInFirstPass);
}

TEST_F(InputTest, KeyMessagesBeforeOpenFindNoTable) {
  RecordingHandler early;
  App::Open(early);  // builds the table; ResetApplicationState empties it again
  ResetApplicationState();
  App::Open(handler);
  // A message routed before the table exists is ignored: reset once more and deliver directly.
  ResetApplicationState();
  HandleInputMessage(kMessageKeyDown, kVirtualKeyW, 0);
  EXPECT_FALSE(App::IsKeyDown(App::KeyW));
  BuildKeyTable();
  BuildKeyTable();  // building again leaves the same table
  HandleInputMessage(kMessageKeyDown, kVirtualKeyW, 0);
  EXPECT_TRUE(App::IsKeyDown(App::KeyW));
}

TEST_F(InputTest, EscapeHeldTwoPassesIsPressedOnlyInTheFirst) {
  std::vector<bool> pressed;
  RunPasses(
      3,
      [&](int pass) {
        if (pass == 1) {
          platform.QueueKeyDown(kVirtualKeyEscape);
        } else if (pass == 3) {
          platform.QueueKeyUp(kVirtualKeyEscape);
        }
      },
      [&](int) { pressed.push_back(App::IsKeyPressed(App::KeyEscape)); });
  EXPECT_EQ(pressed, std::vector<bool>({true, false, false}));
}

TEST_F(InputTest, MouseButtonsSetAndClearTheirOwnKeys) {
  std::vector<std::string> states;
  auto snapshot = [] {
    return std::string(App::IsKeyDown(App::KeyMouseLeft) ? "L" : "-") +
           (App::IsKeyDown(App::KeyMouseRight) ? "R" : "-") +
           (App::IsKeyDown(App::KeyMouseMiddle) ? "M" : "-");
  };
  RunPasses(
      4,
      [&](int pass) {
        switch (pass) {
          case 1: platform.QueueMessage(kMessageLeftButtonDown); break;
          case 2: platform.QueueMessage(kMessageRightButtonDown);
                  platform.QueueMessage(kMessageMiddleButtonDown); break;
          case 3: platform.QueueMessage(kMessageLeftButtonUp);
                  platform.QueueMessage(kMessageMiddleButtonUp); break;
          case 4: platform.QueueMessage(kMessageRightButtonUp);
                  platform.QueueMessage(0x0203); break;  // a double click is not tracked
        }
      },
      [&](int) { states.push_back(snapshot()); });
  EXPECT_EQ(states, std::vector<std::string>({"L--", "LRM", "-R-", "---"}));
}

TEST_F(InputTest, DeactivationAndCloseLeaveHeldKeysDown) {
  bool downAfterDeactivation = false;
  RunPasses(
      2,
      [&](int pass) {
        if (pass == 1) {
          platform.QueueKeyDown(kVirtualKeyW);
        } else {
          platform.QueueMessage(kMessageActivate, 0);
        }
      },
      [&](int pass) {
        if (pass == 2) {
          downAfterDeactivation = App::IsKeyDown(App::KeyW);
        }
      });
  EXPECT_TRUE(downAfterDeactivation);
  EXPECT_TRUE(App::IsKeyDown(App::KeyW));
}

}  // namespace
