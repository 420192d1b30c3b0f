#include "platform/download/transfer_settings.h"

#include <algorithm>

namespace platform::download {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::string_view kScheme = "http://";

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// A time-out of 0 or less would end every wait at once: take the record's default.
int PositiveOr(int value, int fallback) { return value > 0 ? value : fallback; }

}  // namespace

bool IsHttpAddress(std::string_view address) {
  if (address.size() <= kScheme.size()) return false;
  for (size_t i = 0; i < kScheme.size(); ++i) {
    char c = address[i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != kScheme[i]) return false;
  }
  return true;
}

std::string DefaultReferrer(std::string_view address) {
  address = Trimmed(address);
  const size_t slash = address.rfind('/');
  // "http://host" has no path: its last "/" belongs to the scheme.
  const size_t scheme = address.find("://");
  if (slash == std::string_view::npos || (scheme != std::string_view::npos && slash < scheme + 3)) {
    return std::string(address);
  }
  return std::string(address.substr(0, slash));
}

TransferSettings SettingsFor(const DownloadTask& task) {
  const DownloadTask defaults;
  TransferSettings settings;
  settings.url = std::string(Trimmed(task.address));
  settings.referrer = task.referrer.empty() ? DefaultReferrer(settings.url) : task.referrer;
  settings.connections = std::clamp(task.connections, 1, kMaxConnections);
  settings.receiveBlock = task.receiveBlock > 0 ? std::min(task.receiveBlock, kMaxReceiveBlock) : kMaxReceiveBlock;
  settings.connectTimeoutMs = PositiveOr(task.connectTimeoutMs, defaults.connectTimeoutMs);
  settings.sendTimeoutMs = PositiveOr(task.sendTimeoutMs, defaults.sendTimeoutMs);
  settings.receiveTimeout = std::chrono::milliseconds(PositiveOr(task.receiveTimeoutMs, defaults.receiveTimeoutMs));
  settings.stopWait = std::chrono::milliseconds(std::max(task.stopWaitMs, 0));
  settings.speedLimit = std::max(task.speedLimit, 0);
  return settings;
}

}  // namespace platform::download
