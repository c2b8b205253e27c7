// Text forms of the simulated board's settings: model names and the signal
// grammar of ORVABOARD_SIM_SIGNALS.
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

#include "orvaboard_sim.h"

namespace orva::board::sim {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool ParseNumber(std::string_view text, double* out) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

// One channel: kind[:key=value[,key=value...]].
bool ParseChannel(std::string_view text, int channel, Signal* out, std::string* error) {
  const std::string where = "channel " + std::to_string(channel) + ": ";
  text = Trim(text);
  const std::size_t colon = text.find(':');
  const std::string kind = Lower(Trim(text.substr(0, colon)));
  Signal s;
  if (kind == "sine") s.kind = Signal::Kind::kSine;
  else if (kind == "square") s.kind = Signal::Kind::kSquare;
  else if (kind == "triangle") s.kind = Signal::Kind::kTriangle;
  else if (kind == "dc") s.kind = Signal::Kind::kDc, s.amplitude = 0.0;
  else if (kind == "noise") s.kind = Signal::Kind::kNoise, s.amplitude = 0.0, s.noise = 0.1;
  else {
    *error = where + "unknown kind \"" + kind + "\" (expected sine, square, triangle, dc or noise)";
    return false;
  }
  if (colon != std::string_view::npos) {
    std::string_view rest = text.substr(colon + 1);
    while (true) {
      const std::size_t comma = rest.find(',');
      const std::string_view item = Trim(rest.substr(0, comma));
      const std::size_t eq = item.find('=');
      if (eq == std::string_view::npos) {
        *error = where + "\"" + std::string(item) + "\" is not key=value";
        return false;
      }
      const std::string key = Lower(Trim(item.substr(0, eq)));
      const std::string_view value = item.substr(eq + 1);
      double v = 0;
      if (!ParseNumber(value, &v)) {
        *error = where + "bad number \"" + std::string(Trim(value)) + "\" for key " + key;
        return false;
      }
      if (key == "f") {
        if (v < 0) {
          *error = where + "frequency f must not be negative";
          return false;
        }
        s.frequency = v;
      } else if (key == "a") {
        s.amplitude = v;
      } else if (key == "o") {
        s.offset = v;
      } else if (key == "n") {
        if (v < 0) {
          *error = where + "noise n must not be negative";
          return false;
        }
        s.noise = v;
      } else {
        *error = where + "unknown key \"" + key + "\" (expected f, a, o or n)";
        return false;
      }
      if (comma == std::string_view::npos) break;
      rest = rest.substr(comma + 1);
    }
  }
  *out = s;
  return true;
}

}  // namespace

Signal DefaultSignal(int channel) {
  Signal s;
  if (channel == 2) {
    s.kind = Signal::Kind::kSquare;
    s.frequency = 2000.0;
    s.amplitude = 0.5;
  }
  return s;
}

bool ParseSignals(std::string_view text, Signal* ch1, Signal* ch2, std::string* error) {
  std::string scratch;
  if (error == nullptr) error = &scratch;
  const std::size_t semi = text.find(';');
  const std::string_view part1 = semi == std::string_view::npos ? text : text.substr(0, semi);
  const std::string_view part2 =
      semi == std::string_view::npos ? std::string_view() : text.substr(semi + 1);
  if (part2.find(';') != std::string_view::npos) {
    *error = "more than two channels in \"" + std::string(text) + "\"";
    return false;
  }
  Signal s1 = DefaultSignal(1);
  Signal s2 = DefaultSignal(2);
  if (!Trim(part1).empty() && !ParseChannel(part1, 1, &s1, error)) return false;
  if (!Trim(part2).empty() && !ParseChannel(part2, 2, &s2, error)) return false;
  if (ch1) *ch1 = s1;
  if (ch2) *ch2 = s2;
  return true;
}

bool ParseModel(std::string_view text, Model* model) {
  const std::string m = Lower(Trim(text));
  Model found;
  if (m == "ktr5") found = Model::kKtr5;
  else if (m == "ktr4") found = Model::kKtr4;
  else if (m == "ktr2") found = Model::kKtr2;
  else if (m == "ktr1") found = Model::kKtr1;
  else return false;
  if (model) *model = found;
  return true;
}

}  // namespace orva::board::sim
