#include "tools/devserver/listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace devserver {

namespace {

std::string PeerText(const sockaddr_in& address) {
  char host[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address.sin_addr, host, sizeof host);
  return std::string(host) + ":" + std::to_string(ntohs(address.sin_port));
}

// A peer that vanishes mid-send must cost an EPIPE, not the whole process:
// sendfile has no MSG_NOSIGNAL, so SIGPIPE is blocked on connection threads.
void BlockSigpipeOnThisThread() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

}  // namespace

Listener::Listener(Handler handler, ListenerLimits limits)
    : handler_(std::move(handler)), limits_(limits) {}

Listener::~Listener() { Stop(); }

std::optional<std::string> Listener::Listen(uint16_t port) {
  const std::string where = "127.0.0.1:" + std::to_string(port);
  if (!stop_.Valid()) return "cannot make a stop pipe: " + std::string(std::strerror(errno));
  socket_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!socket_.Valid()) return "cannot make a socket: " + std::string(std::strerror(errno));
  const int on = 1;
  ::setsockopt(socket_.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(socket_.Get(), 64) != 0) {
    const std::string why = std::strerror(errno);
    socket_.Reset();
    return "cannot listen on " + where + ": " + why;
  }
  socklen_t length = sizeof address;
  ::getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
  return std::nullopt;
}

void Listener::Stop() {
  stop_.Trigger();
  if (acceptThread_.joinable()) acceptThread_.join();
  for (Worker& worker : workers_) {
    if (worker.thread.joinable()) worker.thread.join();
  }
  workers_.clear();
  socket_.Reset();
}

void Listener::AcceptLoop() {
  for (;;) {
    pollfd fds[2] = {{socket_.Get(), POLLIN, 0}, {stop_.WaitFd(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
    if (fds[1].revents != 0) return;
    if ((fds[0].revents & POLLIN) == 0) continue;
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    UniqueFd accepted(::accept4(socket_.Get(), reinterpret_cast<sockaddr*>(&peer), &length,
                                SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!accepted.Valid()) {
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        // Out of descriptors: the pending connection would wake poll at once
        // again, so wait a little (still woken by a stop).
        pollfd stop = {stop_.WaitFd(), POLLIN, 0};
        ::poll(&stop, 1, 100);
      }
      continue;
    }
    if (JoinFinishedWorkers() >= limits_.maxConnections) continue;  // closes it
    StartWorker(std::move(accepted), PeerText(peer));
  }
}

void Listener::StartWorker(UniqueFd socket, std::string peer) {
  Worker& worker = workers_.emplace_back();
  auto run = [this, &worker](UniqueFd socket, std::string peer) {
    BlockSigpipeOnThisThread();
    Connection connection(std::move(socket), std::move(peer), port_, stop_, limits_.idleTimeout);
    try {
      handler_(connection);
    } catch (...) {
      // A failed allocation ends this connection only.
    }
    connection.Close();
    worker.done.store(true);
  };
  try {
    worker.thread = std::thread(run, std::move(socket), std::move(peer));
  } catch (...) {
    workers_.pop_back();  // no thread to be had: the socket is already closed
  }
}

int Listener::JoinFinishedWorkers() {
  int running = 0;
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (it->done.load()) {
      it->thread.join();
      it = workers_.erase(it);
    } else {
      ++running;
      ++it;
    }
  }
  return running;
}

}  // namespace devserver
