// download_client URL FILE CONNECTIONS RECEIVE_BLOCK
// Runs one task of the download component to its end and prints one line of
// JSON: the outcome, the bytes written and the seconds it took.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/download/downloader.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: download_client URL FILE CONNECTIONS RECEIVE_BLOCK\n");
    return 2;
  }
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  int64_t outcome = -1;

  platform::DownloadTask task;
  task.address = argv[1];
  task.localFile = argv[2];
  task.connections = std::atoi(argv[3]);
  task.receiveBlock = std::atoi(argv[4]);
  // The patch download's time-outs.
  task.connectTimeoutMs = 5000;
  task.sendTimeoutMs = 5000;
  task.receiveTimeoutMs = 10000;
  task.eventRoutine = [&](int type, int64_t detail, int64_t, int64_t, const platform::DownloadTask&) {
    if (type == platform::kDownloadEnded) {
      std::lock_guard lock(mutex);
      outcome = detail;
      done = true;
      ended.notify_all();
    }
    return 0;
  };

  const auto start = std::chrono::steady_clock::now();
  platform::Downloader downloader;
  if (!downloader.AddTask(task)) return 1;
  {
    std::unique_lock lock(mutex);
    ended.wait(lock, [&] { return done; });
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long long bytes = static_cast<long long>(downloader.BytesDownloaded());
  downloader.Destroy();
  std::printf("{\"outcome\": %lld, \"bytes\": %lld, \"seconds\": %.6f}\n", static_cast<long long>(outcome), bytes,
              seconds);
  return outcome == 0 ? 0 : 1;
}
