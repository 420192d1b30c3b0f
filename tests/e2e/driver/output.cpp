#include "output.h"

#include <windows.h>

#include <cstdio>

namespace driver {

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring out(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), size);
  return out;
}

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += char(c);
        }
    }
  }
  return out + "\"";
}

void JsonLine::Key(std::string_view key) {
  if (!body_.empty()) body_ += ",";
  body_ += JsonString(key) + ":";
}

JsonLine& JsonLine::Str(std::string_view key, std::string_view utf8) {
  Key(key);
  body_ += JsonString(utf8);
  return *this;
}

JsonLine& JsonLine::Str(std::string_view key, std::wstring_view text) { return Str(key, Utf8(text)); }

JsonLine& JsonLine::Num(std::string_view key, long long number) {
  Key(key);
  body_ += std::to_string(number);
  return *this;
}

JsonLine& JsonLine::Bool(std::string_view key, bool flag) {
  Key(key);
  body_ += flag ? "true" : "false";
  return *this;
}

JsonLine& JsonLine::Null(std::string_view key) {
  Key(key);
  body_ += "null";
  return *this;
}

JsonLine& JsonLine::Raw(std::string_view key, std::string_view json) {
  Key(key);
  body_ += json;
  return *this;
}

void JsonLine::Print() const { WriteOut(Json() + "\n"); }

namespace {

void WriteAll(DWORD which, std::string_view bytes) {
  HANDLE handle = GetStdHandle(which);
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), DWORD(bytes.size()), &written, nullptr) || written == 0) return;
    bytes.remove_prefix(written);
  }
}

}  // namespace

void WriteOut(std::string_view bytes) { WriteAll(STD_OUTPUT_HANDLE, bytes); }
void WriteErr(std::string_view bytes) { WriteAll(STD_ERROR_HANDLE, bytes); }

}  // namespace driver
