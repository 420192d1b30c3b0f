// HTTP/1.x request heads and response heads as text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devserver {

struct HttpHeader {
  std::string name;
  std::string value;
};

struct RequestHead {
  std::string method;
  std::string target;   // as sent: "/bb.txt", "/up.zip?x=1"
  int minorVersion = 1; // HTTP/1.<minor>
  std::vector<HttpHeader> headers;

  // The first value of the header; names match without regard to case.
  std::optional<std::string_view> Find(std::string_view name) const;
  // True when a comma-separated header (Connection) holds the token.
  bool HasToken(std::string_view name, std::string_view token) const;
  // The target without its query: what the request log counts by.
  std::string_view Path() const;
};

// Requests whose head grows past this are refused (431).
inline constexpr size_t kMaxRequestHeadBytes = 16 * 1024;

// Where the head in buffer ends (just past its blank line), or npos while
// incomplete. Lines may end in CR LF or a bare LF.
size_t FindHeadEnd(std::string_view buffer);

// Parses a request line and its header lines; nullopt when malformed.
std::optional<RequestHead> ParseRequestHead(std::string_view head);

// Whether the client lets the connection stay open after this request
// (HTTP/1.1 unless "close"; HTTP/1.0 only with "keep-alive").
bool WantsKeepAlive(const RequestHead& request);

// True when the request announces a body, which this server never reads.
bool HasBody(const RequestHead& request);

std::string_view ReasonPhrase(int status);

// "HTTP/1.1 <status> <reason>", Date and Server, the given headers, blank line.
std::string FormatResponseHead(int status, const std::vector<HttpHeader>& headers);

}  // namespace devserver
