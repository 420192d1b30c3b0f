#include "tools/devserver/server.h"

#include <iostream>
#include <system_error>

#include "tools/devserver/listener.h"
#include "tools/devserver/update_host.h"

namespace devserver {

Server::Server(Options options) : options_(std::move(options)), faults_(options_.faults) {}

Server::~Server() { Stop(); }

std::optional<std::string> Server::Start() {
  if (updateListener_) return "already running";
  std::error_code error;
  if (!std::filesystem::is_directory(options_.root, error)) {
    return "not a folder: " + options_.root.string();
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
  pageListener_ = std::make_unique<Listener>(serve, limits);
  if (std::optional<std::string> failure = pageListener_->Listen(options_.pagePort)) {
    pageListener_.reset();
    warnings_.push_back("page host: " + *failure + "; going on without it");
    std::cerr << "devserver: warning: " << warnings_.back() << std::endl;
  } else {
    pagePort_ = pageListener_->Port();
  }
  return std::nullopt;
}

void Server::Stop() {
  updatePort_ = 0;
  pagePort_ = 0;
  // Both listeners are triggered before either is joined, so their
  // connections wind down together.
  for (Listener* listener : {pageListener_.get(), updateListener_.get()}) {
    if (listener) listener->RequestStop();
  }
  pageListener_.reset();
  updateListener_.reset();
  updateHost_.reset();
}

}  // namespace devserver
