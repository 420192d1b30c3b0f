#include "tests/download/scripted_range_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace download_testing {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The value of a header in a request head; empty when absent.
std::string HeaderValue(const std::string& head, const std::string& name) {
  const std::string lower = Lower(head);
  const size_t at = lower.find("\r\n" + Lower(name) + ":");
  if (at == std::string::npos) return {};
  size_t begin = at + 3 + name.size();
  while (begin < head.size() && head[begin] == ' ') ++begin;
  return head.substr(begin, head.find("\r\n", begin) - begin);
}

// Waits up to 100 ms for the socket; false when the server stops meanwhile.
bool WaitReadable(int socket, const std::atomic<bool>& stopping) {
  while (!stopping.load()) {
    pollfd ready{socket, POLLIN, 0};
    if (::poll(&ready, 1, 100) > 0) return true;
  }
  return false;
}

// Sleeps for `duration` in short steps; false when the server stops meanwhile.
bool Pause(std::chrono::milliseconds duration, const std::atomic<bool>& stopping) {
  const auto end = std::chrono::steady_clock::now() + duration;
  while (!stopping.load()) {
    const auto left = end - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return true;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(20)));
  }
  return false;
}

bool SendAll(int socket, const std::string& bytes, const std::atomic<bool>& stopping) {
  size_t sent = 0;
  while (sent < bytes.size() && !stopping.load()) {
    const ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += size_t(n);
  }
  return sent == bytes.size();
}

}  // namespace

ScriptedRangeServer::ScriptedRangeServer(Script script) : script_(std::move(script)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::listen(listener_, 64) == 0 &&
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port_ = ntohs(address.sin_port);
  }
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

ScriptedRangeServer::~ScriptedRangeServer() {
  stopping_.store(true);
  acceptThread_.join();
  for (std::thread& connection : connections_) connection.join();
  ::close(listener_);
}

std::vector<ScriptedRequest> ScriptedRangeServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

ScriptedAnswer ScriptedRangeServer::Honest(const std::string& file, const ScriptedRequest& request) {
  const int64_t size = int64_t(file.size());
  if (!request.first) return {200, "", file};
  const int64_t first = *request.first;
  const int64_t last = std::min(request.last.value_or(size - 1), size - 1);
  return {206, "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(size),
          file.substr(size_t(first), size_t(last - first + 1))};
}

void ScriptedRangeServer::AcceptLoop() {
  while (WaitReadable(listener_, stopping_)) {
    const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket >= 0) connections_.emplace_back([this, socket] { Serve(socket); });
  }
}

void ScriptedRangeServer::Serve(int socket) {
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && WaitReadable(socket, stopping_)) {
    const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    head.append(buffer, size_t(n));
  }
  if (head.find("\r\n\r\n") == std::string::npos) {
    ::close(socket);
    return;
  }
  ScriptedRequest request;
  request.index = nextIndex_.fetch_add(1);
  request.rangeHeader = HeaderValue(head, "Range");
  request.referrer = HeaderValue(head, "Referer");
  long long first = 0, last = 0;
  if (std::sscanf(request.rangeHeader.c_str(), "bytes=%lld-%lld", &first, &last) == 2) {
    request.first = first;
    request.last = last;
  } else if (std::sscanf(request.rangeHeader.c_str(), "bytes=%lld-", &first) == 1) {
    request.first = first;
  }
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }
  const ScriptedAnswer answer = script_(request);
  std::string response = "HTTP/1.1 " + std::to_string(answer.status) + " Scripted\r\n";
  response += "Accept-Ranges: bytes\r\n";
  if (!answer.contentRange.empty()) response += "Content-Range: " + answer.contentRange + "\r\n";
  response += "Content-Length: " + std::to_string(answer.body.size()) + "\r\nConnection: close\r\n\r\n";
  if (Pause(answer.firstByteDelay, stopping_) && SendAll(socket, response, stopping_)) {
    SendAll(socket, answer.body, stopping_);
  }
  ::shutdown(socket, SHUT_WR);
  ::close(socket);
}

}  // namespace download_testing
