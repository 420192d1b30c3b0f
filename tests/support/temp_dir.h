// A folder of its own for one test, removed afterwards.
#pragma once

#include <filesystem>
#include <string>

#include "platform/text.h"

namespace testing_support {

class TempDir {
 public:
  explicit TempDir(const std::string& name = "launcher-test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // A file in the folder as the launcher names it: GBK, "\" separators.
  platform::Text Text(const std::string& utf8Name) const;
  std::string Read(const std::string& utf8Name) const;
  void Write(const std::string& utf8Name, const std::string& bytes) const;
  bool Exists(const std::string& utf8Name) const;

 private:
  std::filesystem::path path_;
};

}  // namespace testing_support
