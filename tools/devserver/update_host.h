// The update host: plain files of one folder over HTTP/1.1 (and 1.0), with
// byte ranges and keep-alive, and the faults of a FaultSwitch.
#pragma once

#include <filesystem>
#include <functional>

#include "tools/devserver/connection.h"
#include "tools/devserver/faults.h"
#include "tools/devserver/http_message.h"
#include "tools/devserver/request_log.h"

namespace devserver {

class UpdateHost {
 public:
  using RequestObserver = std::function<void(const RequestRecord&)>;

  // faults and log must outlive the host; observer (may be empty) is called
  // on connection threads for every request.
  UpdateHost(std::filesystem::path root, const FaultSwitch& faults, RequestLog& log,
             RequestObserver observer);

  // Answers requests on the connection until the client closes it, it idles
  // out, a fault ends it, or the server stops. A Listener handler.
  void Serve(Connection& connection) const;

 private:
  // Answers one request; false when the connection must end afterwards.
  bool Answer(Connection& connection, std::string_view head) const;
  bool AnswerFile(Connection& connection, const RequestHead& request, const std::string& name,
                  bool keepAlive, RequestRecord& record) const;
  bool SendError(Connection& connection, RequestRecord& record, int status, bool keepAlive,
                 std::vector<HttpHeader> extra = {}) const;
  void Record(const RequestRecord& record) const;

  std::filesystem::path root_;
  const FaultSwitch& faults_;
  RequestLog& log_;
  RequestObserver observer_;
};

}  // namespace devserver
