// The stb_vorbis implementation, compiled from the distribution's header like the other stb units
// (kelpforge/graphics/implementation/kf_stb.cpp). Files are read by our own code, so its stdio part is left out.
// Its asserts are left out of every build type, as in the fuzzed builds: the checks that guard it
// (kf_ogg_vorbis_guard.cpp) are proven against those builds.
#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#ifndef NDEBUG
#define NDEBUG
#endif
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-value"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#endif
#include <stb_vorbis.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
