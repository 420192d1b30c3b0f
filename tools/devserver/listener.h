// The acceptor that every service of devserver shares: one listening socket on
// 127.0.0.1, one thread per accepted connection, a stop that joins them all.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <thread>

#include "tools/devserver/connection.h"
#include "tools/devserver/stop_signal.h"
#include "tools/devserver/unique_fd.h"

namespace devserver {

struct ListenerLimits {
  std::chrono::milliseconds idleTimeout{15000};
  // Connections beyond this many at once are closed as soon as accepted.
  int maxConnections = 128;
};

class Listener {
 public:
  // Runs on the connection's own thread; the listener closes the connection
  // when it returns. It must wait only through the Connection it is given.
  using Handler = std::function<void(Connection&)>;

  Listener(Handler handler, ListenerLimits limits);
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // Binds 127.0.0.1:port (0: any free port) and starts accepting.
  // Returns an error text when it cannot. Call once.
  std::optional<std::string> Listen(uint16_t port);
  // The bound port; 0 before Listen succeeded.
  uint16_t Port() const { return port_; }
  // Wakes the accept thread and every connection without waiting for them.
  void RequestStop() { stop_.Trigger(); }
  // Wakes and joins every thread, then closes the socket. Idempotent.
  void Stop();

 private:
  struct Worker {
    std::thread thread;
    std::atomic<bool> done{false};
  };

  void AcceptLoop();
  void StartWorker(UniqueFd socket, std::string peer);
  int JoinFinishedWorkers();  // returns how many still run

  Handler handler_;
  ListenerLimits limits_;
  StopSignal stop_;
  UniqueFd socket_;
  uint16_t port_ = 0;
  std::thread acceptThread_;
  std::list<Worker> workers_;  // touched by the accept thread only, then by Stop()
};

}  // namespace devserver
