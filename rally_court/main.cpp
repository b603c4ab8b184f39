// Rally Court's entry point. For now a minimal program on the platform layer: it opens the
// window, clears it every pass and ends on Escape or when the window is closed.
#include <GL/gl.h>

#include "kelpforge/application/kf_application.h"
#include "kelpforge/application/kf_input.h"

namespace {

class ClearingHandler final : public Kelpforge::Application::ApplicationHandlerInterface {
public:
  void OnRealtimeUpdate() override {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (Kelpforge::Application::IsKeyPressed(Kelpforge::Application::KeyEscape)) {
      Kelpforge::Application::Close(*this);
    }
  }
};

}  // namespace

int main() {
  ClearingHandler handler;
  Kelpforge::Application::Open(handler);
  if (!Kelpforge::Application::HasWindow()) {
    return 1;
  }
  Kelpforge::Application::SetWindowTitle("Rally Court");
  Kelpforge::Application::Run(handler);
  return 0;
}
