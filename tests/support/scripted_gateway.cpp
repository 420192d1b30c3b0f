#include "tests/support/scripted_gateway.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace testing_support {

ScriptedGateway::ScriptedGateway(std::optional<std::string> reply) : reply_(std::move(reply)) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener_, 8);
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

ScriptedGateway::~ScriptedGateway() {
  stop_ = true;
  thread_.join();
  close(listener_);
}

std::vector<std::string> ScriptedGateway::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

// One connection at a time: read what comes for a moment, answer, keep the
// connection open (the launcher never closes it) until the next one or the end.
void ScriptedGateway::Serve() {
  int client = -1;
  size_t index = 0;
  while (!stop_) {
    pollfd fds[2] = {{listener_, POLLIN, 0}, {client, POLLIN, 0}};
    if (poll(fds, client >= 0 ? 2 : 1, 20) <= 0) continue;
    if (fds[0].revents & POLLIN) {
      const int accepted = accept(listener_, nullptr, nullptr);
      if (accepted < 0) continue;
      if (client >= 0) close(client);
      client = accepted;
      ++connections_;
      std::lock_guard lock(mutex_);
      received_.emplace_back();
      index = received_.size() - 1;
      continue;
    }
    if (client >= 0 && (fds[1].revents & (POLLIN | POLLHUP))) {
      char buffer[4096];
      const ssize_t n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) {
        close(client);
        client = -1;
        continue;
      }
      bool first;
      {
        std::lock_guard lock(mutex_);
        first = received_[index].empty();
        received_[index].append(buffer, size_t(n));
      }
      // Let the rest of the request arrive before answering it.
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      if (first && reply_) send(client, reply_->data(), reply_->size(), MSG_NOSIGNAL);
    }
  }
  if (client >= 0) close(client);
}

}  // namespace testing_support
