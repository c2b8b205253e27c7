// The text that names a libsigrok instrument, as the command line and the
// window's source choice take it:
//
//   sigrok:DRIVER[:OPTION=VALUE...]
//
// DRIVER is a libsigrok driver name ("demo", "hantek-6xxx", "rigol-ds"),
// OPTION=VALUE one of the driver's scan options in libsigrok's own spelling
// (conn=tcp-raw/HOST/5555, serialcomm=9600/8n1, analog_channels=2 for the
// demonstration device), and our own channels=NAME1[,NAME2]: which of the
// device's analog channels become channels 1 and 2 (without it, its first
// two analog channels).
//
// Parsing only checks the form; whether the driver exists and takes the
// options is known once libsigrok is asked (instrument.h). Bounds: the whole
// text at most kMaxSpecLength characters, at most kMaxOptions options; names
// are ASCII letters, digits, '-' and '_' (option names: letters, digits, '_');
// a value is any non-empty text without ':' (the option separator).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orva::sigrok {

inline constexpr std::string_view kPrefix = "sigrok";
inline constexpr std::size_t kMaxSpecLength = 1024;
inline constexpr std::size_t kMaxOptions = 16;

struct SigrokSpec {
  std::string driver;
  // Scan options in the order given (our channels= is not among them).
  std::vector<std::pair<std::string, std::string>> options;
  // channels=: one or two names; empty: the device's first two analog channels.
  std::vector<std::string> channels;
};

// True when `text` is meant for this source ("sigrok" or "sigrok:..."),
// whether well formed or not.
bool IsSigrokSpec(std::string_view text);

// The parsed source text, or nullopt with one line in *error (without the
// program's name) saying what is wrong.
std::optional<SigrokSpec> ParseSigrokSpec(std::string_view text, std::string* error);

// The source text written back in its canonical form (channels= last).
std::string FormatSigrokSpec(const SigrokSpec& spec);

}  // namespace orva::sigrok
