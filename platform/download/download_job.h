// One task from its start to its end event, on threads of its own: the size
// probe, the connections, the check of the finished file.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/download/download_task.h"
#include "platform/download/stop_latch.h"
#include "platform/download/transfer_settings.h"

namespace platform::download {

class DownloadJob {
 public:
  // downloaded counts the bytes of the file this task receives; it outlives the job.
  DownloadJob(DownloadTask task, std::atomic<int64_t>& downloaded);
  ~DownloadJob();
  DownloadJob(const DownloadJob&) = delete;
  DownloadJob& operator=(const DownloadJob&) = delete;

  // Starts the task's thread; false when no thread could be made.
  bool Start();

  // Stops the task: no event is raised from here on, the connections close,
  // and the partly written file is removed. Waits up to the stop wait, in
  // steps of 20 ms, then joins every thread of the task. Called on the
  // task's own thread (from its event routine) it only asks for the stop.
  void Stop();

  bool OnTaskThread() const { return std::this_thread::get_id() == taskThread_.load(); }

 private:
  void Run();
  // Everything between the start and the end event; the outcome and the
  // status of the server's first answer.
  DownloadOutcome Download(int& firstStatus);
  int Raise(int type, int64_t detail, int64_t value, int64_t further);

  const DownloadTask task_;
  const TransferSettings settings_;
  std::atomic<int64_t>& downloaded_;
  std::atomic<bool> stopped_{false};  // by Stop(): the owner is going away
  StopLatch abandon_;                 // set by Stop() or when one connection failed; cancels every request
  StopLatch ended_;                   // the task's thread has finished its work
  std::atomic<std::thread::id> taskThread_{};
  std::thread thread_;
};

}  // namespace platform::download
