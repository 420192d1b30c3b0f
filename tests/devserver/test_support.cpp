#include "test_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace devserver_test {

namespace {

using Clock = std::chrono::steady_clock;

struct CurlGlobal {
  CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  ~CurlGlobal() { curl_global_cleanup(); }
};

size_t CollectBody(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

size_t CollectHeader(char* data, size_t size, size_t count, void* target) {
  auto& headers = *static_cast<std::map<std::string, std::string>*>(target);
  std::string line(data, size * count);
  if (line.starts_with("HTTP/")) headers.clear();  // a new response starts
  const size_t colon = line.find(':');
  if (colon != std::string::npos) {
    std::string name = line.substr(0, colon);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string value = line.substr(colon + 1);
    value.erase(0, value.find_first_not_of(" \t"));
    value.erase(value.find_last_not_of(" \t\r\n") + 1);
    headers[name] = value;
  }
  return size * count;
}

}  // namespace

std::string HttpResult::Header(const std::string& lowerCaseName) const {
  const auto it = headers.find(lowerCaseName);
  return it == headers.end() ? "" : it->second;
}

CurlSession::CurlSession() {
  static CurlGlobal global;
  easy_ = curl_easy_init();
}

CurlSession::~CurlSession() { curl_easy_cleanup(easy_); }

HttpResult CurlSession::Fetch(const HttpCall& call) {
  HttpResult result;
  curl_slist* headers = nullptr;
  for (const std::string& header : call.headers) headers = curl_slist_append(headers, header.c_str());
  curl_easy_setopt(easy_, CURLOPT_URL, call.url.c_str());
  curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy_, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(easy_, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(easy_, CURLOPT_NOBODY, call.head ? 1L : 0L);
  if (!call.head) curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy_, CURLOPT_TIMEOUT_MS, call.timeoutMs);
  curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, 5000L);
  curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, CollectBody);
  curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &result.body);
  curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, CollectHeader);
  curl_easy_setopt(easy_, CURLOPT_HEADERDATA, &result.headers);
  result.code = curl_easy_perform(easy_);
  curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &result.status);
  curl_easy_getinfo(easy_, CURLINFO_NUM_CONNECTS, &result.newConnections);
  curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, nullptr);
  curl_slist_free_all(headers);
  return result;
}

HttpResult Fetch(const HttpCall& call) {
  CurlSession session;
  return session.Fetch(call);
}

RawClient::RawClient(uint16_t port) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

RawClient::~RawClient() {
  if (fd_ >= 0) ::close(fd_);
}

bool RawClient::Send(const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

void RawClient::ShutdownWrite() { ::shutdown(fd_, SHUT_WR); }

std::string RawClient::ReadUntilClosed(std::chrono::milliseconds timeout, bool* closed) {
  const auto deadline = Clock::now() + timeout;
  std::string data = std::exchange(pending_, {});
  if (closed) *closed = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return data;
    pollfd fd = {fd_, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return data;
    char buffer[65536];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) {
      if (closed) *closed = true;
      return data;
    }
    data.append(buffer, static_cast<size_t>(n));
  }
}

std::string RawClient::ReadResponse(std::chrono::milliseconds timeout, bool toHead) {
  const auto deadline = Clock::now() + timeout;
  std::string& data = pending_;
  for (;;) {
    const size_t headEnd = data.find("\r\n\r\n");
    if (headEnd != std::string::npos) {
      size_t length = 0;
      const size_t at = data.find("Content-Length: ");
      if (!toHead && at != std::string::npos && at < headEnd) length = std::stoul(data.substr(at + 16));
      if (data.size() >= headEnd + 4 + length) {
        std::string response = data.substr(0, headEnd + 4 + length);
        data.erase(0, response.size());
        return response;
      }
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd fd = {fd_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return {};
    char buffer[65536];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) return {};
    data.append(buffer, static_cast<size_t>(n));
  }
}

std::string RawClient::ReadReply(std::chrono::milliseconds timeout, std::chrono::milliseconds quiet) {
  std::string data = std::exchange(pending_, {});
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    // Before the first byte the whole time-out counts, after it only the quiet.
    const auto wait = data.empty() ? left : std::min(left, quiet);
    pollfd fd = {fd_, POLLIN, 0};
    if (wait.count() <= 0 || ::poll(&fd, 1, static_cast<int>(wait.count())) <= 0) return data;
    char buffer[65536];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) return data;
    data.append(buffer, static_cast<size_t>(n));
  }
}

bool RawClient::ClosedWithin(std::chrono::milliseconds timeout) {
  bool closed = false;
  ReadUntilClosed(timeout, &closed);
  return closed;
}

int StatusOf(const std::string& response) {
  if (!response.starts_with("HTTP/1.1 ") || response.size() < 12) return 0;
  return std::atoi(response.substr(9, 3).c_str());
}

devserver::Options EphemeralOptions(const std::filesystem::path& root) {
  devserver::Options options;
  options.root = root;
  options.updatePort = 0;
  options.pagePort = 0;
  options.accountPort = 0;
  return options;
}

void ServerFixture::SetUp() { StartServer(); }

void ServerFixture::TearDown() { server_.reset(); }

void ServerFixture::StartServer(devserver::Options options) {
  server_.reset();
  options.root = root_.path();
  options.updatePort = 0;
  options.pagePort = 0;
  options.accountPort = 0;
  server_ = std::make_unique<devserver::Server>(std::move(options));
  const std::optional<std::string> failure = server_->Start();
  ASSERT_FALSE(failure) << *failure;
}

std::string ServerFixture::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(server_->UpdatePort()) + path;
}

}  // namespace devserver_test
