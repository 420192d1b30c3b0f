// One answer of the backend's HTTP primitive as a connection of a task reads
// it: with the task's time-outs, cancelled by the task's stop latch, so a
// stop ends even a wait on a server that has gone silent.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/download/stop_latch.h"
#include "platform/download/transfer_settings.h"
#include "platform/http.h"

namespace platform::download {

class HttpTransfer {
 public:
  static constexpr int kFailed = -1;   // the transfer broke, or the server was silent too long
  static constexpr int kStopped = -2;  // the stop latch was set

  // GET with "Range: bytes=first-last" (last -1: to the end; first -1: no
  // Range header). Null when no answer came or the stop was set meanwhile.
  static std::unique_ptr<HttpTransfer> Open(const TransferSettings& settings, int64_t first, int64_t last,
                                            const StopLatch& stop);

  HttpTransfer(const HttpTransfer&) = delete;
  HttpTransfer& operator=(const HttpTransfer&) = delete;

  int Status() const { return stream_->Status(); }
  std::string Header(const std::string& name) const { return stream_->Header(name); }

  // Reads up to size bytes: the count, 0 at the end of the answer, kFailed
  // or kStopped. Blocks up to the receive time-out, or until the stop.
  int Read(void* buffer, int size);

 private:
  HttpTransfer(std::unique_ptr<HttpStream> stream, const StopLatch& stop) : stream_(std::move(stream)), stop_(stop) {}

  std::unique_ptr<HttpStream> stream_;
  const StopLatch& stop_;
};

}  // namespace platform::download
