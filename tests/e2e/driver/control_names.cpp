#include "control_names.h"

#if E2E_DRIVER_HAS_FORMS
#include "forms/main_form.h"
#include "platform/win32/control_ids.h"
#endif

namespace driver {

#if E2E_DRIVER_HAS_FORMS

// The Win32 toolkit numbers controls by their index in the form's table
// (platform/win32/control_ids.h), so the table alone tells the IDs.

std::optional<int> ControlIdByName(std::string_view name) {
  int id = platform::win32::ControlId(forms::MainForm(), name);
  if (id < 0) return std::nullopt;
  return id;
}

std::string ControlNameById(int id) {
  const auto& controls = forms::MainForm().controls;
  for (size_t i = 0; i < controls.size(); ++i) {
    if (platform::win32::ControlIdAt(i) == id) return std::string(controls[i].name);
  }
  return {};
}

bool KnowsControlNames() { return true; }

#else

std::optional<int> ControlIdByName(std::string_view) { return std::nullopt; }
std::string ControlNameById(int) { return {}; }
bool KnowsControlNames() { return false; }

#endif

}  // namespace driver
