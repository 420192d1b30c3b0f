// Control names of the launcher's main window and their dialog IDs, so tests
// can say `text 版本更新提示` instead of a number.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace driver {

// The ID of the control of that (UTF-8) name in the main window's form.
std::optional<int> ControlIdByName(std::string_view name);
// The name of the control with that ID; empty when unknown.
std::string ControlNameById(int id);
// False when the driver was built without the launcher's form tables.
bool KnowsControlNames();

}  // namespace driver
