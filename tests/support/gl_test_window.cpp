// GlTestWindow: the native platform's window, opened through the ordinary Open protocol.
#include "tests/support/gl_test_window.h"

#include <GL/gl.h>

#include "kelpforge/application/kf_application.h"

namespace KelpforgeTests {

namespace {

class IdleHandler final : public Kelpforge::Application::ApplicationHandlerInterface {};

IdleHandler theIdleHandler;
bool theWindowIsOpen = false;

}  // namespace

void GlTestWindow::Open() {
  if (theWindowIsOpen) {
    return;
  }
  Kelpforge::Application::Open(theIdleHandler);
  theWindowIsOpen = true;
}

void GlTestWindow::BeginFrame() {
  Open();
  glViewport(0, 0, kWidth, kHeight);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, kWidth, kHeight, 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void GlTestWindow::EndFrame() {
  glPopAttrib();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

Pixel GlTestWindow::ReadPixel(int x, int y) {
  Pixel pixel{};
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
  return pixel;
}

}  // namespace KelpforgeTests
