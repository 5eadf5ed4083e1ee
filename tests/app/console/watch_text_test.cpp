// The time and value on each line of watch.
#include "app/console/watch_text.h"

#include <gtest/gtest.h>

namespace rozovevi::app::console {
namespace {

TEST(WatchTextTest, TimesCarryTheirOffsetAndMillisecondsWhenAsked) {
  const LocalTime time{2026, 3, 9, 7, 5, 4, 21, -(3 * 60 + 30)};
  EXPECT_EQ(FormatLocalTime(time, false), u"2026-03-09T07:05:04-03:30");
  EXPECT_EQ(FormatLocalTime(time, true), u"2026-03-09T07:05:04.021-03:30");
  EXPECT_EQ(FormatLocalTime(LocalTime{1999, 12, 31, 23, 59, 59, 999, 0}, true),
            u"1999-12-31T23:59:59.999+00:00");
  EXPECT_EQ(FormatLocalTime(LocalTime{2026, 1, 1, 0, 0, 0, 0, 14 * 60}, false),
            u"2026-01-01T00:00:00+14:00");
}

TEST(WatchTextTest, LineEndsAreEscapedAndNothingElse) {
  EXPECT_EQ(EscapeLineEnds(u"a\r\nb\n\r"), u"a\\r\\nb\\n\\r");
  EXPECT_EQ(EscapeLineEnds(u"tab\there \u00E9 \\n"), u"tab\there \u00E9 \\n");
  EXPECT_EQ(EscapeLineEnds(u""), u"");
}

}  // namespace
}  // namespace rozovevi::app::console
