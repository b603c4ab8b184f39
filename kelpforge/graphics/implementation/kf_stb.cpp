// The stb_image and stb_truetype implementations, compiled from the distribution's headers so
// that every build (sanitizers, fuzzers, the Windows cross build) instruments and links them alike.
#define STB_IMAGE_IMPLEMENTATION
#define STB_TRUETYPE_IMPLEMENTATION
// stb_truetype's asserts include geometric ones in its rasterizer that an outline reaching past
// its glyph's bounding box trips (the code after them stays inside the bitmap); fonts are
// validated before stb_truetype reads them, so the asserts are left out of every build type.
#define STBTT_assert(x) ((void)sizeof(x))
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image.h>
#include <stb_truetype.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
