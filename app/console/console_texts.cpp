// The help text and the layout of messages on standard error.
#include "app/console/console_texts.h"

#include <initializer_list>

#include "ioserver/ascii_text.h"
#include "ioserver/standin/address_kind.h"
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

namespace {

// The help's lines are wrapped to this many characters at most.
constexpr std::size_t kHelpWidth = 88;

// Kinds whose address needs more than its prefix to be written are described by a sentence of
// their own, naming where they are reached, instead of in the list of kinds.
struct KindNote {
  std::u16string_view prefix;
  std::u16string_view sentence;
};
constexpr KindNote kKindNotes[] = {
    {u"MODBUS:",
     u"On Linux it may also be "
     u"MODBUS:<link>/<unit>/<table>/<offset>[.<bit>][:<type>[:<order>]][?<options>] (see the "
     u"man page), as MODBUS:rtuovertcp:10.0.0.7:4001/1/hr/3.0 (bit 0 of hr/3, RTU frames over "
     u"TCP) or MODBUS:tcp:plc1/1/hr/10:str16 (16 bytes of text in hr/10-17)."},
};

bool HasNote(std::u16string_view prefix) {
  for (const KindNote& note : kKindNotes) {
    if (note.prefix == prefix) return true;
  }
  return false;
}

// "A", "A or B", "A, B or C".
std::u16string JoinedWithOr(const std::vector<std::u16string_view>& names) {
  std::u16string joined;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) joined += i + 1 == names.size() ? u" or " : u", ";
    joined += names[i];
  }
  return joined;
}

// What the help says of ADDRESS, as one paragraph.
std::u16string AddressParagraph(const std::vector<std::u16string>& prefixes) {
  std::vector<std::u16string_view> listed;
  for (const std::u16string& prefix : prefixes) {
    if (!prefix.empty() && !HasNote(prefix)) listed.push_back(prefix);
  }
  std::u16string paragraph =
      u"Reads or writes one value through the I/O server DARedUde.daREDudeClass. ADDRESS is a "
      u"file name";
  if (!listed.empty()) paragraph += u", or a " + JoinedWithOr(listed) + u" address";
  paragraph += u", passed exactly as given.";
  for (const KindNote& note : kKindNotes) {
    paragraph += u' ';
    paragraph += note.sentence;
  }
  return paragraph;
}

// paragraph in lines of at most kHelpWidth characters, broken at spaces; a word longer than a
// line stays whole on a line of its own.
std::u16string Wrapped(std::u16string_view paragraph, std::u16string_view line) {
  std::u16string text;
  std::size_t filled = 0;
  while (!paragraph.empty()) {
    const std::size_t space = paragraph.find(u' ');
    const std::u16string_view word = paragraph.substr(0, space);
    paragraph =
        space == std::u16string_view::npos ? std::u16string_view() : paragraph.substr(space + 1);
    if (filled > 0 && filled + 1 + word.size() > kHelpWidth) {
      text += line;
      filled = 0;
    }
    if (filled > 0) {
      text += u' ';
      ++filled;
    }
    text += word;
    filled += word.size();
  }
  return text + std::u16string(line);
}

}  // namespace

std::u16string HelpText(std::u16string_view line) {
  std::vector<std::u16string> prefixes;
  for (const auto& kind : ioserver::standin::PlatformAddressKinds()) {
    prefixes.emplace_back(kind->Prefix());
  }
  return HelpText(line, prefixes);
}

std::u16string HelpText(std::u16string_view line, const std::vector<std::u16string>& prefixes) {
  static constexpr std::initializer_list<std::u16string_view> kUsage = {
      u"Usage: rozovevi-io [-n] read ADDRESS",
      u"       rozovevi-io [--yes] write ADDRESS VALUE",
      u"       rozovevi-io watch ADDRESS [--interval SECONDS] [--count N]",
      u"       rozovevi-io --help | --version",
      u"",
  };
  static constexpr std::initializer_list<std::u16string_view> kOptions = {
      u"",
      u"  read ADDRESS         print the value and a line end on standard output",
      u"  write ADDRESS VALUE  send VALUE; a VALUE of - sends all of standard input (UTF-8)",
      u"  watch ADDRESS        read every interval; print '<time> <value>' (or '<time> FAILED:",
      u"                       <reason>') first and whenever it changes; Ctrl-C ends it",
      u"  --interval SECONDS   watch's interval, 0.05 to 86400 (default 1)",
      u"  --count N            end watch after N lines",
      u"  -n                   print the value read without the line end",
      u"  -y, --yes            write without asking; needed when there is no terminal",
      u"  --trace              print each MODBUS: frame sent (>) and received (<) in hex, with",
      u"                       the milliseconds since the call began, on standard error",
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
  for (std::u16string_view each : kUsage) {
    text += each;
    text += line;
  }
  text += Wrapped(AddressParagraph(prefixes), line);
  for (std::u16string_view each : kOptions) {
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
