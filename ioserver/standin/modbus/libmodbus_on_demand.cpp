// The libmodbus functions the MODBUS: kind calls, loaded from the library at the first call, so
// that a program reading a file never loads libmodbus. The programs link this in place of the
// library itself (see ioserver/standin/CMakeLists.txt); the declarations come from its header, so
// a change of signature fails the build here.
#include <modbus/modbus.h>

#include <cerrno>
#include <cstring>

#include "ioserver/standin/shared_library.h"

namespace {

using rozovevi::ioserver::standin::posix::SharedLibrary;

// The library the header belongs to: the soname of libmodbus 3.1.
constexpr char kLibmodbus[] = "libmodbus.so.5";

const SharedLibrary& Libmodbus() {
  static const SharedLibrary library(ROZOVEVI_LIBMODBUS_DIR, kLibmodbus);
  return library;
}

template <typename Function>
Function* Find(const char* name) {
  return Libmodbus().Find<Function>(name);
}

// What a call returns when the library cannot be had: libmodbus's own failure, with errno saying
// why, which modbus_strerror below puts in words.
template <typename Result>
Result Unavailable(Result failed) {
  errno = ELIBACC;
  return failed;
}

}  // namespace

extern "C" {

modbus_t* modbus_new_tcp(const char* ip_address, int port) {
  static auto* const real = Find<decltype(modbus_new_tcp)>("modbus_new_tcp");
  return real != nullptr ? real(ip_address, port) : Unavailable<modbus_t*>(nullptr);
}

modbus_t* modbus_new_tcp_pi(const char* node, const char* service) {
  static auto* const real = Find<decltype(modbus_new_tcp_pi)>("modbus_new_tcp_pi");
  return real != nullptr ? real(node, service) : Unavailable<modbus_t*>(nullptr);
}

modbus_t* modbus_new_rtu(const char* device, int baud, char parity, int data_bit, int stop_bit) {
  static auto* const real = Find<decltype(modbus_new_rtu)>("modbus_new_rtu");
  return real != nullptr ? real(device, baud, parity, data_bit, stop_bit)
                         : Unavailable<modbus_t*>(nullptr);
}

int modbus_set_slave(modbus_t* ctx, int slave) {
  static auto* const real = Find<decltype(modbus_set_slave)>("modbus_set_slave");
  return real != nullptr ? real(ctx, slave) : Unavailable(-1);
}

int modbus_set_response_timeout(modbus_t* ctx, uint32_t to_sec, uint32_t to_usec) {
  static auto* const real =
      Find<decltype(modbus_set_response_timeout)>("modbus_set_response_timeout");
  return real != nullptr ? real(ctx, to_sec, to_usec) : Unavailable(-1);
}

int modbus_set_byte_timeout(modbus_t* ctx, uint32_t to_sec, uint32_t to_usec) {
  static auto* const real = Find<decltype(modbus_set_byte_timeout)>("modbus_set_byte_timeout");
  return real != nullptr ? real(ctx, to_sec, to_usec) : Unavailable(-1);
}

int modbus_connect(modbus_t* ctx) {
  static auto* const real = Find<decltype(modbus_connect)>("modbus_connect");
  return real != nullptr ? real(ctx) : Unavailable(-1);
}

// A context exists only where the library was loaded, so these two always find theirs.
void modbus_close(modbus_t* ctx) {
  static auto* const real = Find<decltype(modbus_close)>("modbus_close");
  if (real != nullptr) real(ctx);
}

void modbus_free(modbus_t* ctx) {
  static auto* const real = Find<decltype(modbus_free)>("modbus_free");
  if (real != nullptr) real(ctx);
}

// Also words the failure to load the library, as the dynamic loader gave it.
const char* modbus_strerror(int errnum) {
  static auto* const real = Find<decltype(modbus_strerror)>("modbus_strerror");
  if (real != nullptr) return real(errnum);
  if (errnum == ELIBACC && !Libmodbus().failure().empty()) return Libmodbus().failure().c_str();
  return std::strerror(errnum);
}

int modbus_get_socket(modbus_t* ctx) {
  static auto* const real = Find<decltype(modbus_get_socket)>("modbus_get_socket");
  return real != nullptr ? real(ctx) : Unavailable(-1);
}

}  // extern "C"
