// What the driver prints: one JSON object per line on stdout, UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace driver {

std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view utf8);

// A JSON string literal (quotes included) for UTF-8 text.
std::string JsonString(std::string_view utf8);

// One JSON object, built field by field. The setters have distinct names so
// that a string literal can never silently pick the bool overload.
class JsonLine {
 public:
  JsonLine& Str(std::string_view key, std::string_view utf8);
  JsonLine& Str(std::string_view key, std::wstring_view text);
  JsonLine& Num(std::string_view key, long long number);
  JsonLine& Bool(std::string_view key, bool flag);
  JsonLine& Null(std::string_view key);
  JsonLine& Raw(std::string_view key, std::string_view json);  // an array or object already in JSON
  std::string Json() const { return "{" + body_ + "}"; }
  void Print() const;  // one line on stdout

 private:
  void Key(std::string_view key);
  std::string body_;
};

// Writes bytes to stdout / stderr unchanged (no CR LF translation), flushed.
void WriteOut(std::string_view bytes);
void WriteErr(std::string_view bytes);

}  // namespace driver
