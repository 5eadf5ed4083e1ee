// One connection to a Modbus device, owned: made, connected, closed and freed in one place.
#pragma once

#include <modbus/modbus.h>

#include <memory>
#include <string>
#include <variant>

#include "ioserver/standin/modbus/modbus_address.h"

namespace rozovevi::ioserver::standin::modbus {

// A libmodbus context connected to the item's device, with the item's unit and timeout: the TCP
// connection (for tcp: and rtuovertcp:) or the serial line set up as the address says. Closing
// and freeing happen in the destructor, on every path, so no connection outlives its request.
class Connection {
 public:
  // Connects to item's link, or returns the reason it could not (one line of UTF-8).
  static std::variant<Connection, std::string> Open(const ItemAddress& item);

  Connection(Connection&&) noexcept = default;
  Connection& operator=(Connection&&) noexcept = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  // Closes the connection; the context is then freed.
  ~Connection();

  modbus_t* get() const noexcept { return context_.get(); }
  // The connected socket, or the open serial line.
  int descriptor() const noexcept { return ::modbus_get_socket(context_.get()); }

 private:
  struct Release {
    void operator()(modbus_t* context) const noexcept;
  };
  using Context = std::unique_ptr<modbus_t, Release>;

  explicit Connection(Context context) : context_(std::move(context)) {}

  Context context_;
};

}  // namespace rozovevi::ioserver::standin::modbus
