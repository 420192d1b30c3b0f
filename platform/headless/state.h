// State shared by the headless backend's files (not for tests: see driver.h).
#pragma once

#include <string>

#include "platform/text.h"

namespace platform::headless {

// A launcher path (GBK, "\" separators) as a Linux path (UTF-8, "/").
std::string NativePath(const Text& path);
const std::string& RunDirectoryPath();      // process.cpp
const std::string& WorkingDirectoryPath();  // process.cpp

void ResetToolkit();     // toolkit.cpp
void CloseAllWindows();  // toolkit.cpp: drops every window without events
void ResetProcess();     // process.cpp
void CountHttpRequest(); // http.cpp

}  // namespace platform::headless
