// Numbers as the recording and the statistics lines write them.
#pragma once

#include <charconv>
#include <cmath>

namespace orva::record::detail {

// The fewest digits that read back to v, decimal point: in plain form from
// 1e-5 up to 1e9 (500000, not 5e+05), in exponent form beyond (2e-07), so
// that no number takes more than about 25 characters. Writes within
// [first, last) only; returns the end of the text, `first` when v is not
// finite or does not fit.
template <class T>
char* ShortestText(char* first, char* last, T v) {
  if (!std::isfinite(v)) return first;
  const T a = std::abs(v);
  const bool plain = a == 0 || (a >= T(1e-5) && a < T(1e9));
  const auto r = plain ? std::to_chars(first, last, v, std::chars_format::fixed)
                       : std::to_chars(first, last, v);
  return r.ec == std::errc() ? r.ptr : first;
}

}  // namespace orva::record::detail
