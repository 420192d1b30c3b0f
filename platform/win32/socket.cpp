// The client socket control on WinSock: a blocking connect, then
// WSAAsyncSelect so that data arrival is a window message on the UI thread.
#include "platform/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/toolkit.h"
#include "platform/win32/no_destructor.h"
#include "platform/win32/ui_thread.h"

namespace platform {
namespace {

using win32::NoDestructor;

constexpr UINT kSocketMessage = WM_APP + 16;  // wParam: the socket; lParam: event and error
constexpr wchar_t kSocketWindowClass[] = L"LauncherSocketEvents";

class WinSockClient;

// The sockets with a live connection, by handle (UI thread only).
NoDestructor<std::map<SOCKET, WinSockClient*>> liveSockets;

void StartWinSock() {
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
  });
}

LRESULT CALLBACK SocketWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The hidden window that receives the sockets' events, made on the UI thread.
HWND SocketWindow() {
  static HWND window = nullptr;
  if (!window) {
    win32::OnUi([] {
      WNDCLASSEXW windowClass{};
      windowClass.cbSize = sizeof windowClass;
      windowClass.lpfnWndProc = SocketWindowProc;
      windowClass.hInstance = win32::ModuleInstance();
      windowClass.lpszClassName = kSocketWindowClass;
      ::RegisterClassExW(&windowClass);
      window = ::CreateWindowExW(0, kSocketWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 win32::ModuleInstance(), nullptr);
    });
  }
  return window;
}

class WinSockClient final : public ClientSocket {
 public:
  ~WinSockClient() override { Close(); }

  bool Connect(const std::string& host, int port) override {
    Close();
    StartWinSock();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found) return false;
    const SOCKET s = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    bool connected = s != INVALID_SOCKET && ::connect(s, found->ai_addr, int(found->ai_addrlen)) == 0;
    ::freeaddrinfo(found);
    const HWND window = SocketWindow();
    // From here the socket is non-blocking and reports to the hidden window.
    if (connected) connected = window && ::WSAAsyncSelect(s, window, kSocketMessage, FD_READ | FD_CLOSE) == 0;
    if (!connected) {
      if (s != INVALID_SOCKET) ::closesocket(s);
      return false;
    }
    socket_ = s;
    win32::OnUi([&] { (*liveSockets)[s] = this; });
    return true;
  }

  bool Send(std::string_view bytes) override {
    if (socket_ == INVALID_SOCKET) return false;
    // The socket is non-blocking now: wait (boundedly) for room when it is full.
    while (!bytes.empty()) {
      const int sent = ::send(socket_, bytes.data(), int(std::min<size_t>(bytes.size(), 1 << 20)), 0);
      if (sent > 0) {
        bytes.remove_prefix(size_t(sent));
        continue;
      }
      if (sent == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK && WaitWritable()) continue;
      return false;
    }
    return true;
  }

  void OnDataArrival(std::function<void()> handler) override { onData_ = std::move(handler); }
  std::string GetData() const override { return data_; }
  void Disconnect() override { Close(); }
  bool IsConnected() const override { return socket_ != INVALID_SOCKET; }

  // An FD_READ or FD_CLOSE for this socket (UI thread).
  void OnEvent() {
    std::string arrived;
    const bool closed = ReadAvailable(arrived);
    // Its handle may be reused by the next connection: close only on an end actually read.
    if (closed) Close();
    if (arrived.empty()) return;
    data_ = std::move(arrived);
    if (!onData_) return;
    const std::function<void()> handler = onData_;
    win32::PortableCall portable;
    handler();  // may destroy this control: nothing touches it afterwards
  }

 private:
  // Everything the socket holds now; true when the peer closed or the connection failed.
  bool ReadAvailable(std::string& out) {
    char buffer[64 * 1024];
    for (;;) {
      const int got = ::recv(socket_, buffer, sizeof buffer, 0);
      if (got > 0) {
        out.append(buffer, size_t(got));
        continue;
      }
      if (got == 0) return true;
      return ::WSAGetLastError() != WSAEWOULDBLOCK;
    }
  }

  bool WaitWritable() {
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(socket_, &writable);
    timeval limit{10, 0};
    return ::select(0, nullptr, &writable, nullptr, &limit) == 1;
  }

  void Close() {
    if (socket_ == INVALID_SOCKET) return;
    const SOCKET s = socket_;
    socket_ = INVALID_SOCKET;
    win32::OnUi([&] { liveSockets->erase(s); });
    ::closesocket(s);
  }

  SOCKET socket_ = INVALID_SOCKET;
  std::function<void()> onData_;
  std::string data_;
};

LRESULT CALLBACK SocketWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kSocketMessage) return ::DefWindowProcW(window, message, wParam, lParam);
  const auto found = liveSockets->find(SOCKET(wParam));
  // Events of a socket closed since they were posted are stale.
  if (found != liveSockets->end()) found->second->OnEvent();
  return 0;
}

}  // namespace

std::unique_ptr<ClientSocket> ClientSocket::Create() { return std::make_unique<WinSockClient>(); }

}  // namespace platform
