// Control hosting: what a container gives the controls it places.
//
// - PropertyBag: the key/value record a container keeps for each control
//   instance. Reads take a default; writes take a default too, and a value equal
//   to its default is not stored (so a saved record lists only what differs).
//   Keys keep the order in which they were first written.
// - HostedControl: base of the controls. It knows the host's run/design mode
//   (UserMode(): true at run time), forwards property-changed notifications
//   under the property's own name, and raises the run-time errors below.
// - ControlError: the one exception type of control run-time errors, carrying
//   the error number and its text.
//
// Qt-free: the instrument and the controls use it without a window.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace orva::hosting {

// Error numbers raised by controls at run time.
enum ErrorNumber : int {
  kInvalidCall = 5,               // "Invalid procedure call or argument"
  kOverflow = 6,                  // "Overflow"
  kOutOfMemory = 7,               // "Out of memory"
  kDivisionByZero = 11,           // "Division by zero"
  kSetNotSupportedAtRunTime = 382,  // "Set not supported at run time"
  kGetNotSupportedAtRunTime = 393,  // "Get not supported at run time"
};

class ControlError : public std::runtime_error {
 public:
  ControlError(int number, const std::string& text);
  // The standard text of one of the numbers above ("Error <n>" for others).
  explicit ControlError(int number);
  int Number() const noexcept { return number_; }
  static std::string TextOf(int number);

 private:
  int number_;
};

// One stored value. Booleans are stored as integers (-1 true, 0 false) as the
// controls' 16-bit booleans are.
using PropertyValue = std::variant<std::int64_t, double, std::string>;

class PropertyBag {
 public:
  // Stores value under key unless it equals def; a value equal to its default
  // removes any earlier entry of the key. A rewritten key keeps its place.
  void WriteProperty(std::string_view key, const PropertyValue& value,
                     const PropertyValue& def);
  // Typed conveniences for the value types the controls persist.
  void Write(std::string_view key, std::int64_t value, std::int64_t def) {
    WriteProperty(key, PropertyValue(value), PropertyValue(def));
  }
  void Write(std::string_view key, double value, double def) {
    WriteProperty(key, PropertyValue(value), PropertyValue(def));
  }
  void Write(std::string_view key, const std::string& value, const std::string& def) {
    WriteProperty(key, PropertyValue(value), PropertyValue(def));
  }

  // The stored value of key, or def when the key is absent.
  PropertyValue ReadProperty(std::string_view key, const PropertyValue& def) const;

  // Typed reads. Numbers convert between integer and real (reals to integers
  // round half to even); a value that does not fit the asked type raises
  // ControlError 6 "Overflow". Text holding a number converts to it; other
  // text yields def.
  std::int64_t ReadInt(std::string_view key, std::int64_t def) const;
  double ReadDouble(std::string_view key, double def) const;
  std::string ReadString(std::string_view key, const std::string& def) const;
  std::int16_t ReadInt16(std::string_view key, std::int16_t def) const;
  std::int32_t ReadInt32(std::string_view key, std::int32_t def) const;
  bool ReadBool(std::string_view key, bool def) const;  // any non-zero is true

  bool Contains(std::string_view key) const;
  std::vector<std::string> Keys() const;  // in write order
  std::size_t Size() const { return entries_.size(); }
  void Clear() { entries_.clear(); }
  const std::vector<std::pair<std::string, PropertyValue>>& Entries() const {
    return entries_;
  }

 private:
  const PropertyValue* Find(std::string_view key) const;
  std::vector<std::pair<std::string, PropertyValue>> entries_;
};

// Converts a stored value to an integer of [lo, hi], raising 6 "Overflow" when
// it does not fit; std::nullopt for text that is not a number.
std::optional<std::int64_t> ToInteger(const PropertyValue& v, std::int64_t lo,
                                      std::int64_t hi);
std::optional<double> ToDouble(const PropertyValue& v);

class HostedControl {
 public:
  using ChangeHandler = std::function<void(std::string_view property)>;

  virtual ~HostedControl() = default;

  // The host's mode: true at run time (the default for a control created by a
  // running program), false at design time.
  bool UserMode() const noexcept { return user_mode_; }
  void SetUserMode(bool run_time) noexcept { user_mode_ = run_time; }

  // The host's property-changed notification; called with the property name.
  void SetPropertyChangedHandler(ChangeHandler handler) { on_changed_ = std::move(handler); }

 protected:
  void PropertyChanged(std::string_view property) const {
    if (on_changed_) on_changed_(property);
  }
  // Raise 382 / 393 when the host is at run time.
  void DesignTimeSetOnly() const;
  void DesignTimeGetOnly() const;

 private:
  bool user_mode_ = true;
  ChangeHandler on_changed_;
};

// Rounds to nearest, ties to even, as the controls convert reals to integers.
std::int64_t RoundHalfEven(double x);

}  // namespace orva::hosting
