// The texts rozovevi-io prints besides the exchange's own messages, in one place.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rozovevi::app::console {

inline constexpr std::u16string_view kConsoleProgramName = u"rozovevi-io";

// Put before every message on standard error, as the window puts its name on every message box.
inline constexpr std::u16string_view kMessagePrefix = u"rozovevi-io: ";

inline constexpr std::u16string_view kWriteQuestion = u" [y/N] ";
inline constexpr std::u16string_view kConfirmationNeeded =
    u"a write needs --yes when there is no terminal to confirm it on; nothing was written";
inline constexpr std::u16string_view kInvalidInput =
    u"standard input is not valid UTF-8; nothing was written";
// Standard input went on past the most a value may have.
std::u16string InputTooLargeMessage();
inline constexpr std::u16string_view kInvalidArgument = u"an argument is not valid UTF-8";
inline constexpr std::u16string_view kTryHelp = u"Try 'rozovevi-io --help' for more information.";

// The text of --help, with line as the line end. The kinds of address it names are the prefixes
// of the stand-in's kinds on this platform (PlatformAddressKinds), so that a new kind is named
// with no edit here.
std::u16string HelpText(std::u16string_view line);
// The same for the given prefixes ("DDE:", "MODBUS:"; an empty one, for file names, is skipped).
std::u16string HelpText(std::u16string_view line, const std::vector<std::u16string>& prefixes);

// A message box prompt as one line of text: every run of line breaks becomes one space, and
// line breaks at either end are dropped, so that each message is one line in a log.
std::u16string OneLine(std::u16string_view prompt);

// " (reason)" on one line, to follow "Communication Failed!"; nothing for an empty reason.
std::u16string WithReason(std::u16string_view reason);

// The prompt with each CR LF (the message boxes' line break) replaced by line.
std::u16string WithLineEnds(std::u16string_view prompt, std::u16string_view line);

// Whether a typed answer to the write question means yes: "y" or "yes" in any letter case.
bool IsYes(std::u16string_view answer);

}  // namespace rozovevi::app::console
