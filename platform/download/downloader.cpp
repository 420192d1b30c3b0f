#include "platform/download/downloader.h"

#include "platform/download/download_job.h"

namespace platform {

Downloader::Downloader() = default;

Downloader::~Downloader() { Destroy(); }

bool Downloader::AddTask(const DownloadTask& task) {
  std::lock_guard lock(mutex_);
  if (held_) return false;
  DownloadTask copy = task;
  copy.kind = kDownloadTaskKind;
  auto job = std::make_unique<download::DownloadJob>(std::move(copy), downloaded_);
  if (!job->Start()) return false;
  held_ = true;
  job_ = std::move(job);
  return true;
}

void Downloader::Destroy() {
  std::unique_ptr<download::DownloadJob> job;
  {
    std::lock_guard lock(mutex_);
    held_ = true;
    // From the task's own event routine the thread cannot be joined: ask for
    // the stop and leave the job for a later call on another thread.
    if (job_ && job_->OnTaskThread()) {
      job_->Stop();
      return;
    }
    job = std::move(job_);
  }
  // Outside the lock: the event routine may still call in while we wait.
  if (job) job->Stop();
}

}  // namespace platform
