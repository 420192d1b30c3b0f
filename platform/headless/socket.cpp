// The client socket control on POSIX sockets: a blocking connect, then the
// loop watches the descriptor and raises data arrival on the UI thread.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/headless/loop.h"
#include "platform/socket.h"

namespace platform {
namespace {

constexpr int kConnectTimeoutSeconds = 10;
constexpr int kSendTimeoutMs = 10000;

class PosixClientSocket final : public ClientSocket {
 public:
  ~PosixClientSocket() override { Disconnect(); }

  bool Connect(const std::string& host, int port) override {
    Disconnect();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    if (port <= 0 || port > 65535 || inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) return false;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    timeval timeout{kConnectTimeoutSeconds, 0};  // bounds a blocking connect on Linux
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      close(fd);
      return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fd_ = fd;
    headless::WatchDescriptor(fd_, [this] { OnReadable(); });
    return true;
  }

  bool Send(std::string_view bytes) override {
    if (fd_ < 0) return false;
    size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n > 0) {
        sent += size_t(n);
      } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        pollfd p{fd_, POLLOUT, 0};
        if (poll(&p, 1, kSendTimeoutMs) <= 0) return false;
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        return false;
      }
    }
    return true;
  }

  void OnDataArrival(std::function<void()> handler) override { handler_ = std::move(handler); }
  std::string GetData() const override { return arrival_; }

  void Disconnect() override {
    if (fd_ < 0) return;
    headless::UnwatchDescriptor(fd_);
    close(fd_);
    fd_ = -1;
  }

  bool IsConnected() const override { return fd_ >= 0; }

 private:
  // Everything available now is one arrival, as with a window-message socket.
  void OnReadable() {
    std::string data;
    char buffer[16384];
    bool closed = false;
    for (;;) {
      const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
      if (n > 0) {
        data.append(buffer, size_t(n));
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        closed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        break;
      }
    }
    if (closed) Disconnect();  // the closed event is not needed: just let go
    if (data.empty()) return;
    arrival_ = std::move(data);
    if (handler_) {
      auto handler = handler_;  // the handler may replace itself or reconnect
      handler();
    }
  }

  int fd_ = -1;
  std::function<void()> handler_;
  std::string arrival_;
};

}  // namespace

std::unique_ptr<ClientSocket> ClientSocket::Create() { return std::make_unique<PosixClientSocket>(); }

}  // namespace platform
