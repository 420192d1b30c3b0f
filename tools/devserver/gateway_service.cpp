#include "tools/devserver/gateway_service.h"

#include <algorithm>

namespace devserver {

namespace {

using Clock = Connection::Clock;

struct Collected {
  enum class Kind { kRequest, kTooLong, kNone } kind = Kind::kNone;
  std::string bytes;
  bool peerClosed = false;  // no further request can follow
};

// One request's bytes: the first wait lasts up to the idle time-out, then the
// request goes on until a pause. The whole request must arrive within one
// idle time-out, so a client that trickles bytes cannot hold a thread.
Collected CollectRequest(Connection& connection, const GatewaySettings& settings) {
  Collected collected;
  std::string& bytes = collected.bytes;
  const size_t limit = settings.maxRequestBytes;
  // One byte beyond the limit tells a request that is too long.
  if (connection.ReceiveSome(bytes, limit + 1, Clock::now() + connection.IdleTimeout()) !=
      ReceiveStatus::kData) {
    return collected;
  }
  const Clock::time_point last = Clock::now() + connection.IdleTimeout();
  for (;;) {
    if (bytes.size() > limit) {
      collected.kind = Collected::Kind::kTooLong;
      return collected;
    }
    const Clock::time_point deadline = std::min(last, Clock::now() + settings.pause);
    switch (connection.ReceiveSome(bytes, limit + 1 - bytes.size(), deadline)) {
      case ReceiveStatus::kData: continue;
      case ReceiveStatus::kTimedOut:
        collected.kind = Collected::Kind::kRequest;
        return collected;
      case ReceiveStatus::kClosed:
        // A client that sends and then shuts its side still gets its answer.
        collected.kind = Collected::Kind::kRequest;
        collected.peerClosed = true;
        return collected;
      case ReceiveStatus::kStopped:
      case ReceiveStatus::kFailed: return collected;
    }
  }
}

}  // namespace

GatewayService::GatewayService(GatewaySettings settings, Responder responder, ScriptedReplies& replies,
                               GatewayLog& log, Observer observer)
    : settings_(std::move(settings)),
      responder_(std::move(responder)),
      replies_(replies),
      log_(log),
      observer_(std::move(observer)) {}

void GatewayService::Serve(Connection& connection) const {
  for (;;) {
    Collected collected = CollectRequest(connection, settings_);
    if (collected.kind == Collected::Kind::kNone) return;
    const bool tooLong = collected.kind == Collected::Kind::kTooLong;

    GatewayRecord record;
    record.port = connection.LocalPort();
    record.peer = connection.Peer();
    record.request = DecodeGatewayRequest(std::move(collected.bytes), settings_.enciphered);
    if (tooLong) {
      // The rest of it is still on the way and would read as a request of its own.
      record.reply = settings_.refusal;
      record.outcome = "too long";
    } else if (std::optional<std::string> scripted = replies_.TakeNext()) {
      record.reply = std::move(*scripted);
      record.scripted = true;
      record.outcome = "scripted";
    } else {
      GatewayAnswer answer = responder_(record.request);
      record.reply = std::move(answer.reply);
      record.outcome = std::move(answer.outcome);
    }
    const std::string reply = record.reply;
    // Recorded before the reply goes out: a client that has its answer can
    // read the record at once.
    if (observer_) observer_(record);
    log_.Add(std::move(record));
    if (!reply.empty() && !connection.SendAll(reply)) return;
    if (tooLong || collected.peerClosed) return;
  }
}

}  // namespace devserver
