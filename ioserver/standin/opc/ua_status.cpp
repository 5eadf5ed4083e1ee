// The table of status codes this client names, with hints for those an operator can act on.
#include "ioserver/standin/opc/ua_status.h"

#include <cstdio>

namespace rozovevi::ioserver::standin::opc {
namespace {

struct StatusText {
  StatusCode code;
  const char* name;
  const char* hint;  // May be empty.
};

constexpr StatusText kStatuses[] = {
    {0x00000000, "Good", ""},
    {0x40000000, "Uncertain", ""},
    {0x80000000, "Bad", ""},
    {0x80010000, "BadUnexpectedError", ""},
    {0x80020000, "BadInternalError", "the server failed; see its log"},
    {0x80030000, "BadOutOfMemory", ""},
    {0x80040000, "BadResourceUnavailable", "the server is short of resources; try again later"},
    {0x80050000, "BadCommunicationError", ""},
    {0x80060000, "BadEncodingError", ""},
    {0x80070000, "BadDecodingError", ""},
    {0x80080000, "BadEncodingLimitsExceeded", ""},
    {0x80090000, "BadUnknownResponse", ""},
    {status::kBadTimeout, "BadTimeout",
     "the server did not finish in time; check the device behind it, or raise timeout="},
    {0x800B0000, "BadServiceUnsupported", "the server does not offer this service"},
    {0x800C0000, "BadShutdown", "the server is shutting down"},
    {0x800D0000, "BadServerNotConnected", ""},
    {0x800E0000, "BadServerHalted", "the server has stopped"},
    {0x800F0000, "BadNothingToDo", ""},
    {0x80100000, "BadTooManyOperations", ""},
    {0x80110000, "BadDataTypeIdUnknown", ""},
    {0x80120000, "BadCertificateInvalid", ""},
    {0x80130000, "BadSecurityChecksFailed", "the server refused the connection's security"},
    {status::kBadUserAccessDenied, "BadUserAccessDenied",
     "the server does not let an anonymous user do this; its access settings decide"},
    {status::kBadIdentityTokenInvalid, "BadIdentityTokenInvalid", ""},
    {status::kBadIdentityTokenRejected, "BadIdentityTokenRejected",
     "the server does not accept anonymous access"},
    {0x80220000, "BadSecureChannelIdInvalid", ""},
    {0x80230000, "BadInvalidTimestamp", "check that this computer's clock is right"},
    {0x80240000, "BadNonceInvalid", ""},
    {0x80250000, "BadSessionIdInvalid", ""},
    {0x80260000, "BadSessionClosed", ""},
    {0x80270000, "BadSessionNotActivated", ""},
    {0x802A0000, "BadRequestHeaderInvalid", ""},
    {0x80310000, "BadNoCommunication", "the server has no connection to the device behind it"},
    {0x80320000, "BadWaitingForInitialData", "the server has no value yet; try again"},
    {0x80330000, "BadNodeIdInvalid", "the server does not accept this NodeId's form"},
    {status::kBadNodeIdUnknown, "BadNodeIdUnknown",
     "the server has no such node: check the namespace index and whether the identifier is s= "
     "or i="},
    {0x80350000, "BadAttributeIdInvalid", "the node is not a variable"},
    {0x80360000, "BadIndexRangeInvalid", ""},
    {0x80370000, "BadIndexRangeNoData", ""},
    {0x80380000, "BadDataEncodingInvalid", ""},
    {0x80390000, "BadDataEncodingUnsupported", ""},
    {0x803A0000, "BadNotReadable", "the node's value cannot be read"},
    {status::kBadNotWritable, "BadNotWritable",
     "the node is read-only (its access level does not allow writing)"},
    {status::kBadOutOfRange, "BadOutOfRange", "the server refused the value as out of its range"},
    {0x803D0000, "BadNotSupported", ""},
    {0x803E0000, "BadNotFound", ""},
    {0x803F0000, "BadObjectDeleted", ""},
    {0x80400000, "BadNotImplemented", ""},
    {0x804F0000, "BadServerUriInvalid", ""},
    {status::kBadSecurityModeRejected, "BadSecurityModeRejected",
     "the server accepts no connection without security"},
    {status::kBadSecurityPolicyRejected, "BadSecurityPolicyRejected",
     "the server accepts no connection without security"},
    {status::kBadTooManySessions, "BadTooManySessions",
     "the server has as many sessions open as it allows; close other clients or raise its limit"},
    {0x80570000, "BadUserSignatureInvalid", ""},
    {0x80580000, "BadApplicationSignatureInvalid", ""},
    {0x80590000, "BadNoValidCertificates", ""},
    {0x80700000, "BadMaxAgeInvalid", ""},
    {0x80730000, "BadWriteNotSupported", "the server does not accept this kind of write"},
    {status::kBadTypeMismatch, "BadTypeMismatch", "the value is not of the type the node holds"},
    {0x807E0000, "BadTcpMessageTypeInvalid", ""},
    {0x807F0000, "BadTcpSecureChannelUnknown", ""},
    {status::kBadTcpMessageTooLarge, "BadTcpMessageTooLarge", ""},
    {0x80810000, "BadTcpNotEnoughResources", "the server has no room for another connection"},
    {0x80820000, "BadTcpInternalError", ""},
    {0x80830000, "BadTcpEndpointUrlInvalid", "the server does not know this endpoint's path"},
    {0x80840000, "BadRequestInterrupted", ""},
    {0x80850000, "BadRequestTimeout", ""},
    {0x80860000, "BadSecureChannelClosed", ""},
    {0x80870000, "BadSecureChannelTokenUnknown", ""},
    {0x80880000, "BadSequenceNumberInvalid", ""},
    {0x80AC0000, "BadConnectionRejected", ""},
    {0x80AD0000, "BadDisconnect", ""},
    {0x80AE0000, "BadConnectionClosed", ""},
    {0x80AF0000, "BadInvalidState", ""},
    {0x80B00000, "BadEndOfStream", ""},
    {0x80B80000, "BadRequestTooLarge", ""},
    {0x80B90000, "BadResponseTooLarge", ""},
    {0x80BE0000, "BadProtocolVersionUnsupported", ""},
    {0x80E60000, "BadSecurityModeInsufficient",
     "the server accepts only signed or encrypted connections"},
};

const StatusText* Find(StatusCode code) {
  for (const StatusText& each : kStatuses) {
    if (each.code == (code & kStatusCodeMask)) return &each;
  }
  return nullptr;
}

std::string Hex(StatusCode code) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
  return text;
}

}  // namespace

std::string StatusName(StatusCode code) {
  const StatusText* found = Find(code);
  return found != nullptr ? found->name : Hex(code);
}

std::string_view StatusHint(StatusCode code) {
  const StatusText* found = Find(code);
  return found != nullptr ? found->hint : "";
}

std::string DescribeStatus(StatusCode code) {
  const StatusText* found = Find(code);
  if (found == nullptr) return "status " + Hex(code);
  std::string text = std::string(found->name) + " (" + Hex(code) + ")";
  if (*found->hint != '\0') text += std::string(": ") + found->hint;
  return text;
}

}  // namespace rozovevi::ioserver::standin::opc
