// A TCP service on an ephemeral loopback port that records what each
// connection sends and answers with a scripted reply, for gateway tests.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class ScriptedGateway {
 public:
  // reply: sent once a connection's first bytes have arrived; nullopt: never answer.
  explicit ScriptedGateway(std::optional<std::string> reply);
  ~ScriptedGateway();

  int Port() const { return port_; }
  // Everything received, one entry per connection, in order of arrival.
  std::vector<std::string> Received() const;
  int Connections() const { return connections_; }

 private:
  void Serve();

  std::optional<std::string> reply_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> received_;
  std::thread thread_;
};

}  // namespace testing_support
