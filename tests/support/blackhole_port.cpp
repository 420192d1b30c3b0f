#include "tests/support/blackhole_port.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

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

}  // namespace testing_support
