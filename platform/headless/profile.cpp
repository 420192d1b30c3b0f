// Profile files with the semantics of Windows' private profile API, for the
// headless backend: names match without regard to ASCII case, values are
// trimmed and lose one pair of enclosing quotes, writes keep the rest of the
// file as it was.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/headless/state.h"
#include "platform/profile.h"

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::vector<std::string> Lines(const std::string& content) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// The section name of a "[name]" line, or nullopt for other lines.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  return Trim(line.substr(0, line.find(']')));
}

// The key of a "key=value" line (the whole line when it has no "=").
std::string_view KeyOf(std::string_view line) { return Trim(line.substr(0, line.find('='))); }

std::string_view ValueOf(std::string_view line) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return {};
  std::string_view value = Trim(line.substr(eq + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

Text ReadProfileValue(const Text& path, const Text& section, const Text& key) {
  const std::optional<std::string> content = ReadWholeFile(path);
  if (!content) return {};
  bool inSection = false;
  for (const std::string& line : Lines(*content)) {
    if (auto name = SectionOf(line)) {
      inSection = SameName(*name, section);
      continue;
    }
    if (inSection && !Trim(line).empty() && SameName(KeyOf(line), key))
      return Text(ValueOf(line).substr(0, kProfileValueLimit));
  }
  return {};
}

bool WriteProfileValue(const Text& path, const Text& section, const Text& key, const Text& value) {
  std::vector<std::string> lines = Lines(ReadWholeFile(path).value_or(""));
  const std::string entry = key + "=" + std::string(Trim(value));
  // Find the section, then the key inside it, or the place after its last line.
  size_t at = lines.size();
  size_t insertAt = lines.size();
  bool found = false;
  for (size_t i = 0; i < lines.size() && !found; ++i) {
    auto name = SectionOf(lines[i]);
    if (!name || !SameName(*name, section)) continue;
    insertAt = i + 1;
    for (size_t k = i + 1; k < lines.size(); ++k) {
      if (SectionOf(lines[k])) break;
      if (Trim(lines[k]).empty()) continue;
      insertAt = k + 1;
      if (SameName(KeyOf(lines[k]), key)) {
        at = k;
        break;
      }
    }
    found = true;
  }
  if (at < lines.size()) {
    lines[at] = entry;
  } else if (found) {
    lines.insert(lines.begin() + long(insertAt), entry);
  } else {
    lines.push_back("[" + section + "]");
    lines.push_back(entry);
  }
  std::string content;
  for (const std::string& line : lines) content += line + "\r\n";
  // Written beside the file and moved over it: a reader never sees half a file.
  const Text temporary = path + ".writing";
  if (!WriteWholeFile(temporary, content)) return false;
  if (std::rename(headless::NativePath(temporary).c_str(), headless::NativePath(path).c_str()) != 0) {
    DeleteFileAt(temporary);
    return false;
  }
  return true;
}

}  // namespace platform
