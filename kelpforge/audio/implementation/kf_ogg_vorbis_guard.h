// The checks an Ogg Vorbis file passes before stb_vorbis sees it. The distribution's stb_vorbis
// (1.22) trusts the lengths and counts in a file's three header packets in ways that hostile
// files turn into writes and reads outside its buffers; the guard reads those packets as
// stb_vorbis does and refuses every file that would take it down one of those roads.
#pragma once

#include <cstddef>

namespace Kelpforge::Audio::kfImplementation {

// True when the identification, comment and setup packets are complete, consistent and within
// the limits stb_vorbis handles safely (see kf_ogg_vorbis_guard.cpp for each check).
bool OggVorbisHeadersAreSafe(const unsigned char* bytes, std::size_t size);

}  // namespace Kelpforge::Audio::kfImplementation
