// Reading a report-style list view of another process.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace driver {

struct ListViewColumn {
  std::wstring caption;
  int width = 0;
};

struct ListViewContents {
  std::vector<ListViewColumn> columns;
  std::vector<std::vector<std::wstring>> rows;  // one text per column
};

// Nullopt when the process cannot be opened or the list view does not answer.
std::optional<ListViewContents> ReadListView(HWND listView, DWORD timeoutMs);

}  // namespace driver
