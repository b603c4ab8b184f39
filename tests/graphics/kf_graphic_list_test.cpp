// GraphicList's child list and its update pass; the render pass, which needs OpenGL, is covered
// by kf_graphic_list_display_test.cpp.
#include "kelpforge/graphics/kf_graphic_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/graphics/recording_graphic.h"

namespace {

using Kelpforge::Graphics::Graphic;
using Kelpforge::Graphics::GraphicList;
using KelpforgeTests::Graphics::RecordingGraphic;
using Log = std::vector<std::string>;

TEST(GraphicList, UpdatesActiveChildrenInInsertionOrderDuplicatesIncluded) {
  Log log;
  RecordingGraphic a("a", log);
  RecordingGraphic b("b", log);
  RecordingGraphic inactive("inactive", log);
  inactive.isActive = false;
  RecordingGraphic invisible("invisible", log);
  invisible.isVisible = false;

  GraphicList list;
  list.position = {3.0f, 4.0f};
  list.AddGraphic(&a);
  list.AddGraphic(&inactive);
  list.AddGraphic(&b);
  list.AddGraphic(&a);
  list.AddGraphic(&invisible);
  list.Update(0.25f);

  EXPECT_EQ(log, (Log{"update a 0.25", "update b 0.25", "update a 0.25", "update invisible 0.25"}));
  EXPECT_EQ(list.position.x, 3.0f);
  EXPECT_EQ(list.position.y, 4.0f);
}

TEST(GraphicList, RemoveGraphicRemovesEveryEqualEntryAndKeepsTheOrder) {
  Log log;
  RecordingGraphic a("a", log);
  RecordingGraphic b("b", log);
  RecordingGraphic c("c", log);
  GraphicList list;
  for (Graphic* graphic : {&a, &b, &a, &c, &a}) list.AddGraphic(graphic);

  list.RemoveGraphic(&a);
  list.Update(0.5f);
  EXPECT_EQ(log, (Log{"update b 0.50", "update c 0.50"}));

  // Removing what is not there changes nothing.
  log.clear();
  list.RemoveGraphic(&a);
  list.RemoveGraphic(nullptr);
  list.Update(0.5f);
  EXPECT_EQ(log, (Log{"update b 0.50", "update c 0.50"}));
}

TEST(GraphicList, NestedListsPassTheUpdateDown) {
  Log log;
  RecordingGraphic leaf("leaf", log);
  GraphicList inner;
  inner.AddGraphic(&leaf);
  GraphicList outer;
  outer.AddGraphic(&inner);
  outer.Update(0.75f);
  inner.isActive = false;
  outer.Update(0.75f);
  EXPECT_EQ(log, (Log{"update leaf 0.75"}));
}

}  // namespace
