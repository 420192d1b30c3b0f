// HTTP on WinINet, without its cache: every request reaches the server.
//
// Requests run in WinINet's asynchronous mode and the calling thread waits
// for each operation, so that a cancel from another thread ends the wait at
// once: under Wine, closing a handle does not end a blocking call (it waits
// out the receive time-out, and a connect ignores its time-out altogether).
// Only the stream's own thread touches its handles; a cancel sets an event.
#include "platform/http.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

void CloseInternet(HINTERNET handle) { ::InternetCloseHandle(handle); }
using InternetHandle = win32::Owner<HINTERNET, CloseInternet>;
using win32::UniqueHandle;

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

// The sum of positive time-outs; INFINITE when one of them is unbounded.
DWORD WaitBound(std::initializer_list<int> timeoutsMs) {
  int64_t sum = 0;
  for (int ms : timeoutsMs) {
    if (ms <= 0) return INFINITE;
    sum += ms;
  }
  return DWORD(std::min<int64_t>(sum, INFINITE - 1));
}

// ---------------------------------------------------------------- the exchange with WinINet

// What a request shares with WinINet's worker threads: an operation that is
// still under way when its caller stops waiting (cancel, time-out) goes on
// writing here, so this lives until WinINet's last callback for the request.
struct Exchange {
  UniqueHandle completed{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // an operation ended
  UniqueHandle cancelled{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};   // stays set
  INTERNET_ASYNC_RESULT result{};  // written before `completed` is set
  DWORD read = 0;                  // a read's count
  std::vector<char> buffer;        // a read's bytes
  std::wstring headers;            // the request's extra headers, for a send under way
  // WinINet's reference, taken while the request handle exists and dropped
  // by its closing callback; the stream holds its own.
  std::shared_ptr<Exchange> heldByWinInet;
};

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, void* information, DWORD) {
  auto* exchange = reinterpret_cast<Exchange*>(context);
  if (!exchange) return;  // the session and connection carry no context
  if (status == INTERNET_STATUS_REQUEST_COMPLETE) {
    exchange->result = *static_cast<const INTERNET_ASYNC_RESULT*>(information);
    ::SetEvent(exchange->completed);
  } else if (status == INTERNET_STATUS_HANDLE_CLOSING) {
    // The last callback of the request: may free the exchange on return.
    std::shared_ptr<Exchange> last = std::move(exchange->heldByWinInet);
  }
}

// Windows reports a read's success in dwResult; Wine puts the count there,
// 0 at the end of the body, with dwError still 0.
bool Succeeded(const INTERNET_ASYNC_RESULT& result) {
  return result.dwResult != 0 || result.dwError == ERROR_SUCCESS;
}

// ---------------------------------------------------------------- the stream

class WinInetStream final : public HttpStream {
 public:
  WinInetStream(InternetHandle session, InternetHandle connection, InternetHandle request,
                std::shared_ptr<Exchange> exchange, const HttpRequest& settings)
      : session_(std::move(session)),
        connection_(std::move(connection)),
        request_(std::move(request)),
        exchange_(std::move(exchange)),
        cancel_(settings.cancel),
        // The whole way to the headers; WinINet's own time-outs normally end
        // it first, but Wine lets a connect to a silent host run on for minutes.
        sendWaitMs_(WaitBound({settings.connectTimeoutMs, settings.sendTimeoutMs, settings.receiveTimeoutMs})),
        // WinINet ends a silent read itself; this only bounds one that never
        // completes (Wine fills the whole buffer, so a trickle may take longer
        // than one time-out and still be fine).
        readWaitMs_(WaitBound({settings.receiveTimeoutMs, settings.receiveTimeoutMs})) {
    subscription_ = HttpCancel::Subscribe(cancel_, [event = exchange_->cancelled.get()] { ::SetEvent(event); });
  }

  ~WinInetStream() override {
    subscription_.Reset();
    Abort();
  }

  // Sends the request and waits for the response's headers.
  bool Send() {
    if (Cancelled()) return false;
    const std::wstring& headers = exchange_->headers;
    return Perform(sendWaitMs_, [&] {
      return ::HttpSendRequestW(request_,                                    // request
                                headers.empty() ? nullptr : headers.c_str(),  // extra headers
                                DWORD(headers.size()),                     // their length
                                nullptr,                                   // no body
                                0);                                        // body length
    });
  }

  int Status() const override {
    if (!request_) return 0;
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
    if (!request_) return {};
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
    if (!request_ || Cancelled()) {
      Abort();
      return -1;
    }
    if (size <= 0) return 0;
    Exchange& exchange = *exchange_;
    // A read under way writes into the exchange, never into the caller's buffer.
    if (exchange.buffer.size() < size_t(size)) exchange.buffer.resize(size_t(size));
    exchange.read = 0;
    const bool done = Perform(readWaitMs_, [&] {
      return ::InternetReadFile(request_, exchange.buffer.data(), DWORD(size), &exchange.read);
    });
    if (!done) {
      Abort();  // nothing of a broken answer is read again
      return -1;
    }
    std::memcpy(buffer, exchange.buffer.data(), exchange.read);
    if (exchange.read == 0) ended_ = true;
    return int(exchange.read);
  }

 private:
  bool Cancelled() const { return cancel_ && cancel_->IsCancelled(); }

  // Starts an operation and waits for it to end, for the cancel or for
  // waitMs. True when it succeeded.
  template <typename Start>
  bool Perform(DWORD waitMs, Start start) {
    Exchange& exchange = *exchange_;
    ::ResetEvent(exchange.completed);
    if (start()) return true;
    if (::GetLastError() != ERROR_IO_PENDING) return false;
    // The cancel comes first: it wins over a completion at the same moment.
    const HANDLE events[] = {exchange.cancelled, exchange.completed};
    const DWORD woke = ::WaitForMultipleObjects(DWORD(std::size(events)),  // count
                                                events,                    // cancel, completion
                                                FALSE,                     // any one
                                                waitMs);                   // the bound
    if (woke == WAIT_OBJECT_0 + 1) return Succeeded(exchange.result);
    // The operation is still under way: only closing the connection ends it.
    Abort();
    return false;
  }

  // Ends the transfer. Closing a request with body left unread first reads
  // the rest (seconds for a large file); closing its connection ends the
  // transfer at once and takes the request with it.
  void Abort() {
    if (!request_) return;
    if (!ended_) request_.release();
    request_.reset();
    connection_.reset();
    session_.reset();
  }

  InternetHandle session_;
  InternetHandle connection_;
  InternetHandle request_;  // null once aborted
  std::shared_ptr<Exchange> exchange_;
  std::shared_ptr<HttpCancel> cancel_;
  HttpCancel::Subscription subscription_;  // its wake sets exchange_'s event: it goes first
  DWORD sendWaitMs_;
  DWORD readWaitMs_;
  bool ended_ = false;  // the whole body has been read
};

}  // namespace

// ---------------------------------------------------------------- the public operations

std::unique_ptr<HttpStream> OpenHttp(const HttpRequest& request) {
  if (request.cancel && request.cancel->IsCancelled()) return nullptr;  // nothing is sent
  Address address;
  if (!CrackUrl(request.url, address)) return nullptr;
  auto exchange = std::make_shared<Exchange>();
  if (!exchange->completed || !exchange->cancelled) return nullptr;
  InternetHandle session(::InternetOpenW(L"Launcher",                   // user agent
                                         INTERNET_OPEN_TYPE_DIRECT,     // no proxy
                                         nullptr,                       // proxy name
                                         nullptr,                       // proxy bypass
                                         INTERNET_FLAG_ASYNC));         // completions by callback
  if (!session) return nullptr;
  // Handles made below inherit the callback; it acts only for the request's context.
  if (::InternetSetStatusCallbackW(session, &OnStatus) == INTERNET_INVALID_STATUS_CALLBACK) return nullptr;
  SetTimeouts(session, request);
  InternetHandle connection(::InternetConnectW(session,                  // session
                                               address.host.c_str(),     // host
                                               address.port,             // port
                                               nullptr,                  // user name
                                               nullptr,                  // password
                                               INTERNET_SERVICE_HTTP,    // service
                                               0,                        // flags
                                               0));                      // context: no callbacks
  if (!connection) return nullptr;
  const std::wstring referrer = win32::WideFromUtf8(request.referrer);
  const wchar_t* acceptTypes[] = {L"*/*", nullptr};
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                      INTERNET_FLAG_NO_UI | INTERNET_FLAG_KEEP_CONNECTION;
  exchange->heldByWinInet = exchange;
  InternetHandle handle(::HttpOpenRequestW(connection,                                        // connection
                                           L"GET",                                            // verb
                                           address.path.c_str(),                              // path and query
                                           request.http10 ? L"HTTP/1.0" : nullptr,            // version
                                           referrer.empty() ? nullptr : referrer.c_str(),     // referrer
                                           acceptTypes,                                       // Accept
                                           flags,                                             // no cache, no UI
                                           reinterpret_cast<DWORD_PTR>(exchange.get())));     // context
  if (!handle) {
    exchange->heldByWinInet.reset();  // no handle, no closing callback
    return nullptr;
  }
  // Requests take the session's time-outs on Windows; Wine wants them on the request.
  SetTimeouts(handle, request);
  if (request.rangeFirst >= 0) {
    exchange->headers = L"Range: bytes=" + std::to_wstring(request.rangeFirst) + L"-";
    if (request.rangeLast >= 0) exchange->headers += std::to_wstring(request.rangeLast);
    exchange->headers += L"\r\n";
  }
  auto stream = std::make_unique<WinInetStream>(std::move(session), std::move(connection), std::move(handle),
                                                std::move(exchange), request);
  if (!stream->Send()) return nullptr;  // the stream's end closes the connection first: nothing waits for a body
  return stream;
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
