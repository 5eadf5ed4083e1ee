// Creating built-in objects by programmatic identifier.
#include "ioserver/embedded_runtime.h"

#include <gtest/gtest.h>

#include <memory>

#include "ioserver/io_error.h"

namespace rozovevi::ioserver {
namespace {

class NullServer final : public IoServer {
 public:
  void Silent(const AutomationValue&) override {}
  AutomationValue ReadInputFile(const AutomationValue&) override { return {}; }
  void WriteOutputFile(const AutomationValue&, const AutomationValue&) override {}
  AutomationValue Success() override { return AutomationValue::Boolean(true); }
};

EmbeddedRuntime::Factory NullServerFactory() {
  return [] { return std::make_unique<NullServer>(); };
}

TEST(EmbeddedRuntimeTest, UnknownIdentifierRaises429NamingIt) {
  EmbeddedRuntime runtime;
  runtime.Register(u"Other.Class", NullServerFactory());
  try {
    runtime.CreateObject(u"Missing.Thing");
    FAIL() << "an object was created for an unknown identifier";
  } catch (const IoError& error) {
    EXPECT_EQ(error.number(), 429);
    EXPECT_NE(error.description().find(u"Missing.Thing"), std::u16string::npos);
  }
}

TEST(EmbeddedRuntimeTest, FactoryReturningNothingRaises429) {
  EmbeddedRuntime runtime;
  runtime.Register(u"Empty.Class", [] { return std::unique_ptr<IoServer>(); });
  try {
    runtime.CreateObject(u"Empty.Class");
    FAIL() << "an object was reported created where the factory made none";
  } catch (const IoError& error) {
    EXPECT_EQ(error.number(), 429);
    EXPECT_NE(error.description().find(u"Empty.Class"), std::u16string::npos);
  }
}

TEST(EmbeddedRuntimeTest, MatchesIdentifiersWithoutRegardToCase) {
  EmbeddedRuntime runtime;
  runtime.Register(kIoServerProgId, NullServerFactory());
  EXPECT_NE(runtime.CreateObject(u"daredude.DAREDUDECLASS"), nullptr);
}

TEST(EmbeddedRuntimeTest, EachCreationRunsTheFactoryAgain) {
  EmbeddedRuntime runtime;
  int made = 0;
  runtime.Register(kIoServerProgId, [&made] {
    ++made;
    return std::make_unique<NullServer>();
  });
  EXPECT_EQ(made, 0) << "registering makes nothing";
  runtime.CreateObject(kIoServerProgId);
  runtime.CreateObject(kIoServerProgId);
  EXPECT_EQ(made, 2);
}

TEST(EmbeddedRuntimeTest, LaterRegistrationReplacesEarlier) {
  EmbeddedRuntime runtime;
  runtime.Register(u"A.B", [] { return std::unique_ptr<IoServer>(); });
  runtime.Register(u"a.b", NullServerFactory());
  EXPECT_NE(runtime.CreateObject(u"A.B"), nullptr);
}

}  // namespace
}  // namespace rozovevi::ioserver
