// Reading a message box (a #32770 dialog) of another process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

// Dialog item IDs of the system's message box.
constexpr int kMessageBoxTextId = 65535;
constexpr int kMessageBoxIconId = 1088;
constexpr int kMessageBoxOkId = IDOK;

struct MessageBoxButton {
  int id = 0;
  std::wstring text;
};

struct MessageBoxInfo {
  std::wstring title;
  std::wstring text;
  std::string icon;        // error, warning, information, question, none or unknown
  std::string iconDetail;  // how the icon was recognised, or the scores when it was not
  std::vector<MessageBoxButton> buttons;
};

MessageBoxInfo ReadMessageBox(HWND dialog);

}  // namespace driver
