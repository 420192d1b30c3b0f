#include "tools/devserver/connection.h"

#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace devserver {

namespace {

// Large enough that a multi-GiB body takes few system calls, small enough
// that a stop or a fault boundary is never far away.
constexpr uint64_t kSendChunk = 1 << 20;
constexpr size_t kCopyBuffer = 256 * 1024;
constexpr int kCloseLingerMs = 250;
constexpr size_t kCloseDrainLimit = 1 << 20;

int MillisecondsUntil(Connection::Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - Connection::Clock::now());
  return static_cast<int>(std::clamp<int64_t>(left.count(), 0, 24 * 3600 * 1000));
}

}  // namespace

Connection::Connection(UniqueFd socket, std::string peer, uint16_t localPort, const StopSignal& stop,
                       std::chrono::milliseconds idleTimeout)
    : socket_(std::move(socket)),
      peer_(std::move(peer)),
      localPort_(localPort),
      stop_(stop),
      idleTimeout_(idleTimeout) {}

Connection::Ready Connection::WaitFor(short events, int timeoutMs) {
  for (;;) {
    pollfd fds[2] = {{socket_.Get(), events, 0}, {stop_.WaitFd(), POLLIN, 0}};
    const int n = ::poll(fds, 2, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Ready::kFailed;
    if (fds[1].revents != 0) return Ready::kStopped;
    if (n == 0) return Ready::kTimedOut;
    if (fds[0].revents & (POLLERR | POLLNVAL)) return Ready::kFailed;
    if (fds[0].revents & (POLLHUP | POLLRDHUP)) {
      // A hang-up still lets the receiver read what arrived before it.
      return (events & POLLIN) ? Ready::kYes : Ready::kHangUp;
    }
    return Ready::kYes;
  }
}

ReceiveStatus Connection::ReceiveSome(std::string& into, size_t maxBytes,
                                      Clock::time_point deadline) {
  if (maxBytes == 0) return ReceiveStatus::kFailed;
  for (;;) {
    const size_t old = into.size();
    into.resize(old + maxBytes);
    const ssize_t n = ::recv(socket_.Get(), into.data() + old, maxBytes, 0);
    into.resize(old + (n > 0 ? static_cast<size_t>(n) : 0));
    if (n > 0) return ReceiveStatus::kData;
    if (n == 0) return ReceiveStatus::kClosed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return ReceiveStatus::kFailed;
    switch (WaitFor(POLLIN, MillisecondsUntil(deadline))) {
      case Ready::kYes: break;
      case Ready::kTimedOut: return ReceiveStatus::kTimedOut;
      case Ready::kStopped: return ReceiveStatus::kStopped;
      case Ready::kHangUp: return ReceiveStatus::kClosed;
      case Ready::kFailed: return ReceiveStatus::kFailed;
    }
  }
}

bool Connection::SendAll(std::string_view bytes) {
  while (!bytes.empty()) {
    if (stop_.Triggered()) return false;
    const ssize_t n = ::send(socket_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (WaitFor(POLLOUT, static_cast<int>(idleTimeout_.count())) != Ready::kYes) return false;
      continue;
    }
    return false;
  }
  return true;
}

bool Connection::SendFileRange(int fileFd, uint64_t offset, uint64_t count) {
  while (count > 0) {
    if (stop_.Triggered()) return false;
    off_t position = static_cast<off_t>(offset);
    const ssize_t n = ::sendfile(socket_.Get(), fileFd, &position,
                                 static_cast<size_t>(std::min(count, kSendChunk)));
    if (n > 0) {
      offset += static_cast<uint64_t>(n);
      count -= static_cast<uint64_t>(n);
      continue;
    }
    if (n == 0) return false;  // the file got shorter than announced
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (WaitFor(POLLOUT, static_cast<int>(idleTimeout_.count())) != Ready::kYes) return false;
      continue;
    }
    // Some file systems cannot feed sendfile; copy through memory instead.
    if (errno == EINVAL || errno == ENOSYS || errno == EOVERFLOW) {
      return SendFileByCopy(fileFd, offset, count);
    }
    return false;
  }
  return true;
}

bool Connection::SendFileByCopy(int fileFd, uint64_t offset, uint64_t count) {
  std::vector<char> buffer(kCopyBuffer);
  while (count > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(count, buffer.size()));
    const ssize_t n = ::pread(fileFd, buffer.data(), want, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    if (!SendAll(std::string_view(buffer.data(), static_cast<size_t>(n)))) return false;
    offset += static_cast<uint64_t>(n);
    count -= static_cast<uint64_t>(n);
  }
  return true;
}

bool Connection::Pause(std::optional<std::chrono::milliseconds> duration) {
  const auto deadline = duration ? Clock::now() + *duration : Clock::time_point::max();
  for (;;) {
    const int timeout = duration ? MillisecondsUntil(deadline) : -1;
    // Only a hang-up is asked for: a pipelined request must not end the pause.
    switch (WaitFor(POLLRDHUP, timeout)) {
      case Ready::kTimedOut: return true;
      case Ready::kYes: continue;
      case Ready::kStopped:
      case Ready::kHangUp:
      case Ready::kFailed: return false;
    }
  }
}

void Connection::Close() {
  if (!socket_.Valid()) return;
  if (::shutdown(socket_.Get(), SHUT_WR) == 0) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kCloseLingerMs);
    std::string discard;
    size_t drained = 0;
    while (drained < kCloseDrainLimit) {
      discard.clear();
      if (ReceiveSome(discard, 64 * 1024, deadline) != ReceiveStatus::kData) break;
      drained += discard.size();
    }
  }
  socket_.Reset();
}

}  // namespace devserver
