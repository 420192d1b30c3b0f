#include "platform/zip/safe_path.h"

#include <array>
#include <string_view>

namespace platform::zip {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A double-byte character of code page 936 starts with 0x81..0xFE (0x80 alone is the euro
// sign). Its second byte may be '\\' or '|', so the scan must step over whole characters.
bool StartsDoubleByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

bool IsForbiddenByte(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == ':' || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' ||
         c == '*';
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool EqualsUpper(std::string_view s, std::string_view upper) {
  if (s.size() != upper.size()) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    if (Upper(s[i]) != upper[i]) return false;
  }
  return true;
}

// Windows opens a device for these names in any folder and with any extension.
bool IsDeviceName(std::string_view component) {
  const std::string_view base = component.substr(0, component.find('.'));
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (EqualsUpper(base, device)) return true;
  }
  if (base.size() == 4 && (EqualsUpper(base.substr(0, 3), "COM") || EqualsUpper(base.substr(0, 3), "LPT"))) {
    return base[3] >= '0' && base[3] <= '9';
  }
  return false;
}

// Checks one component and appends it; false when it must be refused.
bool AppendComponent(std::string_view component, RelativePath& out) {
  if (component.empty() || component == ".") return true;
  if (component == ".." || component.back() == '.' || component.back() == ' ' || IsDeviceName(component)) {
    return false;
  }
  if (!out.path.empty()) {
    out.folderLength = out.path.size();
    out.path += '\\';
  }
  out.path += component;
  return true;
}

}  // namespace

std::optional<RelativePath> SafeRelativePath(const Text& name) {
  if (name.empty() || IsSeparator(name[0])) return std::nullopt;
  RelativePath out;
  size_t componentStart = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = name[i];
    if (StartsDoubleByte(c) && i + 1 < name.size()) {
      ++i;
    } else if (IsForbiddenByte(c)) {
      return std::nullopt;
    } else if (IsSeparator(char(c))) {
      if (!AppendComponent(std::string_view(name).substr(componentStart, i - componentStart), out)) {
        return std::nullopt;
      }
      componentStart = i + 1;
    }
  }
  const std::string_view last = std::string_view(name).substr(componentStart);
  if (last == "." || !AppendComponent(last, out)) return std::nullopt;
  // A trailing separator makes a folder entry (a trail byte '\\' does not: componentStart).
  out.isFolder = componentStart == name.size();
  if (out.isFolder) out.folderLength = out.path.size();
  if (!out.isFolder && out.path.empty()) return std::nullopt;
  return out;
}

}  // namespace platform::zip
