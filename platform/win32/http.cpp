// HTTP on WinINet, without its cache: every request reaches the server.
#include "platform/http.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

void CloseInternet(HINTERNET handle) { ::InternetCloseHandle(handle); }
using InternetHandle = win32::Owner<HINTERNET, CloseInternet>;

struct Address {
  std::wstring host;
  INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
  std::wstring path;  // with the query
};

bool CrackUrl(const std::string& url, Address& address) {
  std::wstring wide = win32::WideFromUtf8(url);
  wchar_t host[256] = {};
  wchar_t path[4096] = {};
  wchar_t extra[4096] = {};
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = DWORD(std::size(host));
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = DWORD(std::size(path));
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = DWORD(std::size(extra));
  if (!::InternetCrackUrlW(wide.c_str(), DWORD(wide.size()), 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP) return false;
  address.host = host;
  address.port = parts.nPort;
  address.path = std::wstring(path) + extra;
  if (address.path.empty()) address.path = L"/";
  return !address.host.empty();
}

void SetTimeout(HINTERNET handle, DWORD option, int milliseconds) {
  DWORD value = DWORD(milliseconds > 0 ? milliseconds : 0);
  ::InternetSetOptionW(handle, option, &value, sizeof value);
}

void SetTimeouts(HINTERNET handle, const HttpRequest& request) {
  SetTimeout(handle, INTERNET_OPTION_CONNECT_TIMEOUT, request.connectTimeoutMs);
  SetTimeout(handle, INTERNET_OPTION_SEND_TIMEOUT, request.sendTimeoutMs);
  SetTimeout(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, request.receiveTimeoutMs);
}

// ---------------------------------------------------------------- the stream

class WinInetStream final : public HttpStream {
 public:
  WinInetStream(InternetHandle session, InternetHandle connection, InternetHandle request)
      : session_(std::move(session)), connection_(std::move(connection)), request_(std::move(request)) {}

  ~WinInetStream() override {
    if (!ended_) {
      // Closing a request with body left unread first reads the rest (seconds
      // for a large file); closing its connection ends the transfer at once,
      // and takes the request handle with it.
      request_.release();
      connection_.reset();
    }
  }

  int Status() const override {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::HttpQueryInfoW(request_,                                        // request
                          HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,  // the code as a number
                          &status,                                         // receives it
                          &size,                                           // its size
                          nullptr)) {                                      // first header of the name
      return 0;
    }
    return int(status);
  }

  std::string Header(const std::string& name) const override {
    const std::wstring wideName = win32::WideFromUtf8(name);
    DWORD room = DWORD(std::max<size_t>(wideName.size() + 1, 256) * sizeof(wchar_t));
    for (int attempt = 0; attempt < 4; ++attempt) {
      // HTTP_QUERY_CUSTOM takes the header's name in the buffer and puts the value there.
      std::wstring buffer(room / sizeof(wchar_t) + 1, L'\0');
      std::copy(wideName.begin(), wideName.end(), buffer.begin());
      DWORD size = room;
      if (::HttpQueryInfoW(request_, HTTP_QUERY_CUSTOM, buffer.data(), &size, nullptr)) {
        buffer.resize(size / sizeof(wchar_t));
        return win32::FromWide(buffer);
      }
      if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
      room = std::max<DWORD>(size, room * 2);
    }
    return {};
  }

  int Read(void* buffer, int size) override {
    if (size <= 0) return 0;
    DWORD read = 0;
    if (!::InternetReadFile(request_, buffer, DWORD(size), &read)) return -1;
    if (read == 0) ended_ = true;
    return int(read);
  }

 private:
  InternetHandle session_;
  InternetHandle connection_;
  InternetHandle request_;
  bool ended_ = false;  // the whole body has been read
};

}  // namespace

// ---------------------------------------------------------------- the public operations

std::unique_ptr<HttpStream> OpenHttp(const HttpRequest& request) {
  Address address;
  if (!CrackUrl(request.url, address)) return nullptr;
  InternetHandle session(::InternetOpenW(L"Launcher",                   // user agent
                                         INTERNET_OPEN_TYPE_DIRECT,     // no proxy
                                         nullptr,                       // proxy name
                                         nullptr,                       // proxy bypass
                                         0));                           // synchronous
  if (!session) return nullptr;
  SetTimeouts(session, request);
  InternetHandle connection(::InternetConnectW(session,                  // session
                                               address.host.c_str(),     // host
                                               address.port,             // port
                                               nullptr,                  // user name
                                               nullptr,                  // password
                                               INTERNET_SERVICE_HTTP,    // service
                                               0,                        // flags
                                               0));                      // context
  if (!connection) return nullptr;
  const std::wstring referrer = win32::WideFromUtf8(request.referrer);
  const wchar_t* acceptTypes[] = {L"*/*", nullptr};
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                      INTERNET_FLAG_NO_UI | INTERNET_FLAG_KEEP_CONNECTION;
  InternetHandle handle(::HttpOpenRequestW(connection,                                        // connection
                                           L"GET",                                            // verb
                                           address.path.c_str(),                              // path and query
                                           request.http10 ? L"HTTP/1.0" : nullptr,            // version
                                           referrer.empty() ? nullptr : referrer.c_str(),     // referrer
                                           acceptTypes,                                       // Accept
                                           flags,                                             // no cache, no UI
                                           0));                                               // context
  if (!handle) return nullptr;
  // Requests take the session's time-outs on Windows; Wine wants them on the request.
  SetTimeouts(handle, request);
  std::wstring headers;
  if (request.rangeFirst >= 0) {
    headers = L"Range: bytes=" + std::to_wstring(request.rangeFirst) + L"-";
    if (request.rangeLast >= 0) headers += std::to_wstring(request.rangeLast);
    headers += L"\r\n";
  }
  if (!::HttpSendRequestW(handle,                                    // request
                          headers.empty() ? nullptr : headers.c_str(),  // extra headers
                          DWORD(headers.size()),                     // their length
                          nullptr,                                   // no body
                          0)) {                                      // body length
    // Close the connection first so that nothing waits for a body.
    handle.release();
    return nullptr;
  }
  return std::make_unique<WinInetStream>(std::move(session), std::move(connection), std::move(handle));
}

std::string HttpGet(const HttpRequest& request) {
  std::unique_ptr<HttpStream> stream = OpenHttp(request);
  if (!stream) return {};
  std::string body;
  char buffer[64 * 1024];
  for (;;) {
    const int read = stream->Read(buffer, sizeof buffer);
    if (read <= 0) break;  // the end, or a failure: keep what came
    body.append(buffer, size_t(read));
  }
  return body;
}

}  // namespace platform
