// A task's settings as the connections use them: checked, clamped, derived.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/download/download_task.h"

namespace platform::download {

struct TransferSettings {
  std::string url;        // the address without surrounding blanks
  std::string referrer;   // sent with every request
  int connections = 1;    // 1 .. kMaxConnections
  int receiveBlock = kMaxReceiveBlock;  // 1 .. kMaxReceiveBlock
  int connectTimeoutMs = 20000;
  int sendTimeoutMs = 20000;
  std::chrono::milliseconds receiveTimeout{20000};
  std::chrono::milliseconds stopWait{1000};
  int64_t speedLimit = 0;  // bytes per second; 0: none
};

inline constexpr int kMaxConnections = 16;

TransferSettings SettingsFor(const DownloadTask& task);

// The referrer a task sends when it names none: the address cut before its
// last "/" ("http://h:8089/up.zip" -> "http://h:8089").
std::string DefaultReferrer(std::string_view address);

// True for an address the HTTP primitive can fetch ("http://", any case).
bool IsHttpAddress(std::string_view address);

}  // namespace platform::download
