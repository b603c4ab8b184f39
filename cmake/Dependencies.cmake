# Third-party code comes from the distribution: stb headers (libstb-dev), X11, OpenGL.
find_path(STB_INCLUDE_DIR stb_image.h PATH_SUFFIXES stb REQUIRED)
add_library(kf_stb INTERFACE)
target_include_directories(kf_stb SYSTEM INTERFACE ${STB_INCLUDE_DIR})
# The implementations are compiled from the installed headers by one unit of the framework
# (kelpforge/graphics/kf_stb.cpp), so sanitizer and fuzz builds instrument them too and the
# Windows cross build needs no prebuilt library.

if(WIN32)
  add_library(kf_platform_libs INTERFACE)
  target_link_libraries(kf_platform_libs INTERFACE opengl32 gdi32 user32 kernel32)
else()
  set(OpenGL_GL_PREFERENCE GLVND)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
  find_package(X11 REQUIRED)
  add_library(kf_platform_libs INTERFACE)
  target_link_libraries(kf_platform_libs INTERFACE OpenGL::OpenGL OpenGL::GLX X11::X11)
endif()
