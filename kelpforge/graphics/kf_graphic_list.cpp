// Graphic's empty defaults and GraphicList's pass-through of update and render.
#include "kelpforge/graphics/kf_graphic_list.h"

#include "kelpforge/core/kf_error.h"
#include "kelpforge/graphics/implementation/kf_sprite_batch.h"

namespace Kelpforge::Graphics {

namespace {

const char* const kNotRelativeToParent =
    "kfInternalError: Not yet implemented or supported, maybe in the future.";

}  // namespace

Graphic::~Graphic() {}

void Graphic::Update(float) {}

void Graphic::Render() {}

GraphicList::~GraphicList() {}

void GraphicList::AddGraphic(Graphic* graphic) { children.push_back(graphic); }

void GraphicList::RemoveGraphic(Graphic* graphic) { children.remove(graphic); }

void GraphicList::Update(float deltaTime) {
  for (Graphic* child : children) {
    if (child->isActive) child->Update(deltaTime);
  }
}

void GraphicList::Render() { RenderChildrenAt(position); }

void GraphicList::RenderChildrenAt(Vector2 translation) {
  kfImplementation::SpriteBatchPass pass(translation);
  for (Graphic* child : children) {
    if (!child->isVisible) continue;
    KF_REPORT_ERROR_IF(!child->isRelativeToParent, "%s", kNotRelativeToParent);
    // An error handler may have hidden the child meanwhile.
    if (child->isVisible) pass.Render(*child);
  }
}

}  // namespace Kelpforge::Graphics
