/* rozovevi_modbus_read HOST PORT UNIT OFFSET: the plainest libmodbus client for one value, the
 * work `rozovevi-io read` does for a MODBUS: address: a new context, connect, one read of one
 * holding register, close, print the value in decimal. Exits 1 if any step fails. */
#include <errno.h>
#include <modbus.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char* argv[]) {
  if (argc != 5) {
    fprintf(stderr, "usage: rozovevi_modbus_read HOST PORT UNIT OFFSET\n");
    return 2;
  }
  modbus_t* ctx = modbus_new_tcp(argv[1], atoi(argv[2]));
  if (ctx == NULL || modbus_set_slave(ctx, atoi(argv[3])) != 0 || modbus_connect(ctx) != 0) {
    fprintf(stderr, "rozovevi_modbus_read: %s\n", modbus_strerror(errno));
    if (ctx != NULL) modbus_free(ctx);
    return 1;
  }
  uint16_t value;
  const int read = modbus_read_registers(ctx, atoi(argv[4]), 1, &value);
  const int error = errno;
  modbus_close(ctx);
  modbus_free(ctx);
  if (read != 1) {
    fprintf(stderr, "rozovevi_modbus_read: %s\n", modbus_strerror(error));
    return 1;
  }
  printf("%u\n", (unsigned)value);
  return 0;
}
