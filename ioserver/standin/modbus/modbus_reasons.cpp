// Every failure of a Modbus request as one line an operator can act on.
#include "ioserver/standin/modbus/modbus_reasons.h"

#include <modbus/modbus.h>

#include <cerrno>
#include <cstring>
#include <iomanip>
#include <sstream>

namespace rozovevi::ioserver::standin::modbus {
namespace {

struct ExceptionText {
  int code;
  const char* name;
  const char* hint;  // What the operator can check; may be empty.
};

// The exceptions by the numbers and names the Modbus protocol and device manuals use.
constexpr ExceptionText kExceptions[] = {
    {MODBUS_EXCEPTION_ILLEGAL_FUNCTION, "illegal function",
     "the device does not support this request on this table"},
    {MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS, "illegal data address", nullptr},  // See below.
    {MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE, "illegal data value",
     "the device refused the value or the number of registers"},
    {MODBUS_EXCEPTION_SLAVE_OR_SERVER_FAILURE, "device failure",
     "the device could not carry out the request"},
    {MODBUS_EXCEPTION_ACKNOWLEDGE, "acknowledge", "the device is still working on it"},
    {MODBUS_EXCEPTION_SLAVE_OR_SERVER_BUSY, "device busy", "try again later"},
    {MODBUS_EXCEPTION_NEGATIVE_ACKNOWLEDGE, "negative acknowledge", ""},
    {MODBUS_EXCEPTION_MEMORY_PARITY, "memory parity error", "the device's memory is faulty"},
    {MODBUS_EXCEPTION_GATEWAY_PATH, "gateway path unavailable",
     "the gateway has no route to that unit"},
    {MODBUS_EXCEPTION_GATEWAY_TARGET, "gateway target did not respond",
     "usually the wrong unit id"},
};

constexpr const char* kTimeoutHint = "check the unit id, the wiring, the baud rate and the parity";
constexpr const char* kDialoutHint =
    "a serial port is usually open to the dialout group only: add the user to it "
    "(sudo adduser $USER dialout) and log in again";

// "hr/120", or "hr/120-121" for a value of two registers.
std::string ItemRange(const ItemAddress& item) {
  std::string text = std::string(NameOf(item.table)) + "/" + std::to_string(item.offset);
  const int width = RegisterCount(item);
  if (width > 1) text += "-" + std::to_string(item.offset + width - 1);
  return text;
}

std::string Seconds(const ItemAddress& item) { return SecondsText(item.timeout); }

std::string Where(const ItemAddress& item) {
  return "unit " + std::to_string(item.unit) + " at " + DescribeLink(item.link);
}

std::string ExceptionReason(const ItemAddress& item, int code) {
  for (const ExceptionText& each : kExceptions) {
    if (each.code != code) continue;
    std::string text =
        std::string(each.name) + " (Modbus exception " + std::to_string(code) + "): ";
    if (code == MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS) {
      return text + "the device has no " + ItemRange(item) +
             " (offsets count from 0: what a manual calls 40001 is hr/0, 30001 ir/0, 10001 di/0, "
             "1 co/0)";
    }
    return *each.hint != '\0' ? text + each.hint : text.substr(0, text.size() - 2);
  }
  return "Modbus exception " + std::to_string(code) + " from " + Where(item);
}

}  // namespace

std::string SecondsText(std::chrono::microseconds timeout) {
  std::ostringstream text;
  text << std::chrono::duration<double>(timeout).count() << " s";
  return text.str();
}

std::string UnknownHostReason(const TcpLink& link, const std::string& detail) {
  return "cannot find the host " + link.host + ": " + detail;
}

std::string SetUpReason(const ItemAddress& item, int error) {
  return "cannot set up a Modbus connection to " + DescribeLink(item.link) + ": " +
         ::modbus_strerror(error);
}

std::string ConnectReason(const ItemAddress& item, int error) {
  const std::string link = DescribeLink(item.link);
  if (std::holds_alternative<RtuLink>(item.link)) {
    const std::string& device = std::get<RtuLink>(item.link).device;
    switch (error) {
      case EACCES:
      case EPERM:
        return "cannot open the serial device " + device + ": permission denied; " + kDialoutHint;
      case ENOENT:
      case ENODEV:
      case ENXIO:
        return "cannot open the serial device " + device + ": no such device (is it plugged in?)";
      case EBUSY:
        return "cannot open the serial device " + device + ": another program is using it";
      case ENOTTY:
      case EINVAL:
        return "cannot use " + device + " as a serial port at " + link + ": " +
               std::strerror(error);
      default:
        return "cannot open the serial device " + device + ": " + std::strerror(error);
    }
  }
  switch (error) {
    case ECONNREFUSED:
      return "connection refused by " + link + ": no Modbus server listens there";
    // libmodbus leaves the errno of a connection attempt that ran out of time.
    case EINPROGRESS:
    case ETIMEDOUT:
      return "timed out after " + Seconds(item) + " connecting to " + link +
             ": check the address and the network";
    default:
      return "cannot connect to " + link + ": " + std::strerror(error);
  }
}

std::string NoMaskWriteReason(const ItemAddress& item) {
  return "illegal function (Modbus exception 1): " + Where(item) +
         " has no mask write (function 22), which writes one bit of a register without touching "
         "the others; nothing was written";
}

std::string RequestReason(const ItemAddress& item, int error) {
  if (error > MODBUS_ENOBASE && error <= EMBXGTAR) {
    return ExceptionReason(item, error - MODBUS_ENOBASE);
  }
  switch (error) {
    case ETIMEDOUT:
      return "timed out after " + Seconds(item) + " waiting for the reply of " + Where(item) +
             ": " + kTimeoutHint;
    case EMBBADCRC:
      return "the reply of " + Where(item) +
             " had a bad CRC: check the baud rate, the parity and the wiring";
    case EMBBADDATA:
    case EMBBADEXC:
    case EMBUNKEXC:
    case EMBMDATA:
    case EMBBADSLAVE:
      return "the reply of " + Where(item) + " is not a valid answer: " + ::modbus_strerror(error);
    case ECONNRESET:
    case EPIPE:
      return "the connection to " + DescribeLink(item.link) + " broke: the device closed it";
    default:
      return "the request to " + Where(item) + " failed: " + ::modbus_strerror(error);
  }
}

}  // namespace rozovevi::ioserver::standin::modbus
