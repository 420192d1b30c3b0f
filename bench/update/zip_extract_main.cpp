// Extracts one archive with the ZIP component, for the side-by-side run of
// extract_bench.py: zip_extract ARCHIVE FOLDER. Prints the time taken and peak memory.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "platform/zip/zip_extractor.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s ARCHIVE FOLDER\n", argv[0]);
    return 2;
  }
  platform::ZipExtractor extractor;
  int last = -1;
  extractor.onProgress = [&](int percent) { last = percent; };
  const auto start = std::chrono::steady_clock::now();
  // The paths are ASCII here, so they are GBK texts already.
  const bool ok = extractor.Extract(argv[1], argv[2]);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("ok=%d last_report=%d seconds=%.4f peak_kib=%ld\n", ok, last, seconds, usage.ru_maxrss);
  return ok && last == 100 ? 0 : 1;
}
