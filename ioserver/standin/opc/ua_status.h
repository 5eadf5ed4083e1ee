// OPC UA status codes: their names, severities, and what an operator can do about the common ones.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rozovevi::ioserver::standin::opc {

using StatusCode = std::uint32_t;

namespace status {
inline constexpr StatusCode kGood = 0x00000000;
inline constexpr StatusCode kBadTimeout = 0x800A0000;
inline constexpr StatusCode kBadUserAccessDenied = 0x801F0000;
inline constexpr StatusCode kBadIdentityTokenInvalid = 0x80200000;
inline constexpr StatusCode kBadIdentityTokenRejected = 0x80210000;
inline constexpr StatusCode kBadNodeIdUnknown = 0x80340000;
inline constexpr StatusCode kBadNotWritable = 0x803B0000;
inline constexpr StatusCode kBadOutOfRange = 0x803C0000;
inline constexpr StatusCode kBadSecurityModeRejected = 0x80540000;
inline constexpr StatusCode kBadSecurityPolicyRejected = 0x80550000;
inline constexpr StatusCode kBadTooManySessions = 0x80560000;
inline constexpr StatusCode kBadTypeMismatch = 0x80740000;
inline constexpr StatusCode kBadTcpMessageTooLarge = 0x80800000;
}  // namespace status

// The bits that name a code; the low 16 qualify it.
inline constexpr StatusCode kStatusCodeMask = 0xFFFF0000;

// The two top bits: 00 Good, 01 Uncertain, 10 and 11 Bad.
inline bool IsBad(StatusCode code) { return (code & 0x80000000U) != 0; }

// "BadNodeIdUnknown"; "0x80AB0000" for a code not in the table. The low 16 bits (flags that
// qualify a code) do not change its name.
std::string StatusName(StatusCode code);

// "BadNodeIdUnknown (0x80340000)", followed by ": <hint>" for the codes an operator can act on.
std::string DescribeStatus(StatusCode code);

// What to check for code, or empty.
std::string_view StatusHint(StatusCode code);

}  // namespace rozovevi::ioserver::standin::opc
