#include "tools/devserver/file_name.h"

#include <optional>

namespace devserver {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> PercentDecoded(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      decoded += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    decoded += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return decoded;
}

bool IsPlainName(std::string_view name) {
  if (name.empty() || name.front() == '.') return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || c == ':' || u < 0x20 || u == 0x7f) return false;
  }
  return true;
}

}  // namespace

TargetFileName ParseTargetFileName(std::string_view target) {
  TargetFileName result;
  if (target.empty() || target.front() != '/') return result;
  std::string_view path = target.substr(1);
  path = path.substr(0, path.find('?'));
  if (path.find('#') != std::string_view::npos) return result;
  const std::optional<std::string> name = PercentDecoded(path);
  if (!name) return result;
  if (name->empty()) {
    result.kind = TargetFileName::Kind::kNoName;
    return result;
  }
  if (!IsPlainName(*name)) return result;
  result.kind = TargetFileName::Kind::kName;
  result.name = *name;
  return result;
}

}  // namespace devserver
