/* minimal_ranged_client HOST PORT PATH FILE CONNECTIONS READ_SIZE
 *
 * The yardstick for the download component: the same ranged GETs, one thread
 * and one connection each, plain recv() of READ_SIZE bytes and a pwrite() of
 * each at its offset. No retries, no checks beyond the status line. Prints one
 * line of JSON: the bytes written and the seconds it took. */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

struct part {
  const char *host, *path;
  int port, file, read_size, ok;
  int64_t first, last, written;
};

static int connect_to(const char *host, int port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  struct sockaddr_in address;
  memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_port = htons((uint16_t)port);
  inet_pton(AF_INET, host, &address.sin_addr);
  if (s < 0 || connect(s, (struct sockaddr *)&address, sizeof address) != 0) {
    if (s >= 0) close(s);
    return -1;
  }
  return s;
}

/* Sends the GET and reads up to the end of the head into buffer; returns the
 * bytes of body that came with it (at buffer + *head_end), or -1. */
static long request(int s, const struct part *p, char *buffer, size_t size, size_t *head_end) {
  char line[512];
  int n = snprintf(line, sizeof line,
                   "GET %s HTTP/1.1\r\nHost: %s:%d\r\nRange: bytes=%lld-%lld\r\nConnection: close\r\n\r\n",
                   p->path, p->host, p->port, (long long)p->first, (long long)p->last);
  if (send(s, line, (size_t)n, 0) != n) return -1;
  size_t have = 0;
  for (;;) {
    ssize_t got = recv(s, buffer + have, size - have - 1, 0);
    if (got <= 0) return -1;
    have += (size_t)got;
    buffer[have] = 0;
    char *end = strstr(buffer, "\r\n\r\n");
    if (end) {
      *head_end = (size_t)(end + 4 - buffer);
      return (long)(have - *head_end);
    }
    if (have + 1 >= size) return -1;
  }
}

static void *fetch(void *argument) {
  struct part *p = argument;
  int s = connect_to(p->host, p->port);
  if (s < 0) return NULL;
  char head[16384];
  size_t head_end = 0;
  long extra = request(s, p, head, sizeof head, &head_end);
  if (extra < 0 || strncmp(head + 9, "206", 3) != 0) {
    close(s);
    return NULL;
  }
  int64_t offset = p->first;
  if (extra > 0 && pwrite(p->file, head + head_end, (size_t)extra, offset) == extra) offset += extra;
  char *buffer = malloc((size_t)p->read_size);
  while (offset <= p->last) {
    ssize_t got = recv(s, buffer, (size_t)p->read_size, 0);
    if (got <= 0) break;
    if (pwrite(p->file, buffer, (size_t)got, offset) != got) break;
    offset += got;
  }
  free(buffer);
  close(s);
  p->written = offset - p->first;
  p->ok = offset == p->last + 1;
  return NULL;
}

/* The file's size from the Content-Range of a one-byte range. */
static int64_t file_size(const char *host, int port, const char *path) {
  struct part probe = {host, path, port, -1, 0, 0, 0, 0, 0};
  int s = connect_to(host, port);
  if (s < 0) return -1;
  char head[16384];
  size_t head_end = 0;
  long extra = request(s, &probe, head, sizeof head, &head_end);
  close(s);
  if (extra < 0) return -1;
  const char *range = strcasestr(head, "\r\nContent-Range: bytes 0-0/");
  return range ? atoll(range + strlen("\r\nContent-Range: bytes 0-0/")) : -1;
}

int main(int argc, char **argv) {
  if (argc != 7) {
    fprintf(stderr, "usage: minimal_ranged_client HOST PORT PATH FILE CONNECTIONS READ_SIZE\n");
    return 2;
  }
  struct timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  const char *host = argv[1], *path = argv[3];
  int port = atoi(argv[2]), connections = atoi(argv[5]), read_size = atoi(argv[6]);
  int64_t total = file_size(host, port, path);
  if (total <= 0 || connections < 1 || connections > 64 || read_size < 1) return 1;
  int file = open(argv[4], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (file < 0 || ftruncate(file, total) != 0) return 1;

  struct part parts[64];
  pthread_t threads[64];
  int64_t share = total / connections;
  for (int i = 0; i < connections; ++i) {
    struct part p = {host, path, port, file, read_size, 0, i * share,
                     i == connections - 1 ? total - 1 : (i + 1) * share - 1, 0};
    parts[i] = p;
    pthread_create(&threads[i], NULL, fetch, &parts[i]);
  }
  int ok = 1;
  long long written = 0;
  for (int i = 0; i < connections; ++i) {
    pthread_join(threads[i], NULL);
    ok &= parts[i].ok;
    written += parts[i].written;
  }
  ok &= close(file) == 0;
  clock_gettime(CLOCK_MONOTONIC, &end);
  double seconds = (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9;
  printf("{\"outcome\": %d, \"bytes\": %lld, \"seconds\": %.6f}\n", ok ? 0 : 1, written, seconds);
  return ok ? 0 : 1;
}
