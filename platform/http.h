// HTTP over the backend's client (WinINet on Windows, libcurl on Linux).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/text.h"

namespace platform {

struct HttpRequest {
  std::string url;          // http://host:port/path
  bool http10 = false;      // send the request as HTTP/1.0
  int64_t rangeFirst = -1;  // with rangeLast: a Range: bytes=first-last header
  int64_t rangeLast = -1;
  std::string referrer;     // empty: none
  int connectTimeoutMs = 10000;
  int sendTimeoutMs = 10000;
  int receiveTimeoutMs = 10000;
};

// One response, read as it arrives. Every call blocks; none may be made on two
// threads at once. Destroying the stream aborts a transfer still under way.
class HttpStream {
 public:
  virtual ~HttpStream() = default;
  // The status code (206 for a partial answer).
  virtual int Status() const = 0;
  // A response header's value ("" when absent); names match without regard to case.
  virtual std::string Header(const std::string& name) const = 0;
  // Reads up to size bytes: the count read, 0 at the end, -1 on a failure or time-out.
  virtual int Read(void* buffer, int size) = 0;
};

// Sends the request and waits for the response's headers. Null when no
// response came (host unreachable, time-out). No cache is involved.
std::unique_ptr<HttpStream> OpenHttp(const HttpRequest& request);

// The whole body of a GET, whatever the status; empty on failure.
std::string HttpGet(const HttpRequest& request);

}  // namespace platform
