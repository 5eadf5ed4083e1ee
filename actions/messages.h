// The texts the actions show the operator, in one place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rozovevi::actions {

// The title of every message box.
inline constexpr std::u16string_view kProgramName = u"ROZoveVI";

inline constexpr std::u16string_view kNoAddressPrompt = u"Please specify an IO address!";
inline constexpr std::u16string_view kCommunicationFailedPrompt = u"Communication Failed!";

// The warning before the first write of a run: two sentences on two lines, an empty line, then
// the question.
std::u16string WriteWarningPrompt();

// The report of an error raised by the I/O server or by creating it.
std::u16string ServerErrorPrompt(std::int32_t number, std::u16string_view description);

}  // namespace rozovevi::actions
