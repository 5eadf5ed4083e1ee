// A window and a runtime that log into one event log, for the action tests.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/recording_window.h"
#include "tests/support/scripted_runtime.h"

namespace rozovevi::testing {

class ActionTest : public ::testing::Test {
 protected:
  EventLog log;
  RecordingWindow window{log};
  ScriptedRuntime runtime{log};
};

}  // namespace rozovevi::testing
