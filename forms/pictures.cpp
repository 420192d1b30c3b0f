#include "forms/pictures.h"

namespace forms {
namespace embedded {
std::span<const unsigned char> Find(std::string_view name);
}

std::span<const unsigned char> Picture(std::string_view fileName) { return embedded::Find(fileName); }

}  // namespace forms
