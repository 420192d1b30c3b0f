// HTTP over the backend's client (WinINet on Windows, libcurl on Linux).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "platform/text.h"

namespace platform {

// Ends requests from another thread: once Cancel() is called, every OpenHttp
// and HttpStream::Read of a request that carries this object fails promptly,
// whether it waits for a connect, for the headers or for body bytes, and any
// later one fails at once. One object may serve many requests at a time.
class HttpCancel {
 public:
  HttpCancel() = default;
  HttpCancel(const HttpCancel&) = delete;
  HttpCancel& operator=(const HttpCancel&) = delete;

  // Any thread, any number of times.
  void Cancel() {
    std::lock_guard lock(mutex_);
    if (cancelled_.exchange(true)) return;
    for (const std::function<void()>& wake : wakes_) wake();
  }

  bool IsCancelled() const { return cancelled_.load(); }

  // For the backends: while a Subscription lives, a Cancel() calls its wake
  // (once, on the cancelling thread; at once on the subscribing thread when
  // the object is cancelled already). Once the Subscription is gone its wake
  // is neither running nor ever called again, so the wake may touch what the
  // subscriber owns. A wake must be quick and must not call this object.
  class Subscription {
   public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept = default;
    Subscription& operator=(Subscription&& other) noexcept {
      if (this != &other) {
        Reset();
        cancel_ = std::move(other.cancel_);
        entry_ = other.entry_;
      }
      return *this;
    }
    ~Subscription() { Reset(); }

    void Reset() {
      if (!cancel_) return;
      {
        std::lock_guard lock(cancel_->mutex_);  // waits for a wake under way
        cancel_->wakes_.erase(entry_);
      }
      cancel_.reset();
    }

   private:
    friend class HttpCancel;
    std::shared_ptr<HttpCancel> cancel_;
    std::list<std::function<void()>>::iterator entry_;
  };

  // An empty Subscription when cancel is null.
  [[nodiscard]] static Subscription Subscribe(const std::shared_ptr<HttpCancel>& cancel, std::function<void()> wake) {
    Subscription subscription;
    if (!cancel) return subscription;
    {
      std::lock_guard lock(cancel->mutex_);
      if (!cancel->cancelled_.load()) {
        subscription.cancel_ = cancel;
        subscription.entry_ = cancel->wakes_.insert(cancel->wakes_.end(), std::move(wake));
        return subscription;
      }
    }
    wake();
    return subscription;
  }

 private:
  std::atomic<bool> cancelled_{false};
  std::mutex mutex_;
  std::list<std::function<void()>> wakes_;
};

struct HttpRequest {
  std::string url;          // http://host:port/path
  bool http10 = false;      // send the request as HTTP/1.0
  int64_t rangeFirst = -1;  // with rangeLast: a Range: bytes=first-last header
  int64_t rangeLast = -1;
  std::string referrer;     // empty: none
  int connectTimeoutMs = 10000;
  int sendTimeoutMs = 10000;
  int receiveTimeoutMs = 10000;
  std::shared_ptr<HttpCancel> cancel;  // null: the request runs to its end or time-out
};

// One response, read as it arrives. Every call blocks; none may be made on two
// threads at once (the request's HttpCancel is the one way in from another
// thread). Destroying the stream aborts a transfer still under way.
class HttpStream {
 public:
  virtual ~HttpStream() = default;
  // The status code (206 for a partial answer).
  virtual int Status() const = 0;
  // A response header's value ("" when absent); names match without regard to case.
  virtual std::string Header(const std::string& name) const = 0;
  // Reads up to size bytes: the count read, 0 at the end, -1 on a failure,
  // a time-out or a cancel.
  virtual int Read(void* buffer, int size) = 0;
};

// Sends the request and waits for the response's headers. Null when no
// response came (host unreachable, time-out, cancelled). No cache is involved.
std::unique_ptr<HttpStream> OpenHttp(const HttpRequest& request);

// The whole body of a GET, whatever the status; empty on failure.
std::string HttpGet(const HttpRequest& request);

}  // namespace platform
