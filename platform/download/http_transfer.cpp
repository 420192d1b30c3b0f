#include "platform/download/http_transfer.h"

namespace platform::download {

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
  request.receiveTimeoutMs = int(settings.receiveTimeout.count());
  request.cancel = stop.Cancel();  // the stop ends the connect, the wait for headers and every read
  std::unique_ptr<HttpStream> stream = OpenHttp(request);
  if (!stream || stop.IsSet()) return nullptr;
  return std::unique_ptr<HttpTransfer>(new HttpTransfer(std::move(stream), stop));
}

int HttpTransfer::Read(void* buffer, int size) {
  if (stop_.IsSet()) return kStopped;
  const int got = stream_->Read(buffer, size);
  if (got >= 0) return got;
  // A cancelled read fails like a broken one: the latch tells them apart.
  return stop_.IsSet() ? kStopped : kFailed;
}

}  // namespace platform::download
