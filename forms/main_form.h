// The layout of MainWindow: 973 x 475 pixels, its controls in table order.
#pragma once

#include "platform/toolkit.h"

namespace forms {

const platform::FormSpec& MainForm();

}  // namespace forms
