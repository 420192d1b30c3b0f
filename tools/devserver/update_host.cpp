#include "tools/devserver/update_host.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "tools/devserver/byte_range.h"
#include "tools/devserver/file_name.h"
#include "tools/devserver/unique_fd.h"

namespace devserver {

namespace {

using Clock = Connection::Clock;

std::string ContentType(std::string_view name) {
  const size_t dot = name.rfind('.');
  const std::string_view ending = dot == std::string_view::npos ? "" : name.substr(dot);
  if (ending == ".txt") return "text/plain";
  if (ending == ".htm" || ending == ".html") return "text/html";
  if (ending == ".zip") return "application/zip";
  return "application/octet-stream";
}

// Bytes of a body actually sent once the faults have had their say.
struct BodyPlan {
  uint64_t sendUntil = 0;                 // body bytes sent in all
  bool closeEarly = false;                // the connection ends short of the body
  std::optional<uint64_t> stallAt;        // body offset of the pause
};

BodyPlan PlanBody(const Faults& faults, uint64_t fileOffset, uint64_t length) {
  BodyPlan plan;
  plan.sendUntil = length;
  if (faults.dropAfter && *faults.dropAfter < length) {
    plan.sendUntil = *faults.dropAfter;
    plan.closeEarly = true;
  }
  if (faults.truncateAt) {
    // The archive ends at truncateAt for every request, whatever range it asks for.
    const uint64_t available = *faults.truncateAt > fileOffset ? *faults.truncateAt - fileOffset : 0;
    if (available < length) {
      plan.sendUntil = std::min(plan.sendUntil, available);
      plan.closeEarly = true;
    }
  }
  if (faults.stallAfter && *faults.stallAfter < plan.sendUntil) plan.stallAt = *faults.stallAfter;
  return plan;
}

}  // namespace

UpdateHost::UpdateHost(std::filesystem::path root, const FaultSwitch& faults, RequestLog& log,
                       RequestObserver observer)
    : root_(std::move(root)), faults_(faults), log_(log), observer_(std::move(observer)) {}

void UpdateHost::Serve(Connection& connection) const {
  std::string buffer;
  for (;;) {
    // The whole head must arrive within one idle time-out, so a client that
    // trickles bytes cannot hold a thread for long.
    const Clock::time_point deadline = Clock::now() + connection.IdleTimeout();
    size_t headEnd = std::string::npos;
    for (;;) {
      // Blank lines before a request line are tolerated (RFC 9112, 2.2).
      const size_t start = buffer.find_first_not_of("\r\n");
      buffer.erase(0, start == std::string::npos ? buffer.size() : start);
      headEnd = FindHeadEnd(buffer);
      if (headEnd != std::string::npos || buffer.size() > kMaxRequestHeadBytes) break;
      const size_t room = kMaxRequestHeadBytes + 1 - buffer.size();
      if (connection.ReceiveSome(buffer, room, deadline) != ReceiveStatus::kData) return;
    }
    if (headEnd == std::string::npos || headEnd > kMaxRequestHeadBytes) {
      RequestRecord record;
      record.peer = connection.Peer();
      record.port = connection.LocalPort();
      SendError(connection, record, 431, false);
      return;
    }
    const std::string head = buffer.substr(0, headEnd);
    buffer.erase(0, headEnd);
    if (!Answer(connection, head)) return;
  }
}

bool UpdateHost::Answer(Connection& connection, std::string_view head) const {
  RequestRecord record;
  record.peer = connection.Peer();
  record.port = connection.LocalPort();
  const std::optional<RequestHead> request = ParseRequestHead(head);
  if (!request) return SendError(connection, record, 400, false);
  record.method = request->method;
  record.path = std::string(request->Path());
  record.range = std::string(request->Find("Range").value_or(""));
  // A request body is never read, so the connection cannot carry another request.
  const bool keepAlive = WantsKeepAlive(*request) && !HasBody(*request);

  if (request->method != "GET" && request->method != "HEAD") {
    return SendError(connection, record, 405, keepAlive, {{"Allow", "GET, HEAD"}});
  }
  const TargetFileName target = ParseTargetFileName(request->target);
  switch (target.kind) {
    case TargetFileName::Kind::kRejected: return SendError(connection, record, 400, false);
    case TargetFileName::Kind::kNoName: return SendError(connection, record, 404, keepAlive);
    case TargetFileName::Kind::kName: break;
  }
  return AnswerFile(connection, *request, target.name, keepAlive, record);
}

bool UpdateHost::AnswerFile(Connection& connection, const RequestHead& request,
                            const std::string& name, bool keepAlive, RequestRecord& record) const {
  // Opened afresh for every request, so a replaced /bb.txt is seen at once.
  // O_NONBLOCK keeps a FIFO in the folder from blocking the open.
  const std::string path = (root_ / name).string();
  UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  struct stat info {};
  if (!file.Valid() || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return SendError(connection, record, 404, keepAlive);
  }
  const auto total = static_cast<uint64_t>(info.st_size);
  const Faults faults = faults_.Get();
  const Faults none;
  const Faults& active = faults.AppliesTo("/" + name) ? faults : none;

  // We give no validators, so an If-Range can never match: send the whole body.
  const bool rangesHonoured = !active.refuseRanges && !request.Find("If-Range");
  const RangeAnswer range =
      rangesHonoured ? ResolveRange(request.Find("Range"), total) : RangeAnswer{};
  if (range.kind == RangeAnswer::Kind::kUnsatisfiable) {
    return SendError(connection, record, 416, keepAlive,
                     {{"Accept-Ranges", "bytes"}, {"Content-Range", "bytes */" + std::to_string(total)}});
  }
  const bool partial = range.kind == RangeAnswer::Kind::kPart;
  const uint64_t first = partial ? range.first : 0;
  const uint64_t length = partial ? range.last - range.first + 1 : total;

  std::vector<HttpHeader> headers = {
      {"Accept-Ranges", "bytes"},
      // The files change between runs of a test; no client may keep a copy.
      {"Cache-Control", "no-cache"},
      {"Content-Type", ContentType(name)},
      {"Content-Length", std::to_string(length)},
  };
  if (partial) {
    headers.push_back({"Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                            std::to_string(range.last) + "/" +
                                            std::to_string(total)});
  }
  headers.push_back({"Connection", keepAlive ? "keep-alive" : "close"});
  record.status = partial ? 206 : 200;
  Record(record);
  if (!connection.SendAll(FormatResponseHead(record.status, headers))) return false;
  if (request.method == "HEAD") return keepAlive;

  const BodyPlan plan = PlanBody(active, first, length);
  uint64_t sent = 0;
  if (plan.stallAt) {
    if (!connection.SendFileRange(file.Get(), first, *plan.stallAt)) return false;
    sent = *plan.stallAt;
    if (!connection.Pause(active.stallFor)) return false;
  }
  if (!connection.SendFileRange(file.Get(), first + sent, plan.sendUntil - sent)) return false;
  return keepAlive && !plan.closeEarly;
}

bool UpdateHost::SendError(Connection& connection, RequestRecord& record, int status,
                           bool keepAlive, std::vector<HttpHeader> extra) const {
  record.status = status;
  Record(record);
  const std::string body = std::to_string(status) + " " + std::string(ReasonPhrase(status)) + "\n";
  std::vector<HttpHeader> headers = std::move(extra);
  headers.push_back({"Content-Type", "text/plain"});
  headers.push_back({"Content-Length", std::to_string(body.size())});
  headers.push_back({"Connection", keepAlive ? "keep-alive" : "close"});
  std::string response = FormatResponseHead(status, headers);
  if (record.method != "HEAD") response += body;
  return connection.SendAll(response) && keepAlive;
}

void UpdateHost::Record(const RequestRecord& record) const {
  log_.Add(record);
  if (observer_) observer_(record);
}

}  // namespace devserver
