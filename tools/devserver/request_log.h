// What the services were asked, for tests to read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace devserver {

struct RequestRecord {
  std::string method;  // empty when the request line could not be read
  std::string path;    // the target as sent, without its query
  std::string range;   // the Range header's value; empty when none came
  std::string peer;    // "127.0.0.1:54321"
  uint16_t port = 0;   // the listening port it came in on
  int status = 0;      // the status answered
};

// Thread-safe. Keeps the latest `capacity` records so a long demo run stays
// bounded; the counts per path are kept for every request.
class RequestLog {
 public:
  explicit RequestLog(size_t capacity = 10000) : capacity_(capacity) {}

  void Add(RequestRecord record);
  std::vector<RequestRecord> Records() const;
  size_t CountFor(std::string_view path) const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  size_t capacity_;
  std::deque<RequestRecord> records_;
  std::map<std::string, size_t, std::less<>> counts_;
};

}  // namespace devserver
