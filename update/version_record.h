// Writing the installed version into zg.ini.
#pragma once

#include "platform/text.h"

namespace update {

// Writes the enciphered version as "本地版本" of section "server" of zg.ini in
// the run directory. A copy of the file is updated and then moved over it,
// so an interrupted write never leaves zg.ini half written. False when the
// value could not be recorded; zg.ini is then as it was.
bool RecordLocalVersion(const platform::Text& encipheredVersion);

}  // namespace update
