#include "tools/devserver/server.h"

#include <iostream>
#include <system_error>

#include "tools/devserver/account_gateway.h"
#include "tools/devserver/gateway_service.h"
#include "tools/devserver/listener.h"
#include "tools/devserver/update_host.h"

namespace devserver {

Server::Server(Options options)
    : options_(std::move(options)), faults_(options_.faults), accountReplies_(options_.accountReplies) {}

Server::~Server() { Stop(); }

std::optional<std::string> Server::Start() {
  if (updateListener_) return "already running";
  std::error_code error;
  if (!std::filesystem::is_directory(options_.root, error)) {
    return "not a folder: " + options_.root.string();
  }
  // Opened once: the accounts outlive a Stop, so a restarted server still knows them.
  if (!accounts_.IsOpen()) {
    if (std::optional<std::string> failure = accounts_.Open(options_.databasePath)) {
      return "account database: " + *failure;
    }
  }
  warnings_.clear();
  updateHost_ = std::make_unique<UpdateHost>(options_.root, faults_, log_, options_.onRequest);
  const ListenerLimits limits{options_.idleTimeout, options_.maxConnectionsPerPort};
  auto serve = [host = updateHost_.get()](Connection& connection) { host->Serve(connection); };

  updateListener_ = std::make_unique<Listener>(serve, limits);
  if (std::optional<std::string> failure = updateListener_->Listen(options_.updatePort)) {
    updateListener_.reset();
    updateHost_.reset();
    return "update host: " + *failure;
  }
  updatePort_ = updateListener_->Port();
  // The page port is 80 by default, which needs privileges and may be taken;
  // the update host is useful without it.
  pageListener_ = ListenOrWarn("page host", options_.pagePort, serve);
  if (pageListener_) pagePort_ = pageListener_->Port();

  accountGateway_ = std::make_unique<AccountGateway>(accounts_);
  GatewaySettings settings;
  settings.pause = options_.gatewayPause;
  settings.refusal = std::string(kAccountRefused);
  accountService_ = std::make_unique<GatewayService>(
      settings, [gateway = accountGateway_.get()](const GatewayRequest& request) { return gateway->Answer(request); },
      accountReplies_, gatewayLog_, options_.onGatewayRequest);
  // A fixed port that a demo server already holds must not keep a test's
  // server from serving updates, as with the page port.
  accountListener_ = ListenOrWarn("account gateway", options_.accountPort,
                                  [service = accountService_.get()](Connection& connection) {
                                    service->Serve(connection);
                                  });
  if (accountListener_) accountPort_ = accountListener_->Port();
  return std::nullopt;
}

std::unique_ptr<Listener> Server::ListenOrWarn(const char* service, uint16_t port,
                                               std::function<void(Connection&)> serve) {
  auto listener = std::make_unique<Listener>(std::move(serve),
                                             ListenerLimits{options_.idleTimeout, options_.maxConnectionsPerPort});
  if (std::optional<std::string> failure = listener->Listen(port)) {
    warnings_.push_back(std::string(service) + ": " + *failure + "; going on without it");
    std::cerr << "devserver: warning: " << warnings_.back() << std::endl;
    return nullptr;
  }
  return listener;
}

void Server::Stop() {
  updatePort_ = 0;
  pagePort_ = 0;
  accountPort_ = 0;
  // Every listener is triggered before any is joined, so their connections
  // wind down together.
  for (Listener* listener : {accountListener_.get(), pageListener_.get(), updateListener_.get()}) {
    if (listener) listener->RequestStop();
  }
  accountListener_.reset();
  pageListener_.reset();
  updateListener_.reset();
  // The services go only once no connection thread can reach them.
  accountService_.reset();
  accountGateway_.reset();
  updateHost_.reset();
}

}  // namespace devserver
