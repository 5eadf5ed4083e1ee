// What the Read and Write actions use of the main window frmROZoveVI.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "ioserver/status.h"

namespace rozovevi::actions {

// Message box styles: icon kind and button set, numbered as the platform numbers them.
enum class MessageStyle : int {
  kCriticalOk = 16,
  kCriticalYesNo = 20,  // Yes is the first and default button.
  kExclamationOk = 48,
};

// The button an operator pressed to close a message box, numbered as the platform numbers them.
enum class MessageAnswer : int {
  kOk = 1,
  kCancel = 2,
  kYes = 6,
  kNo = 7,
};

// The window as the actions see it. Each front-end implements it over its own widgets; tests
// implement it with a recording fake. All calls come on the window's thread.
class MainWindowSurface {
 public:
  MainWindowSurface() = default;
  MainWindowSurface(const MainWindowSurface&) = delete;
  MainWindowSurface& operator=(const MainWindowSurface&) = delete;
  virtual ~MainWindowSurface() = default;

  // The whole text of txtAddress, exactly as typed.
  virtual std::u16string AddressText() const = 0;
  // Calls use with the whole text of txtValue, exactly as typed. The view is valid only while
  // use runs; lending it, instead of returning a copy, lets a large value be written from where
  // the window keeps it.
  virtual void WithValueText(const std::function<void(std::u16string_view)>& use) const = 0;
  // Replaces the whole text of txtValue with text, which the window takes over: a front-end that
  // keeps UTF-16 text keeps this string, and one that must convert it may release it as soon as
  // it has done so.
  virtual void SetValueText(std::u16string text) = 0;

  // Enables or disables cmdRead and cmdWrite.
  virtual void SetReadEnabled(bool enabled) = 0;
  virtual void SetWriteEnabled(bool enabled) = 0;

  // Moves the keyboard focus to cmdRead.
  virtual void FocusRead() = 0;

  // Shows a modal message box titled with the program name and returns the button pressed.
  virtual MessageAnswer ShowMessage(std::u16string_view prompt, MessageStyle style) = 0;

  // Shows prompt, the report of a call the server answered as failed, while the server object is
  // still held. failure is what the server said of it: its reason (empty when it gives none) and
  // whether repeating the call could succeed. The default shows prompt as a critical OK message
  // and leaves the reason out, as the windows do.
  virtual void ShowCallFailure(std::u16string_view prompt, const ioserver::Status& failure) {
    static_cast<void>(failure);
    ShowMessage(prompt, MessageStyle::kCriticalOk);
  }

  // The window's field blnWriteWarned: False when the window is created.
  virtual bool WriteWarned() const = 0;
  virtual void SetWriteWarned(bool warned) = 0;
};

}  // namespace rozovevi::actions
