// Move-only owners of COM resources: BSTRs, VARIANTs and EXCEPINFO strings. Interface pointers
// are held by Microsoft::WRL::ComPtr.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <algorithm>
#include <new>
#include <string>
#include <string_view>

#include "win32/unique_handle.h"
#include "win32/win32_text.h"

namespace rozovevi::ioserver::com {

// Owns one BSTR. SysFreeString takes null, the BSTR that is not there.
using UniqueBstr = win32::UniqueHandle<BSTR, SysFreeString>;

// A new BSTR with exactly these code units, embedded nulls included.
inline UniqueBstr BstrFromText(std::u16string_view text) {
  // Allocated uninitialised and filled in place: the BSTR is the one copy of the text.
  UniqueBstr bstr(SysAllocStringLen(nullptr, static_cast<UINT>(text.size())));
  if (!bstr.valid()) throw std::bad_alloc();
  std::copy(text.begin(), text.end(), bstr.get());
  bstr.get()[text.size()] = L'\0';  // The terminator every BSTR has room for.
  return bstr;
}

// The text of a BSTR by its stored length; a null BSTR is the empty text, as automation treats it.
inline std::u16string BstrText(BSTR bstr) {
  if (bstr == nullptr) return std::u16string();
  return win32::FromWide(std::wstring_view(bstr, SysStringLen(bstr)));
}

// Owns one VARIANT and clears it when it goes. Not a UniqueHandle: a VARIANT is a value that
// holds its resources, not a handle to them.
class UniqueVariant {
 public:
  UniqueVariant() noexcept { VariantInit(&variant_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  UniqueVariant(UniqueVariant&& other) noexcept : variant_(other.Release()) {}
  UniqueVariant& operator=(UniqueVariant&& other) noexcept {
    if (this != &other) {
      Reset();
      variant_ = other.Release();
    }
    return *this;
  }
  ~UniqueVariant() { Reset(); }

  const VARIANT& get() const noexcept { return variant_; }

  // Clears what is held.
  void Reset() noexcept {
    // VariantClear only fails for VARIANTs it cannot free, which this owner never holds.
    VariantClear(&variant_);
    VariantInit(&variant_);
  }

  // Hands the VARIANT to a caller that clears it, such as the [out] result of IDispatch::Invoke.
  VARIANT Release() noexcept {
    const VARIANT out = variant_;
    VariantInit(&variant_);
    return out;
  }

  // Clears what is held and returns the empty VARIANT for an out-parameter, or the caller, to fill.
  VARIANT* Put() noexcept {
    Reset();
    return &variant_;
  }

 private:
  VARIANT variant_;
};

// The EXCEPINFO IDispatch::Invoke fills; frees its strings when it goes. Not a UniqueHandle: it
// owns the three strings inside one structure.
class UniqueExceptionInfo {
 public:
  UniqueExceptionInfo() noexcept = default;
  UniqueExceptionInfo(const UniqueExceptionInfo&) = delete;
  UniqueExceptionInfo& operator=(const UniqueExceptionInfo&) = delete;
  ~UniqueExceptionInfo() { Reset(); }

  const EXCEPINFO& get() const noexcept { return info_; }

  // Frees the strings and empties every field.
  void Reset() noexcept {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
    info_ = EXCEPINFO{};
  }

  // Empties what is held and returns the structure for an out-parameter, or the caller, to fill.
  EXCEPINFO* Put() noexcept {
    Reset();
    return &info_;
  }

  // A server may leave the fields for the caller to fill on demand, through pfnDeferredFillIn.
  void FillDeferred() {
    if (info_.pfnDeferredFillIn != nullptr) {
      // On failure the fields filled so far are all there is to report.
      info_.pfnDeferredFillIn(&info_);
      info_.pfnDeferredFillIn = nullptr;
    }
  }

 private:
  EXCEPINFO info_{};
};

}  // namespace rozovevi::ioserver::com
