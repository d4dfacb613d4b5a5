// A scene-writing context for tests: every run object the scene writer
// needs, owned by one fixture, with the console streams captured.
#ifndef R7P_POV_SCENE_TEST_FIXTURE_H_
#define R7P_POV_SCENE_TEST_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "colour/colour_table.h"
#include "colour/lgeo_lists.h"
#include "base/settings.h"
#include "base/diagnostics.h"
#include "model/file_table.h"
#include "platform/path_finder.h"
#include "platform/platform.h"
#include "pov/scene_state.h"
#include "tests/test_support.h"

class SceneFixture : public ::testing::Test {
 protected:
  SceneFixture() {
    diag.remark_stream = remarks.get();
    diag.message_stream = messages.get();
    // A fixed date makes the header reproducible.
    if (const char* old = getenv("SOURCE_DATE_EPOCH")) saved_epoch_ = old;
    setenv("SOURCE_DATE_EPOCH", "1000000000", 1);
  }
  ~SceneFixture() override {
    if (saved_epoch_.has_value())
      setenv("SOURCE_DATE_EPOCH", saved_epoch_->c_str(), 1);
    else
      unsetenv("SOURCE_DATE_EPOCH");
  }

  /// Adds a table colour with the given flags byte, alpha and luminance.
  void AddColour(int code, const char* name, uint32_t value, uint8_t flags = 0,
                 uint8_t alpha = 0, uint8_t luminance = 0) {
    Colour colour;
    colour.name = name;
    colour.code = code;
    colour.value = value;
    colour.flags = flags;
    colour.alpha = alpha;
    colour.luminance = luminance;
    ASSERT_EQ(ColourTable::Added::kAdded, colours.AddColour(colour));
  }

  testing_support::MemoryFile remarks;
  testing_support::MemoryFile messages;
  Diagnostics diag;
  SceneState state;
  Settings settings;
  FileTable files{diag};
  ColourTable colours;
  LgeoLists lgeo;
  platform::PathFinder finder;
  SceneContext ctx{state, settings, files, colours, lgeo, diag, finder};

 private:
  std::optional<std::string> saved_epoch_;
};

#endif  // R7P_POV_SCENE_TEST_FIXTURE_H_
