// The one conversion of failed HRESULTs and EXCEPINFOs into IoError.
#include "ioserver/com/com_error.h"

#include <gtest/gtest.h>

namespace {

using rozovevi::ioserver::IoError;
using rozovevi::ioserver::com::BstrFromText;
using rozovevi::ioserver::com::ComStep;
using rozovevi::ioserver::com::ErrorFromHresult;
using rozovevi::ioserver::com::UniqueExceptionInfo;

bool Contains(const std::u16string& text, std::u16string_view part) {
  return text.find(part) != std::u16string::npos;
}

}  // namespace

TEST(ComError, NumbersFollowTheStepAndTheHresult) {
  const struct {
    HRESULT result;
    ComStep step;
    std::int32_t number;
  } cases[] = {
      {REGDB_E_CLASSNOTREG, ComStep::kFindClass, 429},
      {CO_E_CLASSSTRING, ComStep::kFindClass, 429},
      {E_ACCESSDENIED, ComStep::kCreateObject, 429},
      {DISP_E_UNKNOWNNAME, ComStep::kCallMember, 438},
      {DISP_E_MEMBERNOTFOUND, ComStep::kCallMember, 438},
      {DISP_E_TYPEMISMATCH, ComStep::kCallMember, static_cast<std::int32_t>(DISP_E_TYPEMISMATCH)},
      {MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 53), ComStep::kCallMember, 53},
      // Without its EXCEPINFO a DISP_E_EXCEPTION is only an HRESULT.
      {DISP_E_EXCEPTION, ComStep::kCallMember, static_cast<std::int32_t>(DISP_E_EXCEPTION)},
  };
  for (const auto& c : cases) {
    const IoError error = ErrorFromHresult(c.result, c.step, u"Some.Identifier");
    EXPECT_EQ(c.number, error.number());
    EXPECT_TRUE(!error.description().empty());
    if (c.number == 429) {
      EXPECT_TRUE(Contains(error.description(), u"\"Some.Identifier\""));
    }
  }
}

TEST(ComError, ExceptionInfoGivesNumberAndDescription) {
  {
    UniqueExceptionInfo info;
    EXCEPINFO& fields = *info.Put();
    fields.wCode = 1001;
    fields.scode = E_FAIL;  // wCode wins.
    fields.bstrDescription = BstrFromText(u"Device offline").Release();
    const IoError error = ErrorFromHresult(DISP_E_EXCEPTION, ComStep::kCallMember, u"M", &info);
    EXPECT_EQ(1001, error.number());
    EXPECT_TRUE(error.description() == u"Device offline");
  }
  {
    // No description: the system's text for the scode stands in.
    UniqueExceptionInfo info;
    info.Put()->scode = E_OUTOFMEMORY;
    const IoError error = ErrorFromHresult(DISP_E_EXCEPTION, ComStep::kCallMember, u"M", &info);
    EXPECT_EQ(static_cast<std::int32_t>(E_OUTOFMEMORY), error.number());
    EXPECT_TRUE(!error.description().empty());
  }
}
