// What the gateways were sent and what they answered, for tests to read.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tools/devserver/gateway_request.h"

namespace devserver {

struct GatewayRecord {
  uint16_t port = 0;         // the listening port it came in on
  std::string peer;          // "127.0.0.1:54321"
  GatewayRequest request;    // wire bytes, deciphered text, fields
  std::string reply;         // the bytes answered; empty: nothing was sent
  bool scripted = false;     // the reply came from the scripted replies
  // What the service made of it, one word or two: "created", "exists",
  // "malformed", "unknown command", "store failed", "too long", "scripted".
  std::string outcome;
};

// Thread-safe. Keeps the latest `capacity` records so a long demo run stays
// bounded; Total() counts every record ever added (until Clear).
class GatewayLog {
 public:
  explicit GatewayLog(size_t capacity = 10000) : capacity_(capacity) {}

  void Add(GatewayRecord record);
  std::vector<GatewayRecord> Records() const;
  size_t Total() const;
  void Clear();
  // Waits until Total() reaches count; false when the time ran out first.
  // A reply of nothing gives a client nothing to wait on; this does.
  bool WaitForTotal(size_t count, std::chrono::milliseconds timeout) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable added_;
  size_t capacity_;
  size_t total_ = 0;
  std::deque<GatewayRecord> records_;
};

// Replies that stand in for a service's own answers, oldest first: each
// request takes the next one until none are left. An empty reply sends
// nothing; any bytes go out as they are. Thread-safe.
class ScriptedReplies {
 public:
  explicit ScriptedReplies(std::vector<std::string> replies = {});
  void Set(std::vector<std::string> replies);
  // The next scripted reply, taken off the queue; nullopt when none is left.
  std::optional<std::string> TakeNext();
  size_t Left() const;

 private:
  mutable std::mutex mutex_;
  std::deque<std::string> replies_;
};

}  // namespace devserver
