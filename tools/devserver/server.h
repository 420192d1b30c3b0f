// devserver: the private server that development, demos and tests run
// against, in-process: the update host and the account gateway.
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

#include "tools/devserver/account_store.h"
#include "tools/devserver/faults.h"
#include "tools/devserver/gateway_log.h"
#include "tools/devserver/request_log.h"

namespace devserver {

class AccountGateway;
class Connection;
class GatewayService;
class Listener;
class UpdateHost;

struct Options {
  // The folder whose files the update host serves (bb.txt, up.zip, gg.txt, jp.txt, ...).
  std::filesystem::path root;
  // Ports on 127.0.0.1; 0 picks a free port.
  uint16_t updatePort = 8089;
  uint16_t pagePort = 80;  // the announcement page; skipped with a warning when it cannot be bound
  uint16_t accountPort = 52001;  // the account gateway; skipped with a warning when it cannot be bound
  Faults faults;
  // A connection that sends or takes nothing this long is closed.
  std::chrono::milliseconds idleTimeout{15000};
  int maxConnectionsPerPort = 128;
  // Called on connection threads for every request (an access log); may be empty.
  std::function<void(const RequestRecord&)> onRequest;

  // The accounts' SQLite file, created when missing; empty: an in-memory
  // database that lives as long as the Server.
  std::filesystem::path databasePath;
  // Replies the account gateway sends, one per request in order, instead of
  // its own answers; an empty one sends nothing. Taken when the Server is
  // made; SetAccountReplies replaces them at run time.
  std::vector<std::string> accountReplies;
  // A gateway request has no framing: it ends when the client pauses this long.
  std::chrono::milliseconds gatewayPause{150};
  // Called on connection threads for every gateway request; may be empty.
  std::function<void(const GatewayRecord&)> onGatewayRequest;
};

// Start, Stop and the destructor belong to one controlling thread; the
// other operations may be called from any thread.
class Server {
 public:
  explicit Server(Options options);
  ~Server();  // stops
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Starts listening. An error text when the root is not a folder, the
  // account database cannot be opened or the update port cannot be bound; a
  // page or account port that cannot be bound only warns (on stderr and in
  // Warnings()), so a second server beside a demo still serves updates.
  std::optional<std::string> Start();
  // Closes every socket and joins every thread; returns within about a
  // second even with stalled transfers. Idempotent; Start may follow.
  void Stop();

  // 0 while not listening.
  uint16_t UpdatePort() const { return updatePort_.load(); }
  uint16_t PagePort() const { return pagePort_.load(); }
  uint16_t AccountPort() const { return accountPort_.load(); }
  const std::vector<std::string>& Warnings() const { return warnings_; }

  // Takes effect for every response that starts afterwards.
  void SetFaults(Faults faults) { faults_.Set(std::move(faults)); }
  Faults CurrentFaults() const { return faults_.Get(); }

  std::vector<RequestRecord> Requests() const { return log_.Records(); }
  size_t RequestCount(std::string_view path) const { return log_.CountFor(path); }
  void ClearRequests() { log_.Clear(); }

  // The account gateway answers the next requests with these, in order,
  // instead of its own answers, and creates no account for them; an empty
  // reply sends nothing, other bytes go out as they are. Replaces the
  // replies not used yet; an empty list brings the real answers back.
  void SetAccountReplies(std::vector<std::string> replies) { accountReplies_.Set(std::move(replies)); }

  // Every gateway request so far (the latest 10000): wire bytes, deciphered
  // text, fields and the reply.
  std::vector<GatewayRecord> GatewayRequests() const { return gatewayLog_.Records(); }
  void ClearGatewayRequests() { gatewayLog_.Clear(); }
  // Until count requests have been recorded since the last clear; false on time-out.
  bool WaitForGatewayRequests(size_t count, std::chrono::milliseconds timeout) const {
    return gatewayLog_.WaitForTotal(count, timeout);
  }

  // The accounts, read from the store. It stays open across Stop and Start.
  std::optional<Text> AccountPassword(const Text& name) const { return accounts_.PasswordOf(name); }
  size_t AccountCount() const { return accounts_.Count(); }

 private:
  // Binds a service that may be missing; a failure becomes a warning.
  std::unique_ptr<Listener> ListenOrWarn(const char* service, uint16_t port,
                                         std::function<void(Connection&)> serve);

  Options options_;
  FaultSwitch faults_;
  RequestLog log_;
  std::vector<std::string> warnings_;
  std::unique_ptr<UpdateHost> updateHost_;
  std::unique_ptr<Listener> updateListener_;
  std::unique_ptr<Listener> pageListener_;
  AccountStore accounts_;
  ScriptedReplies accountReplies_;
  GatewayLog gatewayLog_;
  std::unique_ptr<AccountGateway> accountGateway_;
  std::unique_ptr<GatewayService> accountService_;
  std::unique_ptr<Listener> accountListener_;
  std::atomic<uint16_t> updatePort_{0};
  std::atomic<uint16_t> pagePort_{0};
  std::atomic<uint16_t> accountPort_{0};
};

}  // namespace devserver
