// Keeps COM initialised, apartment-threaded, on the thread that owns the window.
#pragma once

namespace rozovevi::ioserver::com {

class ComApartment {
 public:
  // Raises IoError when COM cannot be initialised on this thread.
  ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment();
};

}  // namespace rozovevi::ioserver::com
