// GoogleTest's hook for a platform's own definitions, found ahead of the sources' empty one.
//
// GoogleTest's Notification, with which it starts its threads on Windows, waits on std::mutex and
// std::condition_variable, which MinGW's C++ library lacks in the Windows thread model that the
// program is built with. This one waits on a Windows event instead.
#ifndef GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_
#define GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_

#include <windows.h>

#include <system_error>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

// Lets a controller thread hold newly created threads until it notifies them.
class Notification {
 public:
  Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (event_ == nullptr) {
      throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                              "CreateEventW");
    }
  }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  ~Notification() { CloseHandle(event_); }

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace testing::internal

#endif  // GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_
