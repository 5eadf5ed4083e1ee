// CoInitializeEx on construction, CoUninitialize on destruction.
#include "ioserver/com/com_apartment.h"

#include <windows.h>
// After windows.h, which it needs.
#include <objbase.h>

#include "ioserver/com/com_error.h"

namespace rozovevi::ioserver::com {

ComApartment::ComApartment() {
  // S_FALSE (already initialised the same way) also takes a reference that CoUninitialize drops.
  ThrowIfFailed(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE),
                ComStep::kStartApartment, u"");
}

ComApartment::~ComApartment() { CoUninitialize(); }

}  // namespace rozovevi::ioserver::com
