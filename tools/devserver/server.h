// devserver: the private server that development, demos and tests run
// against, in-process. For now it runs the update host.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/devserver/faults.h"
#include "tools/devserver/request_log.h"

namespace devserver {

class Listener;
class UpdateHost;

struct Options {
  // The folder whose files the update host serves (bb.txt, up.zip, gg.txt, jp.txt, ...).
  std::filesystem::path root;
  // Ports on 127.0.0.1; 0 picks a free port.
  uint16_t updatePort = 8089;
  uint16_t pagePort = 80;  // the announcement page; skipped with a warning when it cannot be bound
  Faults faults;
  // A connection that sends or takes nothing this long is closed.
  std::chrono::milliseconds idleTimeout{15000};
  int maxConnectionsPerPort = 128;
  // Called on connection threads for every request (an access log); may be empty.
  std::function<void(const RequestRecord&)> onRequest;
};

// Start, Stop and the destructor belong to one controlling thread; the
// other operations may be called from any thread.
class Server {
 public:
  explicit Server(Options options);
  ~Server();  // stops
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Starts listening. An error text when the root is not a folder or the
  // update port cannot be bound; a page port that cannot be bound only warns
  // (on stderr and in Warnings()).
  std::optional<std::string> Start();
  // Closes every socket and joins every thread; returns within about a
  // second even with stalled transfers. Idempotent; Start may follow.
  void Stop();

  // 0 while not listening.
  uint16_t UpdatePort() const { return updatePort_.load(); }
  uint16_t PagePort() const { return pagePort_.load(); }
  const std::vector<std::string>& Warnings() const { return warnings_; }

  // Takes effect for every response that starts afterwards.
  void SetFaults(Faults faults) { faults_.Set(std::move(faults)); }
  Faults CurrentFaults() const { return faults_.Get(); }

  std::vector<RequestRecord> Requests() const { return log_.Records(); }
  size_t RequestCount(std::string_view path) const { return log_.CountFor(path); }
  void ClearRequests() { log_.Clear(); }

 private:
  Options options_;
  FaultSwitch faults_;
  RequestLog log_;
  std::vector<std::string> warnings_;
  std::unique_ptr<UpdateHost> updateHost_;
  std::unique_ptr<Listener> updateListener_;
  std::unique_ptr<Listener> pageListener_;
  std::atomic<uint16_t> updatePort_{0};
  std::atomic<uint16_t> pagePort_{0};
};

}  // namespace devserver
