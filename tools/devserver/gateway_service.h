// The conversation every gateway of devserver holds: collect what the client
// sends, decode it, answer (or let a scripted reply answer), record both, and
// wait for the next request on the same connection. A service supplies only
// its Responder: the account gateway now, the recharge gateways and the
// lottery host later.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "tools/devserver/connection.h"
#include "tools/devserver/gateway_log.h"
#include "tools/devserver/gateway_request.h"

namespace devserver {

struct GatewayAnswer {
  std::string reply;    // sent as it is; empty: nothing is sent
  std::string outcome;  // goes into the record
};

struct GatewaySettings {
  // Requests come enciphered with the gateway key (the lottery's do not).
  bool enciphered = true;
  // Requests have no framing: one ends when the client has sent nothing for
  // this long (or has closed its side).
  std::chrono::milliseconds pause{150};
  // A request longer than this is answered with refusal and the connection
  // ends; the launcher's are well under a hundred bytes.
  size_t maxRequestBytes = 64 * 1024;
  std::string refusal = "-1";
};

class GatewayService {
 public:
  using Responder = std::function<GatewayAnswer(const GatewayRequest&)>;
  using Observer = std::function<void(const GatewayRecord&)>;

  // replies and log must outlive the service; observer may be empty and is
  // called on connection threads once per request.
  GatewayService(GatewaySettings settings, Responder responder, ScriptedReplies& replies,
                 GatewayLog& log, Observer observer);

  // Answers requests until the client closes, the connection idles out or
  // fails, or the server stops. The connection is left open after a reply:
  // the launcher never closes it. A Listener handler.
  void Serve(Connection& connection) const;

 private:
  GatewaySettings settings_;
  Responder responder_;
  ScriptedReplies& replies_;
  GatewayLog& log_;
  Observer observer_;
};

}  // namespace devserver
