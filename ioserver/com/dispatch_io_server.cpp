// The four I/O server members as late-bound IDispatch calls.
#include "ioserver/com/dispatch_io_server.h"

#include <utility>
#include <vector>

#include "ioserver/com/late_binding.h"
#include "ioserver/com/variant_conversion.h"

namespace rozovevi::ioserver::com {
namespace {

std::vector<UniqueVariant> Arguments(const AutomationValue& first) {
  std::vector<UniqueVariant> arguments;
  arguments.push_back(ToVariant(first));
  return arguments;
}

std::vector<UniqueVariant> Arguments(const AutomationValue& first, const AutomationValue& second) {
  std::vector<UniqueVariant> arguments = Arguments(first);
  arguments.push_back(ToVariant(second));
  return arguments;
}

}  // namespace

DispatchIoServer::DispatchIoServer(Microsoft::WRL::ComPtr<IDispatch> object)
    : object_(std::move(object)) {}

void DispatchIoServer::Silent(const AutomationValue& value) {
  CallByName(*object_.Get(), u"Silent", CallKind::kPropertyPut, Arguments(value));
}

AutomationValue DispatchIoServer::ReadInputFile(const AutomationValue& address) {
  const UniqueVariant result =
      CallByName(*object_.Get(), u"ReadInputFile", CallKind::kMethodOrGet, Arguments(address));
  return FromVariant(result.get());
}

void DispatchIoServer::WriteOutputFile(const AutomationValue& address,
                                       const AutomationValue& value) {
  CallByName(*object_.Get(), u"WriteOutputFile", CallKind::kMethod, Arguments(address, value));
}

void DispatchIoServer::WriteOutputText(const AutomationValue& address, std::u16string_view value) {
  std::vector<UniqueVariant> arguments = Arguments(address);
  arguments.push_back(TextVariant(value));
  CallByName(*object_.Get(), u"WriteOutputFile", CallKind::kMethod, std::move(arguments));
}

AutomationValue DispatchIoServer::Success() {
  const UniqueVariant result = CallByName(*object_.Get(), u"Success", CallKind::kMethodOrGet);
  return FromVariant(result.get());
}

}  // namespace rozovevi::ioserver::com
