#include "tools/devserver/request_log.h"

namespace devserver {

void RequestLog::Add(RequestRecord record) {
  std::lock_guard lock(mutex_);
  ++counts_[record.path];
  records_.push_back(std::move(record));
  while (records_.size() > capacity_) records_.pop_front();
}

std::vector<RequestRecord> RequestLog::Records() const {
  std::lock_guard lock(mutex_);
  return {records_.begin(), records_.end()};
}

size_t RequestLog::CountFor(std::string_view path) const {
  std::lock_guard lock(mutex_);
  const auto it = counts_.find(path);
  return it == counts_.end() ? 0 : it->second;
}

void RequestLog::Clear() {
  std::lock_guard lock(mutex_);
  records_.clear();
  counts_.clear();
}

}  // namespace devserver
