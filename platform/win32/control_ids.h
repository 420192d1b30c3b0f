// How the Win32 toolkit names what it builds from a form table, so that a
// program driving the launcher from outside (an end-to-end test) can find a
// control by its name: its control ID is 1000 + its index in the table.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/toolkit.h"

namespace platform::win32 {

// IDs below 1000 are left alone: IsDialogMessage sends IDOK (1) and IDCANCEL (2).
constexpr int kFirstControlId = 1000;

constexpr int ControlIdAt(std::size_t index) { return kFirstControlId + int(index); }

// The control ID of the named control, -1 when the form has none. Names are
// the UTF-8 names of the form table.
inline int ControlId(const FormSpec& form, std::string_view name) {
  for (std::size_t i = 0; i < form.controls.size(); ++i)
    if (form.controls[i].name == name) return ControlIdAt(i);
  return -1;
}

// The window class of a form's windows: "LauncherForm." + the form's name,
// for FindWindowW.
inline std::wstring FormClassName(std::string_view formName) {
  std::wstring name = L"LauncherForm.";
  for (char c : formName) name.push_back(wchar_t(static_cast<unsigned char>(c)));  // form names are ASCII
  return name;
}

}  // namespace platform::win32
