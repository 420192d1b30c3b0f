// The download component: one instance, one task. It fetches an HTTP file
// with several ranged connections on the backend's HTTP primitive, writes
// each range at its offset, and reports through the task's event routine on
// threads of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/download/download_task.h"

namespace platform {

namespace download {
class DownloadJob;
}

// Every operation may be called from any thread; Destroy also from the
// task's event routine (then it only asks for the stop, and the owner's later
// destruction collects the threads). The instance itself must not be deleted
// from its own event routine.
class Downloader {
 public:
  Downloader();
  ~Downloader();  // Destroy()
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  // Copies the record, marks it kDownloadTaskKind and starts it at once. An
  // instance holds one task for its whole life: while it holds one (running
  // or ended), or after Destroy, a further add does nothing and gives false.
  bool AddTask(const DownloadTask& task);

  // Bytes of its file the task has received so far; 0 while there is no task.
  // Bytes of an answer that was not used are never counted.
  int64_t BytesDownloaded() const { return downloaded_.load(); }

  // Stops a running task within its stop wait and joins every thread of it:
  // no connection outlives this call. A stopped task raises no further
  // event (its owner is going away) and leaves no partly written file.
  void Destroy();

 private:
  std::mutex mutex_;
  std::unique_ptr<download::DownloadJob> job_;
  bool held_ = false;  // a task was added, or the instance was destroyed
  std::atomic<int64_t> downloaded_{0};
};

}  // namespace platform
