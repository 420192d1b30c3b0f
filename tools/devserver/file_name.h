// The plain file name a request target names in the served folder.
#pragma once

#include <string>
#include <string_view>

namespace devserver {

struct TargetFileName {
  enum class Kind {
    kName,      // name holds a plain file name
    kNoName,    // "/" or "/?query": nothing to serve (404)
    kRejected,  // not one plain name in the folder (400)
  };
  Kind kind = Kind::kRejected;
  std::string name;
};

// "/bb.txt" -> "bb.txt". The target must be "/" plus one name, percent-escapes
// decoded, and the decoded name must stay inside the folder: no "/", "\",
// ":", NUL or other control bytes, and no leading "." (so no "." or ".."
// either, however encoded). The query is ignored.
TargetFileName ParseTargetFileName(std::string_view target);

}  // namespace devserver
