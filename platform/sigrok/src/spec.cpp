#include "orva/sigrok/spec.h"

#include <algorithm>

namespace orva::sigrok {
namespace {

constexpr std::string_view kForm = " (the form is sigrok:DRIVER[:OPTION=VALUE...])";

bool IsNameChar(char c, bool dash) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         (dash && c == '-');
}

bool IsName(std::string_view s, bool dash) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [dash](char c) { return IsNameChar(c, dash); });
}

bool Printable(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x20 && u != 0x7f;
  });
}

std::optional<SigrokSpec> Refuse(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return std::nullopt;
}

std::vector<std::string_view> Split(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = s.find(sep, start);
    parts.push_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

}  // namespace

bool IsSigrokSpec(std::string_view text) {
  return text == kPrefix || (text.size() > kPrefix.size() && text.substr(0, kPrefix.size()) == kPrefix &&
                             text[kPrefix.size()] == ':');
}

std::optional<SigrokSpec> ParseSigrokSpec(std::string_view text, std::string* error) {
  if (!IsSigrokSpec(text)) return Refuse(error, "a libsigrok source starts with 'sigrok:'" + std::string(kForm));
  if (text.size() > kMaxSpecLength)
    return Refuse(error, "the libsigrok source is longer than " + std::to_string(kMaxSpecLength) + " characters");
  if (!Printable(text)) return Refuse(error, "the libsigrok source has control characters");
  const std::string shown(text);
  if (text.size() <= kPrefix.size() + 1) return Refuse(error, "'" + shown + "' names no driver" + std::string(kForm));

  const std::vector<std::string_view> parts = Split(text.substr(kPrefix.size() + 1), ':');
  SigrokSpec spec;
  if (!IsName(parts[0], true))
    return Refuse(error, "'" + shown + "': the driver name '" + std::string(parts[0]) +
                             "' may only have letters, digits, '-' and '_'" + std::string(kForm));
  spec.driver = std::string(parts[0]);
  if (parts.size() - 1 > kMaxOptions)
    return Refuse(error, "'" + shown + "' has more than " + std::to_string(kMaxOptions) + " options");

  bool channels_seen = false;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::string_view part = parts[i];
    const std::size_t eq = part.find('=');
    if (eq == std::string_view::npos || eq == 0 || eq + 1 == part.size())
      return Refuse(error, "'" + shown + "': '" + std::string(part) + "' is not OPTION=VALUE" + std::string(kForm));
    const std::string_view key = part.substr(0, eq);
    const std::string_view value = part.substr(eq + 1);
    if (!IsName(key, false))
      return Refuse(error, "'" + shown + "': the option name '" + std::string(key) +
                               "' may only have letters, digits and '_'");
    const bool twice =
        (key == "channels" && channels_seen) ||
        std::any_of(spec.options.begin(), spec.options.end(), [key](const auto& o) { return o.first == key; });
    if (twice) return Refuse(error, "'" + shown + "': the option '" + std::string(key) + "' is given twice");
    if (key == "channels") {
      channels_seen = true;
      const std::vector<std::string_view> names = Split(value, ',');
      if (names.size() > 2 || std::any_of(names.begin(), names.end(), [](auto n) { return n.empty(); }))
        return Refuse(error, "'" + shown + "': channels= takes one or two channel names separated by a comma, not '" +
                                 std::string(value) + "'");
      if (names.size() == 2 && names[0] == names[1])
        return Refuse(error, "'" + shown + "': channels= names '" + std::string(names[0]) + "' twice");
      for (std::string_view n : names) spec.channels.emplace_back(n);
      continue;
    }
    spec.options.emplace_back(std::string(key), std::string(value));
  }
  return spec;
}

std::string FormatSigrokSpec(const SigrokSpec& spec) {
  std::string text = std::string(kPrefix) + ":" + spec.driver;
  for (const auto& [key, value] : spec.options) text += ":" + key + "=" + value;
  if (!spec.channels.empty()) {
    text += ":channels=" + spec.channels[0];
    if (spec.channels.size() > 1) text += "," + spec.channels[1];
  }
  return text;
}

}  // namespace orva::sigrok
