# Third-party code comes from the distribution: stb headers (libstb-dev), X11 with RandR, OpenGL,
# OpenAL.
find_path(STB_INCLUDE_DIR stb_image.h PATH_SUFFIXES stb REQUIRED)
add_library(kf_stb INTERFACE)
target_include_directories(kf_stb SYSTEM INTERFACE ${STB_INCLUDE_DIR})
# The implementations are compiled from the installed headers by one unit of the framework
# (kelpforge/graphics/implementation/kf_stb.cpp), so sanitizer and fuzz builds instrument them too and the
# Windows cross build needs no prebuilt library. An installed Kelpforge needs no stb.

# The libraries the framework links. A program linking the installed static library needs them
# too, so each one is named again for the installed package, one line per dependency:
# find_dependency in cmake/KelpforgeConfig.cmake.in and the pkg-config names or flags below.
find_package(Threads REQUIRED)
if(WIN32)
  # ws2_32: Winsock 2, for online play.
  set(KF_PLATFORM_LIBRARIES opengl32 gdi32 user32 winmm ws2_32 kernel32 Threads::Threads)
  set(KF_PKGCONFIG_REQUIRES_PRIVATE "")
  set(KF_PKGCONFIG_LIBS_PRIVATE "-lopengl32 -lgdi32 -luser32 -lwinmm -lws2_32 -lkernel32 ${CMAKE_THREAD_LIBS_INIT}")
  set(KF_PKGCONFIG_CFLAGS "-DNOMINMAX -DWIN32_LEAN_AND_MEAN")
else()
  set(OpenGL_GL_PREFERENCE GLVND)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
  find_package(X11 REQUIRED)
  set(KF_PLATFORM_LIBRARIES OpenGL::OpenGL OpenGL::GLX X11::X11 X11::Xrandr Threads::Threads)
  set(KF_PKGCONFIG_REQUIRES_PRIVATE "gl glx x11 xrandr")
  set(KF_PKGCONFIG_LIBS_PRIVATE "${CMAKE_THREAD_LIBS_INIT}")
  set(KF_PKGCONFIG_CFLAGS "")
endif()

# The audio output's library, for the output picked at the top level: waveOut is in winmm, which
# Windows links above already (for the pacing timer too); OpenAL Soft (libopenal-dev) for OpenAL,
# found as the CMake package OpenAL and as pkg-config's openal.
if(KF_AUDIO_BACKEND STREQUAL "openal")
  find_package(OpenAL REQUIRED)
  list(APPEND KF_PLATFORM_LIBRARIES OpenAL::OpenAL)
  string(APPEND KF_PKGCONFIG_REQUIRES_PRIVATE " openal")
endif()
