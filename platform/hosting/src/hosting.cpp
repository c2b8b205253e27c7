#include "orva/hosting.h"

#include <charconv>
#include <cfenv>
#include <cmath>
#include <limits>
#include <system_error>

namespace orva::hosting {

std::string ControlError::TextOf(int number) {
  switch (number) {
    case kInvalidCall: return "Invalid procedure call or argument";
    case kOverflow: return "Overflow";
    case kOutOfMemory: return "Out of memory";
    case kDivisionByZero: return "Division by zero";
    case kSetNotSupportedAtRunTime: return "Set not supported at run time";
    case kGetNotSupportedAtRunTime: return "Get not supported at run time";
    default: return "Error " + std::to_string(number);
  }
}

ControlError::ControlError(int number, const std::string& text)
    : std::runtime_error(text), number_(number) {}

ControlError::ControlError(int number) : ControlError(number, TextOf(number)) {}

std::int64_t RoundHalfEven(double x) {
  // nearbyint honours the current rounding mode, which is to-nearest-even
  // unless someone changed it; make sure of it locally.
  const int saved = std::fegetround();
  if (saved != FE_TONEAREST) std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(x);
  if (saved != FE_TONEAREST) std::fesetround(saved);
  if (!(r >= -9.2233720368547748e18 && r < 9.2233720368547748e18)) throw ControlError(kOverflow);
  return static_cast<std::int64_t>(r);
}

namespace {

bool SameValue(const PropertyValue& a, const PropertyValue& b) {
  if (a.index() == b.index()) return a == b;
  // An integer and a real compare by value (a default of 0 matches 0.0).
  const auto da = ToDouble(a);
  const auto db = ToDouble(b);
  if (std::holds_alternative<std::string>(a) || std::holds_alternative<std::string>(b)) return false;
  return da && db && *da == *db;
}

// Numbers in a property record are written and read the same way whatever
// the user's locale: "." is the decimal point (strtod would follow the C
// locale and misread "12.25" under a comma-decimal one). Blanks around the
// number and a leading "+" are allowed.
std::optional<double> ParseNumber(const std::string& s) {
  const char* p = s.data();
  const char* end = s.data() + s.size();
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  while (end > p && (end[-1] == ' ' || end[-1] == '\t')) --end;
  if (p < end && *p == '+') ++p;
  if (p == end) return std::nullopt;
  double d = 0.0;
  const auto res = std::from_chars(p, end, d);
  // Out-of-range magnitudes come back as result_out_of_range: not a number
  // that fits a double.
  if (res.ec != std::errc() || res.ptr != end) return std::nullopt;
  return d;
}

}  // namespace

std::optional<double> ToDouble(const PropertyValue& v) {
  if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&v)) return *d;
  return ParseNumber(std::get<std::string>(v));
}

std::optional<std::int64_t> ToInteger(const PropertyValue& v, std::int64_t lo, std::int64_t hi) {
  std::int64_t r = 0;
  if (const auto* i = std::get_if<std::int64_t>(&v)) {
    r = *i;
  } else {
    const auto d = ToDouble(v);
    if (!d) return std::nullopt;
    if (!std::isfinite(*d)) throw ControlError(kOverflow);
    r = RoundHalfEven(*d);
  }
  if (r < lo || r > hi) throw ControlError(kOverflow);
  return r;
}

void PropertyBag::WriteProperty(std::string_view key, const PropertyValue& value,
                                const PropertyValue& def) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->first == key) {
      if (SameValue(value, def)) {
        entries_.erase(it);
      } else {
        it->second = value;
      }
      return;
    }
  }
  if (!SameValue(value, def)) entries_.emplace_back(std::string(key), value);
}

const PropertyValue* PropertyBag::Find(std::string_view key) const {
  for (const auto& e : entries_)
    if (e.first == key) return &e.second;
  return nullptr;
}

PropertyValue PropertyBag::ReadProperty(std::string_view key, const PropertyValue& def) const {
  const PropertyValue* v = Find(key);
  return v ? *v : def;
}

std::int64_t PropertyBag::ReadInt(std::string_view key, std::int64_t def) const {
  const PropertyValue* v = Find(key);
  if (!v) return def;
  return ToInteger(*v, std::numeric_limits<std::int64_t>::min(),
                   std::numeric_limits<std::int64_t>::max())
      .value_or(def);
}

std::int16_t PropertyBag::ReadInt16(std::string_view key, std::int16_t def) const {
  const PropertyValue* v = Find(key);
  if (!v) return def;
  return static_cast<std::int16_t>(ToInteger(*v, INT16_MIN, INT16_MAX).value_or(def));
}

std::int32_t PropertyBag::ReadInt32(std::string_view key, std::int32_t def) const {
  const PropertyValue* v = Find(key);
  if (!v) return def;
  return static_cast<std::int32_t>(ToInteger(*v, INT32_MIN, INT32_MAX).value_or(def));
}

bool PropertyBag::ReadBool(std::string_view key, bool def) const {
  const PropertyValue* v = Find(key);
  if (!v) return def;
  const auto d = ToDouble(*v);
  return d ? *d != 0.0 : def;
}

double PropertyBag::ReadDouble(std::string_view key, double def) const {
  const PropertyValue* v = Find(key);
  if (!v) return def;
  return ToDouble(*v).value_or(def);
}

std::string PropertyBag::ReadString(std::string_view key, const std::string& def) const {
  const PropertyValue* v = Find(key);
  if (!v) return def;
  if (const auto* s = std::get_if<std::string>(v)) return *s;
  if (const auto* i = std::get_if<std::int64_t>(v)) return std::to_string(*i);
  // Shortest text that reads back as the same double, "." as decimal point.
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::get<double>(*v));
  return std::string(buf, res.ptr);
}

bool PropertyBag::Contains(std::string_view key) const { return Find(key) != nullptr; }

std::vector<std::string> PropertyBag::Keys() const {
  std::vector<std::string> keys;
  keys.reserve(entries_.size());
  for (const auto& e : entries_) keys.push_back(e.first);
  return keys;
}

void HostedControl::DesignTimeSetOnly() const {
  if (user_mode_) throw ControlError(kSetNotSupportedAtRunTime);
}

void HostedControl::DesignTimeGetOnly() const {
  if (user_mode_) throw ControlError(kGetNotSupportedAtRunTime);
}

}  // namespace orva::hosting
