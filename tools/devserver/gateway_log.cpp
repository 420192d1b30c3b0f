#include "tools/devserver/gateway_log.h"

namespace devserver {

void GatewayLog::Add(GatewayRecord record) {
  {
    std::lock_guard lock(mutex_);
    ++total_;
    records_.push_back(std::move(record));
    while (records_.size() > capacity_) records_.pop_front();
  }
  added_.notify_all();
}

std::vector<GatewayRecord> GatewayLog::Records() const {
  std::lock_guard lock(mutex_);
  return {records_.begin(), records_.end()};
}

size_t GatewayLog::Total() const {
  std::lock_guard lock(mutex_);
  return total_;
}

void GatewayLog::Clear() {
  std::lock_guard lock(mutex_);
  records_.clear();
  total_ = 0;
}

bool GatewayLog::WaitForTotal(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return added_.wait_for(lock, timeout, [&] { return total_ >= count; });
}

ScriptedReplies::ScriptedReplies(std::vector<std::string> replies) { Set(std::move(replies)); }

void ScriptedReplies::Set(std::vector<std::string> replies) {
  std::lock_guard lock(mutex_);
  replies_.assign(std::make_move_iterator(replies.begin()), std::make_move_iterator(replies.end()));
}

std::optional<std::string> ScriptedReplies::TakeNext() {
  std::lock_guard lock(mutex_);
  if (replies_.empty()) return std::nullopt;
  std::string reply = std::move(replies_.front());
  replies_.pop_front();
  return reply;
}

size_t ScriptedReplies::Left() const {
  std::lock_guard lock(mutex_);
  return replies_.size();
}

}  // namespace devserver
