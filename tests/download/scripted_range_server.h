// A loopback HTTP server whose every answer a test decides: for the ways real
// servers get ranges wrong, which devserver's faults do not cover.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace download_testing {

struct ScriptedRequest {
  int index = 0;                   // 0 for the first request the server took
  std::optional<int64_t> first;    // from "Range: bytes=first-last"
  std::optional<int64_t> last;     // absent for "bytes=first-"
  std::string rangeHeader;         // as sent; empty when none
  std::string referrer;            // the Referer header; empty when none
};

struct ScriptedAnswer {
  int status = 200;
  std::string contentRange;        // empty: no Content-Range header
  std::string body;
  // Nothing at all is sent for this long after the request (a server slow
  // to its first byte); the wait ends early when the server stops.
  std::chrono::milliseconds firstByteDelay{0};
};

// Answers each request with what the script returns, then closes the connection.
class ScriptedRangeServer {
 public:
  using Script = std::function<ScriptedAnswer(const ScriptedRequest&)>;

  explicit ScriptedRangeServer(Script script);
  ~ScriptedRangeServer();
  ScriptedRangeServer(const ScriptedRangeServer&) = delete;
  ScriptedRangeServer& operator=(const ScriptedRangeServer&) = delete;

  uint16_t Port() const { return port_; }
  std::vector<ScriptedRequest> Requests() const;

  // The answer an honest server gives for a request of `file`.
  static ScriptedAnswer Honest(const std::string& file, const ScriptedRequest& request);

 private:
  void AcceptLoop();
  void Serve(int socket);

  Script script_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> nextIndex_{0};
  mutable std::mutex mutex_;
  std::vector<ScriptedRequest> requests_;
  std::list<std::thread> connections_;  // touched by the accept thread, then by the destructor
  std::thread acceptThread_;
};

}  // namespace download_testing
