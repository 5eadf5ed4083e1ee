// Real Modbus servers for the client's tests, run by libmodbus in a thread of the test process:
// one on TCP at 127.0.0.1 (or [::1]), one on RTU over a pseudo-terminal. Each can answer,
// answer with an exception, never answer, or (RTU) answer with a bad CRC, and records every
// request as the bytes that arrived. Every wait inside is bounded; destroying one stops it.
#pragma once

#include <modbus/modbus.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rozovevi::ioserver::standin::modbus::testing_support {

enum class Behaviour { kAnswer, kException, kNeverAnswer, kBadCrc };

// How many of each table the servers hold, all starting at 0.
inline constexpr int kItemsPerTable = 100;

// The serial settings seen on the device while a request arrived, where the kernel keeps them
// for a pseudo-terminal (speed and stop bits; parity and data bits may be dropped there).
struct LineSettings {
  unsigned speed = 0;  // A B* constant.
  bool two_stop_bits = false;
};

class TestServer {
 public:
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;
  virtual ~TestServer();

  // What the server holds and how it answers; set before a request.
  void SetHolding(int offset, std::vector<std::uint16_t> registers);
  void SetInput(int offset, std::vector<std::uint16_t> registers);
  void SetCoil(int offset, bool on);
  void SetDiscrete(int offset, bool on);
  std::vector<std::uint16_t> Holding(int offset, int count) const;
  bool Coil(int offset) const;
  void Answer(Behaviour behaviour, int exception = 0);

  // Every request as it arrived: for TCP the whole ADU (MBAP header first), for RTU the frame.
  std::vector<std::vector<std::uint8_t>> Requests() const;

 protected:
  // Takes over context (never connected: it serves a descriptor given to Serve).
  TestServer(modbus_t* context, int unit);
  // Serves requests on descriptor until the client closes it (then true) or the server stops.
  bool Serve(int descriptor);
  // Whether a request is addressed to this server's unit. libmodbus ignores other units on RTU
  // itself; on TCP a gateway answers them with exception 11.
  virtual bool ForThisUnit(const std::uint8_t* request) const = 0;
  // Called as each request arrives.
  virtual void NoteRequest() {}
  // A reply with the wrong CRC, sent by hand (RTU only).
  virtual void SendBadCrc(int descriptor, const std::uint8_t* request) = 0;

  int unit() const { return unit_; }

  std::atomic<bool> stopping_{false};
  std::thread thread_;  // Started by the derived class; joined by Stop.
  void Stop();

 private:
  modbus_t* context_;
  modbus_mapping_t* mapping_;
  int unit_;
  mutable std::mutex mutex_;
  Behaviour behaviour_ = Behaviour::kAnswer;
  int exception_ = 0;
  std::vector<std::vector<std::uint8_t>> requests_;
};

enum class Frames { kTcp, kRtu };

class TcpTestServer final : public TestServer {
 public:
  // Listens on an ephemeral port of 127.0.0.1 (ipv6: [::1]), for requests to unit, in TCP ADUs
  // or (Frames::kRtu) in RTU frames on the TCP stream, as a serial device server passes them.
  explicit TcpTestServer(int unit, bool ipv6 = false, Frames frames = Frames::kTcp);
  ~TcpTestServer() override;

  std::uint16_t port() const { return port_; }
  int accepted() const { return accepted_; }
  int closed_by_client() const { return closed_; }
  // Waits, at most for limit, until every accepted connection has been closed by the client.
  bool AllClosedWithin(std::chrono::milliseconds limit) const;

 private:
  bool ForThisUnit(const std::uint8_t* request) const override;
  void SendBadCrc(int descriptor, const std::uint8_t* request) override;
  void Run();

  Frames frames_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<int> accepted_{0};
  std::atomic<int> closed_{0};
};

class RtuTestServer final : public TestServer {
 public:
  // Opens a pseudo-terminal pair and serves unit on its master side; clients open device().
  explicit RtuTestServer(int unit);
  ~RtuTestServer() override;

  const std::string& device() const { return device_; }
  // Puts bytes on the line towards the client unasked, as a late reply of an earlier request.
  void SendUnasked(const std::vector<std::uint8_t>& bytes);
  // The line settings at the arrival of the last request.
  LineSettings LastLineSettings() const;

 private:
  bool ForThisUnit(const std::uint8_t*) const override { return true; }
  void NoteRequest() override;
  void SendBadCrc(int descriptor, const std::uint8_t* request) override;

  int master_ = -1;
  int slave_ = -1;  // Kept open so that the master side never reads end of file between clients.
  std::string device_;
  std::atomic<unsigned> speed_{0};
  std::atomic<bool> two_stop_bits_{false};
};

// One piece of a scripted reply: bytes sent after a pause.
struct ReplyPiece {
  std::vector<std::uint8_t> bytes;
  std::chrono::milliseconds pause{0};
};

// A misbehaving device on 127.0.0.1, for faults no real server makes on purpose: for each
// connection it reads one request (bytes until a pause of 50 ms), sends the pieces of its script,
// then shuts its side of the connection unless hold_open, and waits for the client to close its
// own, at most 5 s.
class ScriptedTcpServer {
 public:
  ScriptedTcpServer(std::vector<ReplyPiece> script, bool hold_open);
  ScriptedTcpServer(const ScriptedTcpServer&) = delete;
  ScriptedTcpServer& operator=(const ScriptedTcpServer&) = delete;
  ~ScriptedTcpServer();

  std::uint16_t port() const { return port_; }
  std::vector<std::vector<std::uint8_t>> Requests() const;
  // Waits, at most for limit, until the client has closed every connection.
  bool AllClosedWithin(std::chrono::milliseconds limit) const;

 private:
  void Run();
  void Serve(int connection);

  std::vector<ReplyPiece> script_;
  bool hold_open_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> accepted_{0};
  std::atomic<int> closed_{0};
  mutable std::mutex mutex_;
  std::vector<std::vector<std::uint8_t>> requests_;
  std::thread thread_;
};

// A TCP port on 127.0.0.1 that nothing listens on: bound for a moment, then let go.
std::uint16_t ClosedPort();

}  // namespace rozovevi::ioserver::standin::modbus::testing_support
