// The reasons a Modbus read or write failed, worded for the operator: what happened, and what
// to check.
#pragma once

#include <chrono>
#include <string>

#include "ioserver/standin/modbus/modbus_address.h"

namespace rozovevi::ioserver::standin::modbus {

// A timeout as reasons and traces write it: "1 s", "0.25 s".
std::string SecondsText(std::chrono::microseconds timeout);

// The host of link could not be looked up; detail is the resolver's own text.
std::string UnknownHostReason(const TcpLink& link, const std::string& detail);
// libmodbus refused to make a context for item (errno error).
std::string SetUpReason(const ItemAddress& item, int error);
// Connecting to item's link failed with errno error: refused, timed out, or a serial device that
// cannot be opened (with a hint about the dialout group where permission was denied).
std::string ConnectReason(const ItemAddress& item, int error);
// The request on an open connection failed with errno error: a Modbus exception by its name and
// number, a timeout, a bad CRC, an invalid reply, a broken connection.
std::string RequestReason(const ItemAddress& item, int error);
// The device answered a mask write (the write of a bit of a register) with "illegal function".
std::string NoMaskWriteReason(const ItemAddress& item);

}  // namespace rozovevi::ioserver::standin::modbus
