/* rozovevi_opcua_read HOST PORT NAMESPACE NUMBER: the plainest C client for one value of an OPC UA
 * server, the exchange `rozovevi-io read` makes for an OPC: address, with hand-built bytes and
 * no library: connect, Hello and Acknowledge, OpenSecureChannel (None), CreateSession (the
 * anonymous policy id taken from the None endpoint it lists), ActivateSession, one Read of the
 * Value attribute of ns=NAMESPACE;i=NUMBER, CloseSession, CloseSecureChannel, close; then prints
 * the value (Boolean, integers, Float, Double, String) on one line, numbers as the shortest text
 * that reads back the same. Replies must come in one chunk. Exits 1 if any step fails. */
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

enum {
  kBufferSize = 65535,
  kMaxMessage = 16 * 1024 * 1024,
  kTimeoutSeconds = 5,
  kTimeoutHintMs = 5000,
  /* Binary encoding ids of the services' requests and responses. */
  kOpenRequest = 446, kOpenResponse = 449, kCloseChannelRequest = 452,
  kCreateRequest = 461, kCreateResponse = 464, kActivateRequest = 467, kActivateResponse = 470,
  kCloseSessionRequest = 473, kCloseSessionResponse = 476, kReadRequest = 631, kReadResponse = 634,
  kAnonymousToken = 321,
  kAttributeValue = 13,
  kTimestampsNeither = 3,
  kSecurityModeNone = 1,
  kTokenAnonymous = 0,
};
static const char kPolicyNone[] = "http://opcfoundation.org/UA/SecurityPolicy#None";

/* A growing output message, and a reader over a received one. */
typedef struct { unsigned char* data; size_t size, capacity; } Out;
typedef struct { const unsigned char* data; size_t size, at; int bad; } In;

static void fail(const char* what) {
  fprintf(stderr, "rozovevi_opcua_read: %s\n", what);
  exit(1);
}

static void put(Out* o, const void* bytes, size_t n) {
  if (o->size + n > o->capacity) {
    o->capacity = (o->size + n) * 2;
    o->data = realloc(o->data, o->capacity);
    if (o->data == NULL) fail("out of memory");
  }
  memcpy(o->data + o->size, bytes, n);
  o->size += n;
}
static void u8(Out* o, uint8_t v) { put(o, &v, 1); }
static void u16(Out* o, uint16_t v) { u8(o, v & 0xff); u8(o, v >> 8); }
static void u32(Out* o, uint32_t v) { u16(o, v & 0xffff); u16(o, v >> 16); }
static void u64(Out* o, uint64_t v) { u32(o, (uint32_t)v); u32(o, (uint32_t)(v >> 32)); }
static void f64(Out* o, double v) { uint64_t b; memcpy(&b, &v, 8); u64(o, b); }
static void str(Out* o, const char* s) {
  if (s == NULL) { u32(o, 0xffffffffu); return; }
  u32(o, (uint32_t)strlen(s));
  put(o, s, strlen(s));
}
static void numeric_id(Out* o, uint16_t ns, uint32_t id) { /* Four-byte or full numeric form. */
  if (ns <= 255 && id <= 65535) { u8(o, 1); u8(o, (uint8_t)ns); u16(o, (uint16_t)id); }
  else { u8(o, 2); u16(o, ns); u32(o, id); }
}
static uint64_t now_datetime(void) { /* 100 ns intervals since 1601-01-01. */
  struct timespec t;
  clock_gettime(CLOCK_REALTIME, &t);
  return ((uint64_t)t.tv_sec + 11644473600ull) * 10000000ull + (uint64_t)t.tv_nsec / 100;
}
static void request_header(Out* o, const Out* token, uint32_t handle) {
  if (token->size == 0) { u8(o, 0); u8(o, 0); } else put(o, token->data, token->size);
  u64(o, now_datetime());
  u32(o, handle);
  u32(o, 0);       /* Return diagnostics. */
  str(o, NULL);    /* Audit entry id. */
  u32(o, kTimeoutHintMs);
  u8(o, 0); u8(o, 0); u8(o, 0); /* No additional header. */
}

static const unsigned char* take(In* in, size_t n) {
  if (in->bad || in->size - in->at < n) { in->bad = 1; return NULL; }
  in->at += n;
  return in->data + in->at - n;
}
static uint32_t g8(In* in) { const unsigned char* p = take(in, 1); return p ? p[0] : 0; }
static uint32_t g16(In* in) { const unsigned char* p = take(in, 2); return p ? p[0] | p[1] << 8 : 0; }
static uint32_t g32(In* in) {
  const unsigned char* p = take(in, 4);
  return p ? (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24 : 0;
}
static uint64_t g64(In* in) { uint64_t lo = g32(in); return lo | (uint64_t)g32(in) << 32; }
/* A String or ByteString: its bytes (NULL for null) and length. */
static const unsigned char* gstr(In* in, int32_t* n) {
  *n = (int32_t)g32(in);
  if (*n <= 0) return NULL;
  return take(in, (size_t)*n);
}
static void skip_str(In* in) { int32_t n; gstr(in, &n); }
static void skip_nodeid(In* in) {
  const uint32_t kind = g8(in) & 0x3f;
  if (kind == 0) take(in, 1);
  else if (kind == 1) take(in, 3);
  else if (kind == 2) take(in, 6);
  else if (kind == 3 || kind == 5) { take(in, 2); skip_str(in); }
  else if (kind == 4) take(in, 18);
  else in->bad = 1;
}
static void skip_localized(In* in) {
  const uint32_t mask = g8(in);
  if (mask & 1) skip_str(in);
  if (mask & 2) skip_str(in);
}
static void skip_diagnostics(In* in) {
  const uint32_t mask = g8(in);
  for (int bit = 0; bit < 4; ++bit) if (mask & (1u << bit)) g32(in);
  if (mask & 0x10) skip_str(in);
  if (mask & 0x20) g32(in);
  if (mask & 0x40) skip_diagnostics(in);
}
static void skip_extension(In* in) {
  skip_nodeid(in);
  if (g8(in) != 0) skip_str(in);
}
/* The response header; fails on a Bad service result. */
static void response_header(In* in, uint32_t expected_type) {
  if (g8(in) != 1 || g8(in) != 0 || g16(in) != expected_type) fail("unexpected response type");
  g64(in); g32(in);
  const uint32_t result = g32(in);
  skip_diagnostics(in);
  const int32_t strings = (int32_t)g32(in);
  for (int32_t i = 0; i < strings && !in->bad; ++i) skip_str(in);
  skip_extension(in);
  if (in->bad) fail("malformed response header");
  if (result & 0x80000000u) {
    fprintf(stderr, "rozovevi_opcua_read: service result 0x%08X\n", result);
    exit(1);
  }
}

static int sock = -1;
static uint32_t channel_id = 0, token_id = 0, sequence = 0, request_id = 0;
static unsigned char* reply = NULL;

static void send_all(const Out* o) {
  size_t sent = 0;
  while (sent < o->size) {
    const ssize_t n = send(sock, o->data + sent, o->size - sent, MSG_NOSIGNAL);
    if (n <= 0) fail("send failed");
    sent += (size_t)n;
  }
}
static void receive_all(unsigned char* into, size_t n) {
  size_t got = 0;
  while (got < n) {
    const ssize_t r = recv(sock, into + got, n - got, 0);
    if (r <= 0) fail("connection closed or timed out");
    got += (size_t)r;
  }
}
/* Receives one whole message of type (e.g. "ACK"); returns a reader after its 8-byte header. */
static In receive_message(const char* type) {
  unsigned char header[8];
  receive_all(header, 8);
  const uint32_t size = header[4] | header[5] << 8 | header[6] << 16 | (uint32_t)header[7] << 24;
  if (size < 8 || size > kMaxMessage) fail("bad message size");
  reply = realloc(reply, size);
  if (reply == NULL) fail("out of memory");
  receive_all(reply, size - 8);
  if (memcmp(header, "ERR", 3) == 0) {
    In err = {reply, size - 8, 0, 0};
    const uint32_t status = g32(&err);
    fprintf(stderr, "rozovevi_opcua_read: server error 0x%08X\n", status);
    exit(1);
  }
  if (memcmp(header, type, 3) != 0 || header[3] != 'F') fail("unexpected message");
  In in = {reply, size - 8, 0, 0};
  return in;
}
/* Frames a service request as one MSG (or OPN/CLO) chunk and sends it. */
static void send_chunk(const char* type, const Out* body) {
  Out m = {0};
  put(&m, type, 3);
  u8(&m, 'F');
  u32(&m, 0); /* Size, filled in below. */
  u32(&m, channel_id);
  if (type[0] == 'O') {
    str(&m, kPolicyNone);
    str(&m, NULL); /* Sender certificate. */
    str(&m, NULL); /* Receiver certificate thumbprint. */
  } else {
    u32(&m, token_id);
  }
  u32(&m, ++sequence);
  u32(&m, ++request_id);
  put(&m, body->data, body->size);
  const uint32_t size = (uint32_t)m.size;
  memcpy(m.data + 4, &size, 4); /* Little-endian hosts only, as this machine is. */
  send_all(&m);
  free(m.data);
}
/* Receives a MSG or OPN reply and checks its channel, sequence and request id. */
static In receive_reply(const char* type) {
  In in = receive_message(type);
  if (g32(&in) != channel_id && type[0] != 'O') fail("wrong secure channel");
  if (type[0] == 'O') {
    channel_id = in.data[0] | in.data[1] << 8 | in.data[2] << 16 | (uint32_t)in.data[3] << 24;
    skip_str(&in); skip_str(&in); skip_str(&in);
  } else if (g32(&in) != token_id) {
    fail("wrong token");
  }
  g32(&in); /* The server's sequence number. */
  if (g32(&in) != request_id) fail("wrong request id");
  return in;
}

static void print_shortest(double v, int max_digits) {
  char text[40];
  for (int digits = 1; digits <= max_digits; ++digits) {
    snprintf(text, sizeof text, "%.*g", digits, v);
    if (max_digits == 9 ? (float)strtod(text, NULL) == (float)v : strtod(text, NULL) == v) break;
  }
  printf("%s\n", text);
}

int main(int argc, char* argv[]) {
  if (argc != 5) {
    fprintf(stderr, "usage: rozovevi_opcua_read HOST PORT NAMESPACE NUMBER\n");
    return 2;
  }
  char url[300];
  const int ipv6 = strchr(argv[1], ':') != NULL;
  snprintf(url, sizeof url, ipv6 ? "opc.tcp://[%s]:%s" : "opc.tcp://%s:%s", argv[1], argv[2]);
  const uint16_t ns = (uint16_t)atoi(argv[3]);
  const uint32_t number = (uint32_t)strtoul(argv[4], NULL, 10);

  struct addrinfo hints = {0}, *found = NULL;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  if (getaddrinfo(argv[1], argv[2], &hints, &found) != 0) fail("bad address");
  sock = socket(found->ai_family, SOCK_STREAM, 0);
  const struct timeval limit = {kTimeoutSeconds, 0};
  const int one = 1;
  setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (sock < 0 || connect(sock, found->ai_addr, found->ai_addrlen) != 0) fail("cannot connect");
  freeaddrinfo(found);

  /* Hello, Acknowledge. */
  Out m = {0};
  put(&m, "HELF", 4); u32(&m, 0);
  u32(&m, 0); u32(&m, kBufferSize); u32(&m, kBufferSize); u32(&m, kMaxMessage); u32(&m, 0);
  str(&m, url);
  memcpy(m.data + 4, &(uint32_t){(uint32_t)m.size}, 4);
  send_all(&m);
  In ack = receive_message("ACK");
  g32(&ack);
  if (g32(&ack) > kBufferSize || ack.bad) fail("bad Acknowledge");

  const Out no_token = {0};
  Out body = {0};
  /* OpenSecureChannel. */
  numeric_id(&body, 0, kOpenRequest);
  request_header(&body, &no_token, 1);
  u32(&body, 0);                 /* Client protocol version. */
  u32(&body, 0);                 /* Issue. */
  u32(&body, kSecurityModeNone);
  str(&body, NULL);              /* Client nonce. */
  u32(&body, 600000);            /* Requested lifetime, ms. */
  send_chunk("OPN", &body);
  In in = receive_reply("OPN");
  response_header(&in, kOpenResponse);
  g32(&in);                      /* Server protocol version. */
  channel_id = g32(&in);
  token_id = g32(&in);
  if (in.bad) fail("malformed OpenSecureChannel response");

  /* CreateSession. */
  body.size = 0;
  numeric_id(&body, 0, kCreateRequest);
  request_header(&body, &no_token, 2);
  str(&body, "urn:rozovevi:bench:c-reader"); str(&body, "urn:rozovevi:bench");
  u8(&body, 2); str(&body, "rozovevi_opcua_read"); /* Application name: text only. */
  u32(&body, 1);                 /* Client. */
  str(&body, NULL); str(&body, NULL); u32(&body, 0xffffffffu);
  str(&body, NULL);              /* Server URI. */
  str(&body, url);
  str(&body, "rozovevi_opcua_read");
  str(&body, NULL);              /* Client nonce. */
  str(&body, NULL);              /* Client certificate. */
  f64(&body, 60000.0);
  u32(&body, kMaxMessage);
  send_chunk("MSG", &body);
  in = receive_reply("MSG");
  response_header(&in, kCreateResponse);
  skip_nodeid(&in);              /* Session id. */
  const size_t token_at = in.at;
  skip_nodeid(&in);
  Out token = {0};
  if (!in.bad) put(&token, in.data + token_at, in.at - token_at);
  take(&in, 8);                  /* Revised timeout. */
  skip_str(&in); skip_str(&in);  /* Server nonce and certificate. */
  char policy[256] = "";
  const int32_t endpoints = (int32_t)g32(&in);
  for (int32_t e = 0; e < endpoints && !in.bad; ++e) {
    skip_str(&in);               /* Endpoint URL. */
    skip_str(&in); skip_str(&in); skip_localized(&in); g32(&in); skip_str(&in); skip_str(&in);
    const int32_t urls = (int32_t)g32(&in);
    for (int32_t u = 0; u < urls && !in.bad; ++u) skip_str(&in);
    skip_str(&in);               /* Server certificate. */
    const uint32_t mode = g32(&in);
    int32_t n;
    const unsigned char* uri = gstr(&in, &n);
    const int none = mode == kSecurityModeNone && uri != NULL &&
                     (size_t)n == strlen(kPolicyNone) && memcmp(uri, kPolicyNone, (size_t)n) == 0;
    const int32_t tokens = (int32_t)g32(&in);
    for (int32_t t = 0; t < tokens && !in.bad; ++t) {
      int32_t id_length;
      const unsigned char* id = gstr(&in, &id_length);
      const uint32_t type = g32(&in);
      skip_str(&in); skip_str(&in); skip_str(&in);
      if (none && type == kTokenAnonymous && policy[0] == '\0' && id != NULL &&
          id_length < (int32_t)sizeof policy) {
        memcpy(policy, id, (size_t)id_length);
        policy[id_length] = '\0';
      }
    }
    skip_str(&in);               /* Transport profile. */
    g8(&in);                     /* Security level. */
  }
  if (in.bad || token.size == 0) fail("malformed CreateSession response");
  if (policy[0] == '\0') fail("the server lists no anonymous token on a None endpoint");

  /* ActivateSession, anonymous. */
  body.size = 0;
  numeric_id(&body, 0, kActivateRequest);
  request_header(&body, &token, 3);
  str(&body, NULL); str(&body, NULL);         /* Client signature. */
  u32(&body, 0xffffffffu);                    /* Software certificates. */
  u32(&body, 0xffffffffu);                    /* Locale ids. */
  numeric_id(&body, 0, kAnonymousToken);
  u8(&body, 1);
  u32(&body, (uint32_t)(4 + strlen(policy)));
  str(&body, policy);
  str(&body, NULL); str(&body, NULL);         /* User token signature. */
  send_chunk("MSG", &body);
  in = receive_reply("MSG");
  response_header(&in, kActivateResponse);

  /* Read the Value attribute. */
  body.size = 0;
  numeric_id(&body, 0, kReadRequest);
  request_header(&body, &token, 4);
  f64(&body, 0.0);
  u32(&body, kTimestampsNeither);
  u32(&body, 1);
  numeric_id(&body, ns, number);
  u32(&body, kAttributeValue);
  str(&body, NULL);                           /* Index range. */
  u16(&body, 0); str(&body, NULL);            /* Data encoding. */
  send_chunk("MSG", &body);
  in = receive_reply("MSG");
  response_header(&in, kReadResponse);
  char value[512] = "";
  double number_value = 0;
  int digits = 0;
  if (g32(&in) != 1) fail("not one result");
  const uint32_t mask = g8(&in);
  if (mask & 0x02) {
    fprintf(stderr, "rozovevi_opcua_read: status 0x%08X\n", g32(&in));
    exit(1);
  }
  if (!(mask & 0x01)) fail("no value");
  const uint32_t type = g8(&in);
  if (type & 0xc0) fail("an array");
  switch (type) {
    case 1: snprintf(value, sizeof value, "%s", g8(&in) ? "true" : "false"); break;
    case 2: snprintf(value, sizeof value, "%d", (int8_t)g8(&in)); break;
    case 3: snprintf(value, sizeof value, "%u", g8(&in)); break;
    case 4: snprintf(value, sizeof value, "%d", (int16_t)g16(&in)); break;
    case 5: snprintf(value, sizeof value, "%u", g16(&in)); break;
    case 6: snprintf(value, sizeof value, "%d", (int32_t)g32(&in)); break;
    case 7: snprintf(value, sizeof value, "%u", g32(&in)); break;
    case 8: snprintf(value, sizeof value, "%lld", (long long)(int64_t)g64(&in)); break;
    case 9: snprintf(value, sizeof value, "%llu", (unsigned long long)g64(&in)); break;
    case 10: { uint32_t b = g32(&in); float f; memcpy(&f, &b, 4); number_value = f; digits = 9; break; }
    case 11: { uint64_t b = g64(&in); memcpy(&number_value, &b, 8); digits = 17; break; }
    case 12: {
      int32_t n;
      const unsigned char* s = gstr(&in, &n);
      if (s != NULL && (size_t)n < sizeof value) memcpy(value, s, (size_t)n);
      break;
    }
    default: fail("a type this reader does not print");
  }
  if (in.bad) fail("malformed Read response");

  /* CloseSession, CloseSecureChannel. */
  body.size = 0;
  numeric_id(&body, 0, kCloseSessionRequest);
  request_header(&body, &token, 5);
  u8(&body, 1);                               /* Delete subscriptions. */
  send_chunk("MSG", &body);
  in = receive_reply("MSG");
  response_header(&in, kCloseSessionResponse);
  body.size = 0;
  numeric_id(&body, 0, kCloseChannelRequest);
  request_header(&body, &no_token, 6);
  send_chunk("CLO", &body);
  close(sock);

  if (digits) print_shortest(number_value, digits); else printf("%s\n", value);
  free(body.data); free(token.data); free(m.data); free(reply);
  return 0;
}
