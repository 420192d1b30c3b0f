// The record of how the client was started, for whoever started it to check.
#pragma once

#include <string>

namespace dummy_client {

// Writes online-started.txt beside the running executable: the raw command
// line on the first line, the working directory on the second, in UTF-8.
// False when the file could not be written.
bool WriteStartRecord();

// A whole number from the environment variable, or fallback when it is
// missing or not a number.
long EnvironmentNumber(const wchar_t* name, long fallback);

}  // namespace dummy_client
