// The sound table: clips by name, loaded from WAV or Ogg Vorbis files and decoded once, played
// through the mixer with a volume and a pan, under a master volume and a mute switch. The audio
// output starts with the first LoadSound; when there is no audio device that is reported once
// and every sound is silent, while the game goes on. Game thread only.
#pragma once

#include <string>
#include <string_view>

namespace Kelpforge::Audio {

// Decodes the file at `path` (relative to the working directory) and keeps it under `name`,
// replacing what the name held. A file that cannot be read or decoded is reported; the name then
// plays silence. False in that case.
bool LoadSound(const std::string& name, const std::string& path);

// Starts the sound `name` on a free voice (or on the one that started first, when all 16 are
// busy). `volume` runs from 0 to 1, `pan` from -1 (left) to 1 (right). A name never loaded is
// reported. Allocates nothing.
void PlaySound(std::string_view name, float volume = 1.0f, float pan = 0.0f);

// From 0 to 1 (1 at start), applied to every voice at once, also to sounds already playing.
void SetMasterVolume(float volume);
float MasterVolume();
// Muted sounds go on playing, silently.
void SetMuted(bool muted);
bool IsMuted();

}  // namespace Kelpforge::Audio
