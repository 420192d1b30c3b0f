#include "tools/devserver/http_message.h"

#include <ctime>

namespace devserver {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// RFC 9110 token characters: what a method and a header name are made of.
bool IsTokenChar(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsTokenChar(c)) return false;
  }
  return true;
}

bool HasControlChar(std::string_view text, bool allowTab) {
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if ((u < 0x20 && !(allowTab && c == '\t')) || u == 0x7f) return true;
  }
  return false;
}

// Splits head into lines, dropping the CR of CR LF line ends.
std::vector<std::string_view> Lines(std::string_view head) {
  std::vector<std::string_view> lines;
  while (!head.empty()) {
    const size_t end = head.find('\n');
    std::string_view line = head.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    head.remove_prefix(end + 1);
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::optional<RequestHead> ParseRequestLine(std::string_view line) {
  const size_t firstSpace = line.find(' ');
  const size_t lastSpace = line.rfind(' ');
  if (firstSpace == std::string_view::npos || firstSpace == lastSpace) return std::nullopt;
  RequestHead request;
  request.method = std::string(line.substr(0, firstSpace));
  request.target = std::string(line.substr(firstSpace + 1, lastSpace - firstSpace - 1));
  const std::string_view version = line.substr(lastSpace + 1);
  if (!IsToken(request.method) || request.target.empty() ||
      request.target.find(' ') != std::string::npos || HasControlChar(request.target, false)) {
    return std::nullopt;
  }
  if (version.size() != 8 || version.substr(0, 7) != "HTTP/1." || version[7] < '0' ||
      version[7] > '9') {
    return std::nullopt;
  }
  request.minorVersion = version[7] - '0';
  return request;
}

}  // namespace

std::optional<std::string_view> RequestHead::Find(std::string_view name) const {
  for (const HttpHeader& header : headers) {
    if (EqualsIgnoringCase(header.name, name)) return std::string_view(header.value);
  }
  return std::nullopt;
}

bool RequestHead::HasToken(std::string_view name, std::string_view token) const {
  for (const HttpHeader& header : headers) {
    if (!EqualsIgnoringCase(header.name, name)) continue;
    std::string_view rest = header.value;
    while (!rest.empty()) {
      const size_t comma = rest.find(',');
      if (EqualsIgnoringCase(TrimBlanks(rest.substr(0, comma)), token)) return true;
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
  }
  return false;
}

std::string_view RequestHead::Path() const {
  const std::string_view target(this->target);
  return target.substr(0, target.find('?'));
}

size_t FindHeadEnd(std::string_view buffer) {
  for (size_t i = buffer.find('\n'); i != std::string_view::npos; i = buffer.find('\n', i + 1)) {
    if (i + 1 < buffer.size() && buffer[i + 1] == '\n') return i + 2;
    if (i + 2 < buffer.size() && buffer[i + 1] == '\r' && buffer[i + 2] == '\n') return i + 3;
  }
  return std::string_view::npos;
}

std::optional<RequestHead> ParseRequestHead(std::string_view head) {
  const std::vector<std::string_view> lines = Lines(head);
  if (lines.empty()) return std::nullopt;
  std::optional<RequestHead> request = ParseRequestLine(lines.front());
  if (!request) return std::nullopt;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const size_t colon = line.find(':');
    // No colon, a blank inside the name, or an obsolete folded line.
    if (colon == std::string_view::npos || !IsToken(line.substr(0, colon))) return std::nullopt;
    const std::string_view value = TrimBlanks(line.substr(colon + 1));
    if (HasControlChar(value, true)) return std::nullopt;
    request->headers.push_back({std::string(line.substr(0, colon)), std::string(value)});
  }
  return request;
}

bool WantsKeepAlive(const RequestHead& request) {
  if (request.HasToken("Connection", "close")) return false;
  return request.minorVersion >= 1 || request.HasToken("Connection", "keep-alive");
}

bool HasBody(const RequestHead& request) {
  if (request.Find("Transfer-Encoding")) return true;
  const std::optional<std::string_view> length = request.Find("Content-Length");
  return length && *length != "0";
}

std::string_view ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 416: return "Range Not Satisfiable";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    default: return "Unknown";
  }
}

std::string FormatResponseHead(int status, const std::vector<HttpHeader>& headers) {
  char date[64] = {};
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  std::strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S GMT", &utc);

  std::string head = "HTTP/1.1 " + std::to_string(status) + " " + std::string(ReasonPhrase(status));
  head += "\r\nDate: ";
  head += date;
  head += "\r\nServer: devserver\r\n";
  for (const HttpHeader& header : headers) {
    head += header.name + ": " + header.value + "\r\n";
  }
  head += "\r\n";
  return head;
}

}  // namespace devserver
