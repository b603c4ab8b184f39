// The OpenGL 1.1 header for the graphics units. On Windows <GL/gl.h> needs the calling-convention
// macros of <windows.h>, so that comes first there.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/gl.h>
