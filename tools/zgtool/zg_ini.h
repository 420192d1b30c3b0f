// zg.ini as the operator makes it: section "server" with the server's name and
// the client version enciphered with the config key, the patch file name plain.
#pragma once

#include <string>

#include "platform/text.h"

namespace zgtool {

using platform::Text;

struct ZgIni {
  Text name;
  Text version;
  Text patchName;
};

// The file's bytes (GBK, CR LF line ends).
std::string FormatZgIni(const ZgIni& values);

// The three values deciphered; empty where a key is missing.
ZgIni ReadZgIni(const Text& path);

}  // namespace zgtool
