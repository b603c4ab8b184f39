// The game clock's native counter on Windows is the performance counter: the same frequency as
// QueryPerformanceFrequency, and readings that fall between two QueryPerformanceCounter calls.
#include "kelpforge/game/implementation/kf_game_clock.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using Kelpforge::Game::kfImplementation::NativeGameCounter;

TEST(WindowsGameCounter, ReadsThePerformanceCounter) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  EXPECT_EQ(NativeGameCounter().Frequency(), frequency.QuadPart);
  EXPECT_GT(frequency.QuadPart, 0);

  for (int i = 0; i < 100; ++i) {
    LARGE_INTEGER before;
    LARGE_INTEGER after;
    QueryPerformanceCounter(&before);
    const std::int64_t count = NativeGameCounter().Count();
    QueryPerformanceCounter(&after);
    ASSERT_GE(count, before.QuadPart);
    ASSERT_LE(count, after.QuadPart);
  }
}

}  // namespace
