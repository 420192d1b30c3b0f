#include "tools/devserver/stop_signal.h"

#include <fcntl.h>
#include <unistd.h>

namespace devserver {

StopSignal::StopSignal() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
    read_.Reset(ends[0]);
    write_.Reset(ends[1]);
  }
}

void StopSignal::Trigger() {
  if (triggered_.exchange(true)) return;
  // The byte is never read: the pipe stays readable for every later poll.
  const char byte = 1;
  [[maybe_unused]] ssize_t written = ::write(write_.Get(), &byte, 1);
}

}  // namespace devserver
