// A loopback port whose listen queue is full: a connect to it hangs, as to a
// host that drops every packet.
#pragma once

#include <cstdint>
#include <vector>

namespace testing_support {

class BlackholePort {
 public:
  BlackholePort();
  ~BlackholePort();
  BlackholePort(const BlackholePort&) = delete;
  BlackholePort& operator=(const BlackholePort&) = delete;

  uint16_t Port() const { return port_; }
  // True once a connect of its own was seen to hang.
  bool Holds() const { return holds_; }

 private:
  int listener_ = -1;
  uint16_t port_ = 0;
  std::vector<int> fillers_;  // the connections that fill the queue
  bool holds_ = false;
};

}  // namespace testing_support
