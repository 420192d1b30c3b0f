#include "platform/download/http_transfer.h"

#include <chrono>

namespace platform::download {

using Clock = std::chrono::steady_clock;

std::unique_ptr<HttpTransfer> HttpTransfer::Open(const TransferSettings& settings, int64_t first, int64_t last,
                                                 const StopLatch& stop) {
  if (stop.IsSet()) return nullptr;
  HttpRequest request;
  request.url = settings.url;
  request.rangeFirst = first;
  request.rangeLast = first >= 0 ? last : -1;
  request.referrer = settings.referrer;
  request.connectTimeoutMs = settings.connectTimeoutMs;
  request.sendTimeoutMs = settings.sendTimeoutMs;
  // The primitive cannot be interrupted from another thread, so each receive
  // waits one slice at most; Read() adds the slices up to the task's time-out.
  request.receiveTimeoutMs = int(settings.receiveSlice.count());
  std::unique_ptr<HttpStream> stream = OpenHttp(request);
  // A stop during the open: dropping the stream closes the transfer.
  if (!stream || stop.IsSet()) return nullptr;
  return std::unique_ptr<HttpTransfer>(new HttpTransfer(std::move(stream), settings, stop));
}

int HttpTransfer::Read(void* buffer, int size) {
  if (stop_.IsSet()) return kStopped;
  // A receive that finds data reads no clock: only those after a silence are timed.
  const bool timed = silent_;
  const Clock::time_point asked = timed ? Clock::now() : Clock::time_point();
  const int got = stream_->Read(buffer, size);
  if (got >= 0) {
    silent_ = false;
    return got;
  }
  const Clock::time_point now = Clock::now();
  if (!timed) {
    // The first empty receive may already have waited a whole slice.
    silent_ = true;
    silentSince_ = now - settings_.receiveSlice;
  } else if (now - asked < settings_.receiveSlice / 2) {
    // The primitive answers -1 both for a slice without data and for a broken
    // transfer; only a time-out takes the whole slice, a failure comes sooner.
    return kFailed;
  }
  if (now - silentSince_ >= settings_.receiveTimeout) return kFailed;
  return stop_.IsSet() ? kStopped : kSilent;
}

}  // namespace platform::download
