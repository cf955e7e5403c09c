/* The write-only floor of a conversion: writes, for each size given, one file
 * of exactly that many bytes into OUTDIR the way the converter writes a
 * report (create under a temporary name, write() from one 1 MiB buffer, close,
 * rename into place), and does nothing else. Timing it beside a conversion
 * that wrote the same byte counts shows how much of the conversion is the
 * kernel taking the bytes.
 *   write_floor OUTDIR SIZE1 [SIZE2 ...]
 * The files are named floor_1.out, floor_2.out, ... Exit status 0 on success,
 * 1 when a file could not be written, 2 on a wrong command line. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { kBufferBytes = 1 << 20 };

/* Parses a decimal byte count; returns 0 when `text` is not one. */
static int parse_size(const char* text, unsigned long long* size) {
  if (text[0] < '0' || text[0] > '9') return 0;
  errno = 0;
  char* end = NULL;
  unsigned long long value = strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0') return 0;
  *size = value;
  return 1;
}

/* Writes `size` bytes of `buffer` (repeated) to `fd`; returns 0 or an errno. */
static int write_bytes(int fd, const char* buffer, unsigned long long size) {
  unsigned long long left = size;
  while (left > 0) {
    size_t chunk = left < kBufferBytes ? (size_t)left : (size_t)kBufferBytes;
    size_t done = 0;
    while (done < chunk) {
      ssize_t n = write(fd, buffer + done, chunk - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += (size_t)n;
    }
    left -= chunk;
  }
  return 0;
}

/* Writes one file of `size` bytes as OUTDIR/floor_<number>.out. */
static int write_file(const char* dir, int number, const char* buffer,
                      unsigned long long size) {
  char final_path[4096];
  char temp_path[4096 + 32];
  int n = snprintf(final_path, sizeof final_path, "%s/floor_%d.out", dir, number);
  if (n < 0 || (size_t)n >= sizeof final_path) {
    fprintf(stderr, "write_floor: output folder name too long: %s\n", dir);
    return 0;
  }
  snprintf(temp_path, sizeof temp_path, "%s.tmp%ld", final_path, (long)getpid());

  int fd = open(temp_path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    fprintf(stderr, "write_floor: cannot create %s: %s\n", temp_path, strerror(errno));
    return 0;
  }
  int error = write_bytes(fd, buffer, size);
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temp_path, final_path) != 0) error = errno;
  if (error != 0) {
    fprintf(stderr, "write_floor: cannot write %s: %s\n", final_path, strerror(error));
    unlink(temp_path);
    return 0;
  }
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: write_floor OUTDIR SIZE1 [SIZE2 ...]\n");
    return 2;
  }
  unsigned long long* sizes = calloc((size_t)argc, sizeof *sizes);
  if (sizes == NULL) {
    fprintf(stderr, "write_floor: out of memory\n");
    return 1;
  }
  for (int i = 2; i < argc; ++i) {
    if (!parse_size(argv[i], &sizes[i])) {
      fprintf(stderr, "write_floor: not a byte count: %s\n", argv[i]);
      free(sizes);
      return 2;
    }
  }

  /* Report-like text, so that the bytes are what a CSV file holds. */
  char* buffer = malloc(kBufferBytes);
  if (buffer == NULL) {
    fprintf(stderr, "write_floor: out of memory\n");
    free(sizes);
    return 1;
  }
  static const char kLine[] = "08/18/2021 07:00:20,005es17329:_MN___1,12,3.4,56,\r\n";
  for (size_t i = 0; i < kBufferBytes; ++i) buffer[i] = kLine[i % (sizeof kLine - 1)];

  int status = 0;
  for (int i = 2; i < argc && status == 0; ++i) {
    if (!write_file(argv[1], i - 1, buffer, sizes[i])) status = 1;
  }
  free(buffer);
  free(sizes);
  return status;
}
