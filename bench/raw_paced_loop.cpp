// The court's picture drawn by plain Xlib + GLX + OpenGL 1.1, paced at 60 frames a second by
// sleeping to absolute deadlines: the yardstick bench/pacing.sh holds the game's CPU against.
// It draws what a steady court frame draws (two walls, the centre line, two paddles, the ball,
// two score texts) with the same textures, blending and immediate-mode quads, and ends after the
// given number of seconds.
//   raw_paced_loop <seconds> (run from the repository root, which holds data/)
#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_TRUETYPE_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr std::int64_t kPeriod = 1'000'000'000 / 60;

struct Texture {
  GLuint name = 0;
  int width = 0;
  int height = 0;
};

Texture Upload(const unsigned char* rgba, int width, int height) {
  Texture texture{0, width, height};
  glGenTextures(1, &texture.name);
  glBindTexture(GL_TEXTURE_2D, texture.name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  return texture;
}

// "Score: 0" as white text with coverage in alpha, the way the game's texts are made.
Texture TextTexture(const std::vector<unsigned char>& font, const char* text, float pixelHeight) {
  stbtt_fontinfo info;
  stbtt_InitFont(&info, font.data(), stbtt_GetFontOffsetForIndex(font.data(), 0));
  const float scale = stbtt_ScaleForPixelHeight(&info, pixelHeight);
  int ascent = 0, descent = 0, gap = 0;
  stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
  const int width = 256;
  const int height = static_cast<int>((ascent - descent) * scale) + 1;
  std::vector<unsigned char> coverage(static_cast<std::size_t>(width) * height);
  float x = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    int advance = 0, bearing = 0, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetCodepointHMetrics(&info, *c, &advance, &bearing);
    stbtt_GetCodepointBitmapBox(&info, *c, scale, scale, &x0, &y0, &x1, &y1);
    const int left = static_cast<int>(x) + x0;
    const int top = static_cast<int>(ascent * scale) + y0;
    if (left >= 0 && top >= 0 && left + (x1 - x0) <= width && top + (y1 - y0) <= height) {
      stbtt_MakeCodepointBitmap(&info, &coverage[static_cast<std::size_t>(top) * width + left], x1 - x0,
                                y1 - y0, width, scale, scale, *c);
    }
    x += advance * scale;
  }
  std::vector<unsigned char> rgba(coverage.size() * 4, 255);
  for (std::size_t i = 0; i < coverage.size(); ++i) {
    rgba[i * 4 + 3] = coverage[i];
  }
  return Upload(rgba.data(), width, height);
}

// A w x h quad centred at (x, y) showing the texture's [u0, u1] x [v0, v1].
void Quad(const Texture& texture, float x, float y, float w, float h, float u0, float v0, float u1, float v1,
          float grey, float alpha) {
  glBindTexture(GL_TEXTURE_2D, texture.name);
  glColor4f(grey, grey, grey, alpha);
  glPushMatrix();
  glTranslatef(x - w / 2, y - h / 2, 0);
  glBegin(GL_TRIANGLE_STRIP);
  glTexCoord2f(u0, v1);
  glVertex2f(0, h);
  glTexCoord2f(u0, v0);
  glVertex2f(0, 0);
  glTexCoord2f(u1, v1);
  glVertex2f(w, h);
  glTexCoord2f(u1, v0);
  glVertex2f(w, 0);
  glEnd();
  glPopMatrix();
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "raw_paced_loop: no X display\n");
    return 1;
  }
  int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                      GLX_DEPTH_SIZE, 16, GLX_STENCIL_SIZE, 8, None};
  XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes);
  if (visual == nullptr) {
    std::fprintf(stderr, "raw_paced_loop: no GLX visual\n");
    return 1;
  }
  const Window root = DefaultRootWindow(display);
  XSetWindowAttributes windowAttributes{};
  windowAttributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
  const Window window = XCreateWindow(display, root, 50, 50, kWidth, kHeight, 0, visual->depth, InputOutput,
                                      visual->visual, CWColormap, &windowAttributes);
  XStoreName(display, window, "raw paced loop");
  XMapWindow(display, window);
  GLXContext context = glXCreateContext(display, visual, nullptr, True);
  glXMakeCurrent(display, window, context);

  int sheetWidth = 0, sheetHeight = 0, channels = 0;
  unsigned char* sheet = stbi_load("data/prototyping_sheet.png", &sheetWidth, &sheetHeight, &channels, 4);
  std::ifstream fontFile("data/junegull.ttf", std::ios::binary);
  const std::vector<unsigned char> font((std::istreambuf_iterator<char>(fontFile)), {});
  if (sheet == nullptr || font.empty()) {
    std::fprintf(stderr, "raw_paced_loop: run it from the directory that holds data/\n");
    return 1;
  }
  const Texture sprites = Upload(sheet, sheetWidth, sheetHeight);
  stbi_image_free(sheet);
  const Texture score = TextTexture(font, "Score: 0", 42.0f);
  const float squareU = 64.0f / static_cast<float>(sheetWidth);
  const float circleU0 = 128.0f / static_cast<float>(sheetWidth);
  const float circleU1 = 192.0f / static_cast<float>(sheetWidth);
  const float squareV = 64.0f / static_cast<float>(sheetHeight);

  timespec start{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  std::int64_t deadline = static_cast<std::int64_t>(start.tv_sec) * 1'000'000'000 + start.tv_nsec;
  const auto frames = static_cast<long>(seconds * 60.0);
  for (long frame = 0; frame < frames; ++frame) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
    }
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kWidth, kHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float ballX = 640.0f + static_cast<float>((frame * 7) % 600) - 300.0f;
    Quad(sprites, 32, 360, 16, 64, 0, 0, squareU, squareV, 1, 1);
    Quad(sprites, 1248, 360, 16, 64, 0, 0, squareU, squareV, 1, 1);
    Quad(sprites, ballX, 360, 16, 16, circleU0, 0, circleU1, squareV, 1, 1);
    Quad(sprites, 640, 360, 16, 686.4f, 0, 0, squareU, squareV, 1, 0.5f);
    Quad(sprites, 640, 20, 1296, 16, 0, 0, squareU, squareV, 0.5f, 1);
    Quad(sprites, 640, 700, 1296, 16, 0, 0, squareU, squareV, 0.5f, 1);
    Quad(score, 320, 20 + score.height / 2.0f, 256, static_cast<float>(score.height), 0, 0, 1, 1, 1, 0.5f);
    Quad(score, 960, 20 + score.height / 2.0f, 256, static_cast<float>(score.height), 0, 0, 1, 1, 1, 0.5f);
    glXSwapBuffers(display, window);

    deadline += kPeriod;
    const timespec wake{static_cast<time_t>(deadline / 1'000'000'000), static_cast<long>(deadline % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
    }
  }
  glXMakeCurrent(display, None, nullptr);
  glXDestroyContext(display, context);
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  return 0;
}
