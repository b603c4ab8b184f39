// The OpenGL 1.1 header for the graphics units. On Windows <GL/gl.h> needs the calling-convention
// macros of <windows.h>, so that comes first there.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/gl.h>

#include "kelpforge/application/kf_application.h"
#include "kelpforge/core/kf_error.h"

namespace Kelpforge::Graphics::kfImplementation {

// A new texture name, bound to GL_TEXTURE_2D, with the sampling every texture of the framework
// uses: an opaque magenta border, linear filtering, repeat wrapping, no mipmaps. Without the
// window's context OpenGL makes nothing and the name stays 0, which draws as a plain quad: that
// is reported, since the usual cause is a loader that runs before the window opens.
inline GLuint GenerateBoundTexture() {
  KF_REPORT_ERROR_IF(!Application::HasRenderContext(),
                     "kfError: Cannot create a texture before the window's OpenGL context exists.");
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  const GLfloat magenta[4] = {1.0f, 0.0f, 1.0f, 1.0f};
  glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, magenta);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  return name;
}

// One w x h quad as a four-vertex triangle strip, the texture's top row (uvMinY) at y = 0 so
// images stand upright in the y-down frame.
inline void DrawTexturedQuad(float w, float h, float uvMinX, float uvMinY, float uvMaxX, float uvMaxY) {
  glBegin(GL_TRIANGLE_STRIP);
  glTexCoord2f(uvMinX, uvMaxY);
  glVertex2f(0.0f, h);
  glTexCoord2f(uvMinX, uvMinY);
  glVertex2f(0.0f, 0.0f);
  glTexCoord2f(uvMaxX, uvMaxY);
  glVertex2f(w, h);
  glTexCoord2f(uvMaxX, uvMinY);
  glVertex2f(w, 0.0f);
  glEnd();
}

}  // namespace Kelpforge::Graphics::kfImplementation
