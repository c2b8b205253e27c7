// Readout texts and the channel-samples text.
#include "orva/scope/readouts.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <locale>
#include <string_view>

namespace orva::scope {

namespace {

// -1: not read yet; otherwise the separator character.
std::atomic<int> g_separator{-1};

// Replaces the '.' that to_chars always writes by the separator.
void Localise(char* first, char* last, char separator) {
  for (char* p = first; p != last; ++p)
    if (*p == '.') *p = separator;
}

// value with the given number of decimals, then the unit.
std::string Fixed(double value, int decimals, std::string_view unit) {
  // Room for the longest fixed form of a double (309 digits, sign, decimals).
  std::array<char, 400> buf{};
  char* end = buf.data();
  if (std::isnan(value)) {
    end = std::copy_n("nan", 3, buf.data());
  } else if (std::isinf(value)) {
    end = value < 0 ? std::copy_n("-inf", 4, buf.data()) : std::copy_n("inf", 3, buf.data());
  } else {
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                 std::chars_format::fixed, decimals);
    end = r.ptr;
    // A value that rounds to zero loses its sign.
    if (buf[0] == '-') {
      bool zero = true;
      for (char* p = buf.data() + 1; p != end; ++p)
        if (*p >= '1' && *p <= '9') { zero = false; break; }
      if (zero) {
        std::copy(buf.data() + 1, end, buf.data());
        --end;
      }
    }
    Localise(buf.data(), end, DecimalSeparator());
  }
  std::string out(buf.data(), end);
  out += unit;
  return out;
}

}  // namespace

char DecimalSeparatorOfLocale(const char* name) {
  try {
    const std::locale loc(name == nullptr ? "" : name);
    const char c = std::use_facet<std::numpunct<char>>(loc).decimal_point();
    return c == '\0' ? '.' : c;
  } catch (...) {
    return '.';
  }
}

char DecimalSeparator() {
  int c = g_separator.load(std::memory_order_relaxed);
  if (c < 0) {
    c = static_cast<unsigned char>(DecimalSeparatorOfLocale(""));
    int expected = -1;
    // Another caller may have set an override meanwhile; that one wins.
    if (!g_separator.compare_exchange_strong(expected, c)) c = expected;
  }
  return static_cast<char>(c);
}

void SetDecimalSeparator(char separator) {
  g_separator = static_cast<unsigned char>(separator);
}

void ResetDecimalSeparator() {
  g_separator = -1;
}

std::string FormatoVoltios(float x) {
  const double v = x;
  if (std::fabs(x) < 1.0f) return Fixed(v * 1000.0, 2, " mV");
  return Fixed(v, 2, " V");
}

std::string FormatoTiempo(float x) {
  const double v = x;
  const double a = std::fabs(v);
  if (a < 1e-6) return Fixed(v * 1e9, 2, " ns");
  if (a < 0.001) return Fixed(v * 1e6, 2, " us");
  if (a < 1.0) return Fixed(v * 1000.0, 2, " ms");
  return Fixed(v, 2, " s");
}

std::string FormatoFrecuencia(float x) {
  const double v = x;
  const double a = std::fabs(v);
  if (a > 1e6) return Fixed(v / 1e6, 2, " MHz");
  if (a > 1000.0) return Fixed(v / 1000.0, 2, " KHz");
  return Fixed(v, 0, " Hz");
}

std::string TextoDeMuestrasDeCanal(const float* a, std::ptrdiff_t count, double vdiv,
                                   char separator) {
  std::string text;
  if (a == nullptr || count <= 0) return text;
  const std::ptrdiff_t last = count - 1 < 767 ? count - 1 : 767;
  text.reserve(static_cast<std::size_t>(last + 1) * 12);
  std::array<char, 48> buf{};
  for (std::ptrdiff_t j = 0; j <= last; ++j) {
    const double volts = (static_cast<double>(a[j]) - 128.0) / 128.0 * vdiv * 4.0;
    // Beyond the float range (an absurd VDiv) the text is an infinity rather
    // than an undefined conversion.
    const float v = std::fabs(volts) <= 3.4028234663852886e38 ? static_cast<float>(volts)
                    : std::isnan(volts)                        ? std::nanf("")
                                                               : std::copysign(HUGE_VALF, static_cast<float>(volts > 0 ? 1 : -1));
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v);
    Localise(buf.data(), r.ptr, separator);
    text.append(buf.data(), r.ptr);
    text.push_back('\r');
  }
  return text;
}

}  // namespace orva::scope
