// The drawing surface as the current OpenGL context reports it, and the check that it is the one
// every platform asks for: stencil 8, depth of at least 16, double-buffered, a 1280 x 720 viewport.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "kelpforge/graphics/implementation/kf_opengl.h"

namespace KelpforgeTests {

struct GlSurface {
  std::string versionText;
  int stencilBits = 0;
  int depthBits = 0;
  bool doubleBuffer = false;
  int viewportWidth = 0;
  int viewportHeight = 0;
};

inline GlSurface ReadGlSurface() {
  GlSurface surface;
  const GLubyte* version = glGetString(GL_VERSION);
  surface.versionText = version != nullptr ? reinterpret_cast<const char*>(version) : "";
  GLint value = 0;
  glGetIntegerv(GL_STENCIL_BITS, &value);
  surface.stencilBits = value;
  glGetIntegerv(GL_DEPTH_BITS, &value);
  surface.depthBits = value;
  GLboolean doubleBuffered = GL_FALSE;
  glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
  surface.doubleBuffer = doubleBuffered == GL_TRUE;
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  surface.viewportWidth = viewport[2];
  surface.viewportHeight = viewport[3];
  return surface;
}

inline void ExpectRequestedSurface(const GlSurface& surface) {
  EXPECT_FALSE(surface.versionText.empty());
  EXPECT_EQ(surface.stencilBits, 8);
  EXPECT_GE(surface.depthBits, 16);
  EXPECT_TRUE(surface.doubleBuffer);
  EXPECT_EQ(surface.viewportWidth, 1280);
  EXPECT_EQ(surface.viewportHeight, 720);
}

}  // namespace KelpforgeTests
