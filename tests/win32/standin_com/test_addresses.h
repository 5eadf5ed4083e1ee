// Addresses that make the test server's ReadInputFile misbehave on purpose, for the error paths.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <string_view>

namespace rozovevi::tests::standin_com {

// Numbers and texts the tests expect back.
inline constexpr std::u16string_view kRaisePrefix = u"?raise:";
inline constexpr std::u16string_view kValuePrefix = u"?value:";
inline constexpr unsigned short kDeferredNumber = 1003;
inline constexpr std::u16string_view kDeferredDescription = u"Filled in on demand";

// Answers a ReadInputFile whose address starts with one of the prefixes:
//   "?raise:wcode:<n>:<text>"  DISP_E_EXCEPTION with wCode n and description text
//   "?raise:scode:<n>:<text>"  DISP_E_EXCEPTION with scode n (decimal or 0x hex)
//   "?raise:deferred"          DISP_E_EXCEPTION filled only through pfnDeferredFillIn
//   "?raise:hresult:<n>"       Invoke itself fails with HRESULT n
//   "?value:null|date|i8|cy|bool|r8|ui4big|byref"  returns a VARIANT of that kind
// Returns false for any other address, which goes to the server.
bool AnswerTestAddress(std::u16string_view address, VARIANT* result, EXCEPINFO* exception,
                       HRESULT& outcome);

}  // namespace rozovevi::tests::standin_com
