// The client socket control: one TCP connection at a time, with data-arrival
// events on the user-interface thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

class ClientSocket {
 public:
  virtual ~ClientSocket() = default;
  static std::unique_ptr<ClientSocket> Create();

  // Closes any connection this control holds, opens a new one and waits for
  // the outcome (blocking the calling thread). True when connected.
  virtual bool Connect(const std::string& host, int port) = 0;

  // Sends the bytes as they are, without a terminator. False when not connected.
  virtual bool Send(std::string_view bytes) = 0;

  // Raised on the user-interface thread when data has arrived; GetData then
  // returns everything that was available at that moment.
  virtual void OnDataArrival(std::function<void()> handler) = 0;
  virtual std::string GetData() const = 0;

  virtual void Disconnect() = 0;
  virtual bool IsConnected() const = 0;
};

}  // namespace platform
