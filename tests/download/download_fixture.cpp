#include "tests/download/download_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>

namespace download_testing {

platform::DownloadEventRoutine EventLog::Routine(int answerToFileExists) {
  return [this, answerToFileExists](int type, int64_t detail, int64_t value, int64_t further,
                                    const platform::DownloadTask& task) {
    {
      std::lock_guard lock(mutex_);
      events_.push_back({type, detail, value, further, task.kind, std::this_thread::get_id()});
    }
    changed_.notify_all();
    return type == platform::kDownloadFileExists ? answerToFileExists : 0;
  };
}

std::vector<RecordedEvent> EventLog::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<int> EventLog::Types() const {
  std::vector<int> types;
  for (const RecordedEvent& event : Events()) types.push_back(event.type);
  return types;
}

std::optional<RecordedEvent> EventLog::WaitForEnd(std::chrono::milliseconds wait) const {
  std::unique_lock lock(mutex_);
  std::optional<RecordedEvent> end;
  changed_.wait_for(lock, wait, [&] {
    for (const RecordedEvent& event : events_)
      if (event.type == platform::kDownloadEnded) end = event;
    return end.has_value();
  });
  return end;
}

std::string PatternBytes(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (char& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = char(state >> 24);
  }
  return bytes;
}

BlackholePort::BlackholePort() {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  // A backlog of 0 and nobody accepting: once the queue is full, Linux drops
  // every further SYN and the client keeps retrying for minutes.
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 0) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  for (int i = 0; i < 8 && !holds_; ++i) {
    const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    fillers_.push_back(filler);
    ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    pollfd done{filler, POLLOUT, 0};
    holds_ = ::poll(&done, 1, 200) == 0;  // still connecting after 200 ms on loopback
  }
}

BlackholePort::~BlackholePort() {
  for (int filler : fillers_) ::close(filler);
  if (listener_ >= 0) ::close(listener_);
}

int ThreadCount() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
  }
  return -1;
}

}  // namespace download_testing
