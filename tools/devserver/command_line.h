// The devserver program's command line.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "tools/devserver/server.h"

namespace devserver {

struct CommandLine {
  Options options;
  std::string portsFile;  // empty: none
  bool verbose = false;   // one stderr line per request
  bool help = false;
  std::string error;      // non-empty: bad usage, and the other fields mean nothing
};

// args excludes the program name.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

std::string_view UsageText();

}  // namespace devserver
