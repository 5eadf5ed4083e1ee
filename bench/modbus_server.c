/* rozovevi_modbus_server [SECONDS [rtu]]: a Modbus TCP server on 127.0.0.1 for the read
 * benchmark. Listens on a free port, prints that port on one line, then answers one client after
 * another from a table of holding registers whose register N holds 1000 + N: in TCP ADUs, or with
 * "rtu" in RTU frames on the TCP stream (unit 1), as a serial device server passes them on.
 * Serves until it is killed, and at most SECONDS (600) in all: the alarm ends it should whoever
 * started it not. */
#include <errno.h>
#include <modbus.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

enum {
  kRegisters = 16,
  kFirstValue = 1000,
  kDefaultSeconds = 600,
  kMaxSeconds = 3600,
  kRtuUnit = 1
};

static int Fail(const char* what) {
  fprintf(stderr, "rozovevi_modbus_server: %s: %s\n", what, modbus_strerror(errno));
  return 1;
}

int main(int argc, char* argv[]) {
  const long seconds = argc > 1 ? strtol(argv[1], NULL, 10) : kDefaultSeconds;
  const int rtu_frames = argc > 2 && strcmp(argv[2], "rtu") == 0;
  if (argc > 3 || (argc > 2 && !rtu_frames) || seconds <= 0 || seconds > kMaxSeconds) {
    fprintf(stderr, "usage: rozovevi_modbus_server [SECONDS, 1-%d [rtu]]\n", kMaxSeconds);
    return 2;
  }
  alarm((unsigned)seconds);

  modbus_t* ctx = modbus_new_tcp("127.0.0.1", 0);
  if (ctx == NULL) return Fail("modbus_new_tcp");
  modbus_mapping_t* map = modbus_mapping_new(0, 0, kRegisters, 0);
  if (map == NULL) return Fail("modbus_mapping_new");
  for (int i = 0; i < kRegisters; ++i) map->tab_registers[i] = (uint16_t)(kFirstValue + i);

  const int listener = modbus_tcp_listen(ctx, 1);
  if (listener < 0) return Fail("modbus_tcp_listen");
  struct sockaddr_in bound;
  socklen_t bound_size = sizeof bound;
  if (getsockname(listener, (struct sockaddr*)&bound, &bound_size) != 0) {
    return Fail("getsockname");
  }
  printf("%d\n", ntohs(bound.sin_port));
  fflush(stdout);

  /* RTU frames: libmodbus's RTU server on the accepted socket, which it reads and writes as a
   * serial line. */
  modbus_t* rtu = rtu_frames ? modbus_new_rtu("/dev/null", 19200, 'N', 8, 1) : NULL;
  if (rtu_frames && (rtu == NULL || modbus_set_slave(rtu, kRtuUnit) != 0)) {
    return Fail("modbus_new_rtu");
  }
  modbus_t* server = rtu_frames ? rtu : ctx;
  uint8_t query[MODBUS_MAX_ADU_LENGTH];
  for (;;) {
    int listening = listener;
    const int client = modbus_tcp_accept(ctx, &listening);
    if (client < 0) continue;
    modbus_set_socket(server, client);
    int length;
    while ((length = modbus_receive(server, query)) >= 0) {
      if (length > 0) modbus_reply(server, query, length, map);
    }
    close(client);
  }
}
