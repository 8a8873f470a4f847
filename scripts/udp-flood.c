/* Sends 100-byte UDP datagrams to 127.0.0.1:PORT at RATE per second for
   SECONDS, paced by the millisecond, each millisecond's datagrams handed to
   the kernel with sendmmsg in batches of up to 64. A socket bound to the port
   (never read) keeps the host from answering with ICMP. Prints the datagrams
   sent and the seconds it took.
   Usage: udp-flood RATE SECONDS [PORT] */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>

enum { kBatch = 64, kPayload = 100 };

static double Now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: udp-flood RATE SECONDS [PORT]\n");
    return 2;
  }
  const double rate = atof(argv[1]), seconds = atof(argv[2]);
  const int port = argc > 3 ? atoi(argv[3]) : 40300;
  struct sockaddr_in target = {0};
  target.sin_family = AF_INET;
  target.sin_port = htons((unsigned short)port);
  target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int sink = socket(AF_INET, SOCK_DGRAM, 0);
  const int out = socket(AF_INET, SOCK_DGRAM, 0);
  if (sink < 0 || out < 0 || bind(sink, (struct sockaddr*)&target, sizeof target) != 0 ||
      connect(out, (struct sockaddr*)&target, sizeof target) != 0) {
    perror("udp-flood");
    return 1;
  }
  static char payload[kPayload];
  memset(payload, 'm', sizeof payload);
  struct iovec vector = {payload, sizeof payload};
  struct mmsghdr messages[kBatch];
  memset(messages, 0, sizeof messages);
  for (int i = 0; i < kBatch; ++i) {
    messages[i].msg_hdr.msg_iov = &vector;
    messages[i].msg_hdr.msg_iovlen = 1;
  }
  const long long count = (long long)(rate * seconds);
  long long sent = 0;
  const double start = Now();
  const struct timespec pause = {0, 500000};
  while (sent < count) {
    long long due = (long long)((Now() - start) * rate) + 1;
    if (due > count) due = count;
    while (sent < due) {
      const int n = due - sent < kBatch ? (int)(due - sent) : kBatch;
      const int done = sendmmsg(out, messages, (unsigned)n, 0);
      if (done > 0) sent += done;
    }
    nanosleep(&pause, NULL);
  }
  printf("%lld %.2f\n", sent, Now() - start);
  return 0;
}
