// HTTP on libcurl for the headless backend: a pull-style stream over curl's
// multi interface, pausing the transfer while the reader is behind so memory
// stays bounded. Every wait is a poll of the multi handle, which a cancel
// from another thread wakes.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/headless/state.h"
#include "platform/http.h"

namespace platform {
namespace {

constexpr size_t kMaxBuffered = 256 * 1024;

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

class CurlStream final : public HttpStream {
 public:
  explicit CurlStream(const HttpRequest& request)
      : receiveTimeoutMs_(std::max(request.receiveTimeoutMs, 1)), cancel_(request.cancel) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    curl_easy_setopt(easy_, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_PROXY, "");  // a direct connection
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, long(std::max(request.connectTimeoutMs, 1)));
    if (request.http10) curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
    if (request.rangeFirst >= 0) {
      range_ = std::to_string(request.rangeFirst) + "-" +
               (request.rangeLast >= 0 ? std::to_string(request.rangeLast) : std::string());
      curl_easy_setopt(easy_, CURLOPT_RANGE, range_.c_str());
    }
    if (!request.referrer.empty()) curl_easy_setopt(easy_, CURLOPT_REFERER, request.referrer.c_str());
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlStream::OnHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlStream::OnBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_multi_add_handle(multi_, easy_);
    // curl_multi_wakeup is the one multi call that may come from another thread.
    subscription_ = HttpCancel::Subscribe(cancel_, [multi = multi_] { curl_multi_wakeup(multi); });
  }

  ~CurlStream() override {
    subscription_.Reset();  // no wake may reach the multi handle once it is gone
    curl_multi_remove_handle(multi_, easy_);
    curl_easy_cleanup(easy_);
    curl_multi_cleanup(multi_);
  }

  // Waits for the response's headers; false when none came.
  bool AwaitHeaders(int timeoutMs) {
    Drive([&] { return headersDone_; }, timeoutMs);
    return headersDone_ && !Cancelled();
  }

  int Status() const override { return status_; }

  std::string Header(const std::string& name) const override {
    auto it = headers_.find(Lower(name));
    return it == headers_.end() ? std::string() : it->second;
  }

  int Read(void* buffer, int size) override {
    if (Cancelled()) return -1;  // even with bytes buffered: the transfer is over
    if (size <= 0) return 0;
    if (offset_ == buffered_.size()) {
      buffered_.clear();
      offset_ = 0;
      if (paused_) {
        paused_ = false;
        curl_easy_pause(easy_, CURLPAUSE_CONT);  // may deliver data at once
      }
      if (buffered_.empty()) {
        Drive([&] { return !buffered_.empty(); }, receiveTimeoutMs_);
        if (Cancelled()) return -1;
        if (buffered_.empty()) return done_ && result_ == CURLE_OK ? 0 : -1;
      }
    }
    const size_t n = std::min(size_t(size), buffered_.size() - offset_);
    std::memcpy(buffer, buffered_.data() + offset_, n);
    offset_ += n;
    return int(n);
  }

 private:
  bool Cancelled() const { return cancel_ && cancel_->IsCancelled(); }

  // Runs the transfer until ready() holds, it ends, timeoutMs pass without
  // any progress, or the request is cancelled. True when ready() holds.
  template <typename Ready>
  bool Drive(Ready ready, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t seen = received_;
    while (!ready() && !done_) {
      if (Cancelled()) return false;
      int running = 0;
      curl_multi_perform(multi_, &running);
      int queued = 0;
      while (CURLMsg* msg = curl_multi_info_read(multi_, &queued)) {
        if (msg->msg == CURLMSG_DONE) {
          done_ = true;
          result_ = msg->data.result;
        }
      }
      if (ready() || done_) break;
      if (received_ != seen) {  // progress restarts the time-out
        seen = received_;
        deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      curl_multi_poll(multi_, nullptr, 0, int(std::min<int64_t>(left.count(), 100)), nullptr);  // a cancel wakes it
    }
    return ready();
  }

  static size_t OnHeader(char* data, size_t size, size_t count, void* self) {
    auto* s = static_cast<CurlStream*>(self);
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.rfind("HTTP/", 0) == 0) {  // a new response (after 1xx or a redirect)
      s->headers_.clear();
      const size_t sp = line.find(' ');
      s->status_ = sp == std::string::npos ? 0 : std::atoi(line.c_str() + sp + 1);
    } else if (line.empty()) {
      if (s->status_ >= 200) s->headersDone_ = true;
    } else if (const size_t colon = line.find(':'); colon != std::string::npos) {
      size_t v = colon + 1;
      while (v < line.size() && line[v] == ' ') ++v;
      s->headers_[Lower(line.substr(0, colon))] = line.substr(v);
    }
    ++s->received_;
    return size * count;
  }

  static size_t OnBody(char* data, size_t size, size_t count, void* self) {
    auto* s = static_cast<CurlStream*>(self);
    const size_t n = size * count;
    s->headersDone_ = true;
    if (s->buffered_.size() - s->offset_ >= kMaxBuffered) {
      s->paused_ = true;  // curl hands the same bytes again after the pause
      return CURL_WRITEFUNC_PAUSE;
    }
    s->buffered_.append(data, n);
    s->received_ += n;
    return n;
  }

  CURL* easy_ = nullptr;
  CURLM* multi_ = nullptr;
  std::string range_;
  int receiveTimeoutMs_;
  int status_ = 0;
  std::map<std::string, std::string> headers_;
  bool headersDone_ = false;
  bool done_ = false;
  bool paused_ = false;
  CURLcode result_ = CURLE_OK;
  std::string buffered_;
  size_t offset_ = 0;
  size_t received_ = 0;
  std::shared_ptr<HttpCancel> cancel_;
  HttpCancel::Subscription subscription_;
};

}  // namespace

std::unique_ptr<HttpStream> OpenHttp(const HttpRequest& request) {
  if (request.cancel && request.cancel->IsCancelled()) return nullptr;  // nothing is sent
  headless::CountHttpRequest();
  auto stream = std::make_unique<CurlStream>(request);
  const int wait = std::max(request.connectTimeoutMs, 1) + std::max(request.receiveTimeoutMs, 1);
  if (!stream->AwaitHeaders(wait)) return nullptr;
  return stream;
}

std::string HttpGet(const HttpRequest& request) {
  std::unique_ptr<HttpStream> stream = OpenHttp(request);
  std::string body;
  if (!stream) return body;
  char buffer[16384];
  for (;;) {
    const int n = stream->Read(buffer, sizeof buffer);
    if (n <= 0) break;
    body.append(buffer, size_t(n));
  }
  return body;
}

}  // namespace platform
