// Field values and their checked conversions; field kinds of declared types.
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "orva/dao.h"
#include "orva/printable.h"
#include "text.h"

namespace orva::dao {
namespace {

using detail::EqualsNoCase;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// A whole text as one number: an integer when it is written as one, else a real.
bool ParseNumber(std::string_view text, std::int64_t& i, double& d, bool& is_integer) {
  const std::string_view t = Trim(text);
  if (t.empty()) return false;
  const char* first = t.data();
  const char* last = t.data() + t.size();
  if (*first == '+') ++first;  // from_chars takes no plus sign
  if (first == last) return false;
  auto ri = std::from_chars(first, last, i);
  if (ri.ec == std::errc() && ri.ptr == last) {
    is_integer = true;
    return true;
  }
  auto rd = std::from_chars(first, last, d);
  if (rd.ec == std::errc() && rd.ptr == last && std::isfinite(d)) {
    is_integer = false;
    return true;
  }
  return false;
}

[[noreturn]] void Null() { throw Error(ErrorKind::kNullValue, "the field holds no value (null)"); }
[[noreturn]] void Mismatch(const std::string& text) {
  throw Error(ErrorKind::kTypeMismatch, "\"" + Printable(text, 40) + "\" is not a number");
}
[[noreturn]] void Overflow() { throw Error(ErrorKind::kOverflow, "the number is out of range"); }

std::int64_t IntegerIn(const Value& v, std::int64_t lo, std::int64_t hi) {
  std::int64_t i = 0;
  double d = 0;
  bool is_integer = false;
  if (v.IsNull()) Null();
  if (v.IsInteger()) {
    i = std::get<std::int64_t>(v.Raw());
    is_integer = true;
  } else if (v.IsReal()) {
    d = std::get<double>(v.Raw());
  } else if (!ParseNumber(std::get<std::string>(v.Raw()), i, d, is_integer)) {
    Mismatch(std::get<std::string>(v.Raw()));
  }
  if (!is_integer) {
    if (!std::isfinite(d)) Overflow();
    const double r = std::nearbyint(d);  // half to even in the default rounding mode
    if (r < static_cast<double>(lo) || r > static_cast<double>(hi)) Overflow();
    i = static_cast<std::int64_t>(r);
  }
  if (i < lo || i > hi) Overflow();
  return i;
}

}  // namespace

std::string Value::AsText() const {
  if (IsNull()) Null();
  if (IsInteger()) return std::to_string(std::get<std::int64_t>(v_));
  if (IsReal()) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, std::get<double>(v_));
    return std::string(buf, r.ptr);
  }
  return std::get<std::string>(v_);
}

std::int16_t Value::AsInt16() const {
  return static_cast<std::int16_t>(IntegerIn(*this, std::numeric_limits<std::int16_t>::min(),
                                             std::numeric_limits<std::int16_t>::max()));
}

std::int32_t Value::AsInt32() const {
  return static_cast<std::int32_t>(IntegerIn(*this, std::numeric_limits<std::int32_t>::min(),
                                             std::numeric_limits<std::int32_t>::max()));
}

double Value::AsDouble() const {
  if (IsNull()) Null();
  if (IsInteger()) return static_cast<double>(std::get<std::int64_t>(v_));
  if (IsReal()) return std::get<double>(v_);
  std::int64_t i = 0;
  double d = 0;
  bool is_integer = false;
  if (!ParseNumber(std::get<std::string>(v_), i, d, is_integer)) Mismatch(std::get<std::string>(v_));
  return is_integer ? static_cast<double>(i) : d;
}

float Value::AsSingle() const {
  const double d = AsDouble();
  // Outside this range the conversion to float has no value (and is undefined).
  if (!std::isfinite(d) || std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
    Overflow();
  return static_cast<float>(d);
}

bool Value::AsBoolean() const {
  if (IsText()) {
    const std::string_view t = Trim(std::get<std::string>(v_));
    if (EqualsNoCase(t, "true")) return true;
    if (EqualsNoCase(t, "false")) return false;
  }
  return AsDouble() != 0.0;
}

std::string_view DeclaredType(FieldType type) {
  switch (type) {
    case FieldType::kText: return "TEXT";
    case FieldType::kInt16: return "SMALLINT";
    case FieldType::kInt32: return "INTEGER";
    case FieldType::kBoolean: return "BOOLEAN";
    case FieldType::kSingle: return "FLOAT";
    case FieldType::kDouble: return "DOUBLE";
    case FieldType::kAny: break;
  }
  return "";
}

FieldType TypeOfDeclared(std::string_view declared) {
  std::string up;
  for (char c : Trim(declared)) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // The name without a size or precision: "VARCHAR(20)" -> "VARCHAR".
  const std::string base = up.substr(0, up.find('('));
  const std::string_view b = Trim(base);
  if (b == "SMALLINT" || b == "INT16" || b == "SHORT") return FieldType::kInt16;
  if (b == "BOOLEAN" || b == "BOOL" || b == "BIT" || b == "YESNO") return FieldType::kBoolean;
  if (b == "FLOAT" || b == "SINGLE") return FieldType::kSingle;
  if (b == "REAL" || b == "DOUBLE" || b == "DOUBLE PRECISION") return FieldType::kDouble;
  if (b.find("INT") != std::string_view::npos) return FieldType::kInt32;
  if (b.find("CHAR") != std::string_view::npos || b.find("CLOB") != std::string_view::npos ||
      b.find("TEXT") != std::string_view::npos)
    return FieldType::kText;
  return FieldType::kAny;
}

}  // namespace orva::dao
