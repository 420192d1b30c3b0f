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

int ThreadCount() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
  }
  return -1;
}

}  // namespace download_testing
