// The help text and the layout of messages on standard error.
#include "app/console/console_texts.h"

#include <initializer_list>

#include "ioserver/ascii_text.h"
#include "ioserver/utf8.h"
#include "ioserver/value_limit.h"

namespace rozovevi::app::console {
namespace {

bool IsLineBreak(char16_t unit) { return unit == u'\r' || unit == u'\n'; }

}  // namespace

std::u16string InputTooLargeMessage() {
  return u"standard input holds more than " + ioserver::WidenUtf8(ioserver::MaxValueSizeText()) +
         u", the most a value may have; nothing was written";
}

std::u16string HelpText(std::u16string_view line) {
  static constexpr std::initializer_list<std::u16string_view> kLines = {
      u"Usage: rozovevi-io [-n] read ADDRESS",
      u"       rozovevi-io [--yes] write ADDRESS VALUE",
      u"       rozovevi-io watch ADDRESS [--interval SECONDS] [--count N]",
      u"       rozovevi-io --help | --version",
      u"",
      u"Reads or writes one value through the I/O server DARedUde.daREDudeClass. ADDRESS is a",
      u"file name, or a DDE: or OPC: address, passed exactly as given. On Linux it may also be",
      u"MODBUS:<link>/<unit>/<table>/<offset>[:<type>[:<order>]][?<options>] (see the man page).",
      u"",
      u"  read ADDRESS         print the value and a line end on standard output",
      u"  write ADDRESS VALUE  send VALUE; a VALUE of - sends all of standard input (UTF-8)",
      u"  watch ADDRESS        read every interval; print '<time> <value>' (or '<time> FAILED:",
      u"                       <reason>') first and whenever it changes; Ctrl-C ends it",
      u"  --interval SECONDS   watch's interval, 0.05 to 86400 (default 1)",
      u"  --count N            end watch after N lines",
      u"  -n                   print the value read without the line end",
      u"  -y, --yes            write without asking; needed when there is no terminal",
      u"  --                   the arguments that follow are an address or a value",
      u"  -h, --help           show this text",
      u"  --version            show the version",
      u"",
      u"Messages go to standard error; a failed call adds the server's reason, when it gives one.",
      u"Exit status: 0 done (watch: stopped); 1 the server reported the call as failed; 2 usage",
      u"error or empty address; 3 an error raised by the I/O server or by creating it; 4 the",
      u"write was not confirmed; 5 the value could not be written whole to standard output.",
  };
  std::u16string text;
  for (std::u16string_view each : kLines) {
    text += each;
    text += line;
  }
  return text;
}

std::u16string OneLine(std::u16string_view prompt) {
  std::u16string text;
  text.reserve(prompt.size());
  bool after_break = false;
  for (char16_t unit : prompt) {
    if (IsLineBreak(unit)) {
      after_break = true;
      continue;
    }
    if (after_break && !text.empty()) text += u' ';
    after_break = false;
    text += unit;
  }
  return text;
}

std::u16string WithReason(std::u16string_view reason) {
  if (reason.empty()) return {};
  return u" (" + OneLine(reason) + u")";
}

std::u16string WithLineEnds(std::u16string_view prompt, std::u16string_view line) {
  static constexpr std::u16string_view kCrLf = u"\r\n";
  std::u16string text;
  std::size_t start = 0;
  for (std::size_t found = prompt.find(kCrLf); found != std::u16string_view::npos;
       found = prompt.find(kCrLf, start)) {
    text += prompt.substr(start, found - start);
    text += line;
    start = found + kCrLf.size();
  }
  text += prompt.substr(start);
  return text;
}

bool IsYes(std::u16string_view answer) {
  return ioserver::EqualsIgnoringCase(answer, u"y") || ioserver::EqualsIgnoringCase(answer, u"yes");
}

}  // namespace rozovevi::app::console
