// A window and a runtime that log into one event log, for the action tests, and checks of the
// orderings in that log that matter.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/recording_window.h"
#include "tests/support/scripted_runtime.h"

namespace rozovevi::testing {

class ActionTest : public ::testing::Test {
 protected:
  EventLog log;
  RecordingWindow window{log};
  ScriptedRuntime runtime{log};
};

inline bool Logged(const EventLog& log, const std::string& event) {
  return std::find(log.begin(), log.end(), event) != log.end();
}

// Succeeds when both events are logged and the first `earlier` comes before the first `later`.
inline ::testing::AssertionResult Before(const EventLog& log, const std::string& earlier,
                                         const std::string& later) {
  const auto first = std::find(log.begin(), log.end(), earlier);
  const auto second = std::find(log.begin(), log.end(), later);
  if (first == log.end()) return ::testing::AssertionFailure() << earlier << " is not logged";
  if (second == log.end()) return ::testing::AssertionFailure() << later << " is not logged";
  if (first < second) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << later << " comes before " << earlier;
}

// The lock around the n-th object: both buttons disabled before it is created, and enabled
// again only after it is released.
inline void ExpectObjectInsideTheLock(const EventLog& log, int n) {
  const std::string object = "#" + std::to_string(n);
  for (const char* button : {"cmdRead", "cmdWrite"}) {
    EXPECT_TRUE(Before(log, std::string(button) + ".Enabled=False",
                       "CreateObject(DARedUde.daREDudeClass)" + object));
    EXPECT_TRUE(Before(log, object + ".Release", std::string(button) + ".Enabled=True"));
  }
}

}  // namespace rozovevi::testing
