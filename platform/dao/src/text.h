// Text helpers of the database layer.
#pragma once

#include <cctype>
#include <string_view>

namespace orva::dao::detail {

// ASCII letters compared without regard to case, as the engine compares names.
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace orva::dao::detail
