// Helpers the devserver tests share: a temporary folder, an HTTP client on
// libcurl, a raw socket client for requests libcurl will not send, and a
// server fixture on ephemeral ports.
#pragma once

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/pattern_bytes.h"
#include "tests/support/temp_dir.h"
#include "tools/devserver/server.h"

namespace devserver_test {

// A folder of its own for one test, removed afterwards.
using TempFolder = testing_support::TempDir;

using testing_support::PatternBytes;

struct HttpCall {
  HttpCall(std::string url, std::vector<std::string> headers = {}, bool head = false,
           long timeoutMs = 10000)
      : url(std::move(url)), headers(std::move(headers)), head(head), timeoutMs(timeoutMs) {}
  std::string url;
  std::vector<std::string> headers;  // "Range: bytes=0-9"
  bool head;
  long timeoutMs;
};

struct HttpResult {
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string body;
  std::map<std::string, std::string> headers;  // names in lower case, of the last response
  long newConnections = 0;                      // connections curl opened for this call
  // "" when the header is absent.
  std::string Header(const std::string& lowerCaseName) const;
};

// One curl handle: calls through the same session reuse its connection.
class CurlSession {
 public:
  CurlSession();
  ~CurlSession();
  CurlSession(const CurlSession&) = delete;
  CurlSession& operator=(const CurlSession&) = delete;
  HttpResult Fetch(const HttpCall& call);

 private:
  CURL* easy_;
};

HttpResult Fetch(const HttpCall& call);

// A plain TCP client on 127.0.0.1 with bounded waits.
class RawClient {
 public:
  explicit RawClient(uint16_t port);
  ~RawClient();
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;
  bool Connected() const { return fd_ >= 0; }
  bool Send(const std::string& bytes);
  // Sends a FIN: the request is complete, the answer can still be read.
  void ShutdownWrite();
  // Reads until the server closes or the time runs out; closed tells which.
  std::string ReadUntilClosed(std::chrono::milliseconds timeout, bool* closed = nullptr);
  // Reads one response whose body is framed by Content-Length (no body for
  // an answer to HEAD); "" when none came in time.
  std::string ReadResponse(std::chrono::milliseconds timeout, bool toHead = false);
  // Waits up to timeout for bytes, then takes what comes until nothing more
  // has arrived for quiet: a gateway reply, which has no framing.
  std::string ReadReply(std::chrono::milliseconds timeout,
                        std::chrono::milliseconds quiet = std::chrono::milliseconds(100));
  // True when the server has closed the connection within timeout (bytes
  // that arrive meanwhile are dropped).
  bool ClosedWithin(std::chrono::milliseconds timeout);

 private:
  int fd_ = -1;
  std::string pending_;
};

// The status code of a raw response text, 0 when none.
int StatusOf(const std::string& response);

// Options for a server over root on ephemeral ports (every service's).
devserver::Options EphemeralOptions(const std::filesystem::path& root);

// Runs a devserver::Server on ephemeral ports over a fresh root folder.
class ServerFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts (or restarts) the server with options; root and ports are filled in.
  void StartServer(devserver::Options options = {});
  std::string Url(const std::string& path) const;

  TempFolder root_;
  std::unique_ptr<devserver::Server> server_;
};

}  // namespace devserver_test
