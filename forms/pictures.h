// The pictures that travel inside the program (forms/pictures, embedded at build time).
#pragma once

#include <span>
#include <string_view>

namespace forms {

// The bytes of the embedded picture file of that name ("main_background.bmp"); empty when absent.
std::span<const unsigned char> Picture(std::string_view fileName);

}  // namespace forms
