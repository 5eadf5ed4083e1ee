// Move-only owners of COM resources: interface pointers, BSTRs, VARIANTs and EXCEPINFO strings.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <algorithm>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "win32/win32_text.h"

namespace rozovevi::ioserver::com {

// Holds one reference to a COM interface and releases it when it goes.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { reset(); }

  Interface* get() const noexcept { return pointer_; }
  Interface* operator->() const noexcept { return pointer_; }
  Interface& operator*() const noexcept { return *pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }

  void reset() noexcept {
    if (Interface* old = std::exchange(pointer_, nullptr)) old->Release();
  }

  // Releases what is held and returns the slot an out-parameter fills with a new reference.
  Interface** put() noexcept {
    reset();
    return &pointer_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

 private:
  Interface* pointer_ = nullptr;
};

// Owns one BSTR.
class UniqueBstr {
 public:
  UniqueBstr() = default;
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  UniqueBstr(UniqueBstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}
  UniqueBstr& operator=(UniqueBstr&& other) noexcept {
    if (this != &other) {
      reset();
      bstr_ = std::exchange(other.bstr_, nullptr);
    }
    return *this;
  }
  ~UniqueBstr() { reset(); }

  // A new BSTR with exactly these code units, embedded nulls included.
  static UniqueBstr FromText(std::u16string_view text) {
    UniqueBstr result;
    // Allocated uninitialised and filled in place: the BSTR is the one copy of the text.
    result.bstr_ = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    if (result.bstr_ == nullptr) throw std::bad_alloc();
    std::copy(text.begin(), text.end(), result.bstr_);
    result.bstr_[text.size()] = L'\0';  // The terminator every BSTR has room for.
    return result;
  }

  BSTR get() const noexcept { return bstr_; }
  BSTR release() noexcept { return std::exchange(bstr_, nullptr); }
  void reset() noexcept { SysFreeString(std::exchange(bstr_, nullptr)); }

 private:
  BSTR bstr_ = nullptr;
};

// The text of a BSTR by its stored length; a null BSTR is the empty text, as automation treats it.
inline std::u16string BstrText(BSTR bstr) {
  if (bstr == nullptr) return std::u16string();
  return win32::FromWide(std::wstring_view(bstr, SysStringLen(bstr)));
}

// Owns one VARIANT and clears it when it goes.
class UniqueVariant {
 public:
  UniqueVariant() noexcept { VariantInit(&variant_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  UniqueVariant(UniqueVariant&& other) noexcept : variant_(other.variant_) {
    VariantInit(&other.variant_);
  }
  UniqueVariant& operator=(UniqueVariant&& other) noexcept {
    if (this != &other) {
      reset();
      variant_ = other.variant_;
      VariantInit(&other.variant_);
    }
    return *this;
  }
  ~UniqueVariant() { reset(); }

  const VARIANT& get() const noexcept { return variant_; }
  VARIANT* address() noexcept { return &variant_; }

  // Clears what is held and returns the VARIANT an out-parameter fills.
  VARIANT* put() noexcept {
    reset();
    return &variant_;
  }

  // Hands the VARIANT to a caller that clears it, such as the [out] result of IDispatch::Invoke.
  VARIANT release() noexcept {
    const VARIANT out = variant_;
    VariantInit(&variant_);
    return out;
  }

  void reset() noexcept {
    // VariantClear only fails for VARIANTs it cannot free, which this owner never holds.
    VariantClear(&variant_);
    VariantInit(&variant_);
  }

 private:
  VARIANT variant_;
};

// The EXCEPINFO IDispatch::Invoke fills; frees its strings when it goes.
class ExceptionInfo {
 public:
  ExceptionInfo() noexcept = default;
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
  }

  EXCEPINFO* get() noexcept { return &info_; }
  const EXCEPINFO& info() const noexcept { return info_; }

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
