// The mixer driven through the scripted sink, frame for frame: sums, saturation, the pan and
// volume laws, voice stealing, clip ends, mute, and a mixing call that allocates nothing.
#include "kelpforge/audio/implementation/kf_mixer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "kelpforge/audio/implementation/scripted/kfi_scripted_audio_output.h"
#include "tests/support/allocation_counter.h"

namespace {

using namespace Kelpforge::Audio::kfImplementation;

class MixerTest : public testing::Test {
protected:
  void SetUp() override {
    std::string failure;
    ASSERT_TRUE(sink.Start(mixer, failure));
  }

  // A clip of `frames` frames, every one (left, right).
  ClipView Clip(std::size_t frames, std::int16_t left, std::int16_t right) {
    std::vector<std::int16_t>& samples = clips.emplace_back();
    for (std::size_t i = 0; i < frames; ++i) samples.insert(samples.end(), {left, right});
    return {samples.data(), frames};
  }

  // The first frame of the next pull of `frames` frames.
  std::pair<int, int> FirstFrame(std::size_t frames = 1) {
    const std::vector<std::int16_t> pulled = sink.Pull(frames);
    return {pulled[0], pulled[1]};
  }

  Mixer mixer;
  ScriptedAudioOutput sink;
  std::deque<std::vector<std::int16_t>> clips;
};

using Frame = std::pair<int, int>;

TEST_F(MixerTest, TwoVoicesSumAndTheSumSaturatesAtSixteenBits) {
  mixer.Play(Clip(10, 1000, -1000), 1.0f, -1.0f);
  mixer.Play(Clip(10, 2000, 500), 1.0f, -1.0f);
  EXPECT_EQ(FirstFrame(), Frame(3000, 0));

  mixer.Reset();
  mixer.Play(Clip(10, 1000, 1000), 1.0f, 0.0f);
  mixer.Play(Clip(10, 2000, 2000), 1.0f, 0.0f);
  EXPECT_EQ(FirstFrame(), Frame(2121, 2121));  // 3000 / sqrt 2 on each side

  mixer.Reset();
  mixer.Play(Clip(10, 30000, -30000), 1.0f, -1.0f);
  mixer.Play(Clip(10, 30000, -30000), 1.0f, 1.0f);
  mixer.Play(Clip(10, 30000, -30000), 1.0f, -1.0f);
  mixer.Play(Clip(10, 30000, -30000), 1.0f, 1.0f);
  EXPECT_EQ(FirstFrame(), Frame(32767, -32768));
}

TEST_F(MixerTest, PanAndVolumeFollowTheirLaws) {
  struct Case {
    float volume, pan, master;
    bool muted;
    Frame expected;
  };
  const Case cases[] = {
      {1.0f, -1.0f, 1.0f, false, {10000, 0}},
      {1.0f, 1.0f, 1.0f, false, {0, 10000}},
      {1.0f, 0.0f, 1.0f, false, {7071, 7071}},   // cos and sin of pi/4
      {1.0f, 0.5f, 1.0f, false, {3827, 9239}},   // of 3 pi/8: the power stays 1
      {1.0f, -0.5f, 1.0f, false, {9239, 3827}},
      {0.5f, -1.0f, 1.0f, false, {5000, 0}},
      {0.5f, -1.0f, 0.5f, false, {2500, 0}},
      {3.0f, 7.0f, 1.0f, false, {0, 10000}},     // both taken at the nearer end of their range
      {-1.0f, 0.0f, 1.0f, false, {0, 0}},
      {1.0f, -1.0f, 1.0f, true, {0, 0}},
  };
  for (const Case& c : cases) {
    mixer.Reset();
    mixer.SetMasterVolume(c.master);
    mixer.SetMuted(c.muted);
    mixer.Play(Clip(4, 10000, 10000), c.volume, c.pan);
    EXPECT_EQ(FirstFrame(), c.expected) << "volume " << c.volume << ", pan " << c.pan << ", master " << c.master
                                        << (c.muted ? ", muted" : "");
  }
}

TEST_F(MixerTest, AMutedSoundGoesOnSilentlyAndResumesWhereItHasGot) {
  std::vector<std::int16_t>& ramp = clips.emplace_back();
  for (std::int16_t i = 0; i < 100; ++i) ramp.insert(ramp.end(), {i, i});
  mixer.Play({ramp.data(), 100}, 1.0f, -1.0f);
  sink.Pull(10);
  mixer.SetMuted(true);
  EXPECT_EQ(sink.Pull(30), std::vector<std::int16_t>(60, 0));
  mixer.SetMuted(false);
  EXPECT_EQ(FirstFrame(), Frame(40, 0));
}

TEST_F(MixerTest, AllVoicesBusyReplacesTheOneThatStartedFirst) {
  mixer.Play(Clip(1000, 1, 0), 1.0f, -1.0f);
  for (int i = 0; i < 15; ++i) mixer.Play(Clip(1000, 100, 0), 1.0f, -1.0f);
  EXPECT_EQ(FirstFrame(), Frame(1501, 0));
  EXPECT_EQ(mixer.ActiveVoiceCount(), 16u);

  mixer.Play(Clip(1000, 1000, 0), 1.0f, -1.0f);
  EXPECT_EQ(FirstFrame(), Frame(15 * 100 + 1000, 0));  // the voice holding 1 is gone
  EXPECT_EQ(mixer.ActiveVoiceCount(), 16u);

  // A request that finds the ring full is refused, not queued over another.
  int accepted = 0;
  for (int i = 0; i < 100; ++i) accepted += mixer.Play(Clip(1, 1, 1), 1.0f, 0.0f) ? 1 : 0;
  EXPECT_EQ(accepted, static_cast<int>(kRequestCapacity));
}

TEST_F(MixerTest, AClipEndsExactlyAfterItsLength) {
  // Pulls of 300 frames against mixing chunks of 256: the end falls inside both.
  mixer.Play(Clip(1000, 500, 500), 1.0f, -1.0f);
  std::vector<std::int16_t> left;
  for (int pull = 0; pull < 4; ++pull) {
    const std::vector<std::int16_t> frames = sink.Pull(300);
    for (std::size_t i = 0; i < frames.size(); i += 2) left.push_back(frames[i]);
  }
  for (std::size_t i = 0; i < left.size(); ++i) {
    ASSERT_EQ(left[i], i < 1000 ? 500 : 0) << "frame " << i;
  }
  EXPECT_EQ(mixer.ActiveVoiceCount(), 0u);
}

TEST_F(MixerTest, MixingAllocatesNothing) {
  for (std::size_t i = 0; i < kVoiceCount + 8; ++i) mixer.Play(Clip(48000, 1000, -1000), 0.5f, 0.25f);
  std::vector<std::int16_t> frames(480 * 2);
  KelpforgeTests::AllocationCounter allocations;
  for (int i = 0; i < 20; ++i) mixer.Mix(frames.data(), 480);
  EXPECT_EQ(allocations.Count(), 0u);
  EXPECT_NE(frames[0], 0);
}

}  // namespace
