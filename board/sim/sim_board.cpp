#include "sim_board.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "orva/clock.h"

namespace orva::board::sim {

namespace {

// Volts per division of the eight board gain codes.
constexpr double kVoltsPerDiv[8] = {50, 20, 5, 2, 0.5, 0.2, 0.05, 0.02};

double NowSeconds() {
  return static_cast<double>(orva::clock::MonotonicCount()) /
         static_cast<double>(orva::clock::MonotonicFrequency());
}

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Standard normal value that depends only on (time, channel): the trigger
// search and the readout see the same noise at the same instant.
double Gaussian(double t, int channel) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &t, sizeof bits);
  const std::uint64_t h1 = Mix(bits ^ (static_cast<std::uint64_t>(channel) << 56));
  const std::uint64_t h2 = Mix(h1);
  const double u1 = (static_cast<double>(h1 >> 11) + 1.0) / 9007199254740993.0;  // (0,1]
  const double u2 = static_cast<double>(h2 >> 11) / 9007199254740992.0;          // [0,1)
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

int Reverse3(int v) { return ((v & 1) << 2) | (v & 2) | ((v >> 2) & 1); }

}  // namespace

uint8_t CodeForVolts(double volts, int board_gain_code) {
  const int k = std::clamp(board_gain_code, 0, 7);
  const double code = std::floor(128.0 + volts / kVoltsPerDiv[k] * 32.0 + 0.5);
  if (!(code > 0.0)) return 0;  // NaN included
  if (code >= 255.0) return 255;
  return static_cast<std::uint8_t>(code);
}

SimBoard::SimBoard(Model model) : model_(model) {
  switch (model) {
    case Model::kKtr5: SetIdentificationBytes(129, 181, 5); break;
    case Model::kKtr4: SetIdentificationBytes(128, 180, 4); break;
    case Model::kKtr2: SetIdentificationBytes(9, 249, 0); break;
    case Model::kKtr1: SetIdentificationBytes(91, 240, 0); break;
  }
  signal_[0] = DefaultSignal(1);
  signal_[1] = DefaultSignal(2);
}

void SimBoard::SetSignal(int channel, const Signal& s) {
  if (channel == 1 || channel == 2) signal_[channel - 1] = s;
}

void SimBoard::Record(PortAccess::Kind kind, std::uint16_t port, std::uint16_t value) {
  if (log_on_) log_.push_back(PortAccess{kind, port, value});
}

std::int32_t SimBoard::RequestAccess(std::uint16_t, std::uint16_t) { return driver_result_; }
void SimBoard::ReleaseAccess(std::uint16_t, std::uint16_t) { ++releases_; }

std::uint8_t SimBoard::Read8(std::uint16_t port) {
  std::uint8_t v = 0xFF;
  const int off = static_cast<std::uint16_t>(port - base_);
  if (off == 2) v = id_[0];
  else if (off == 5) v = id_[1];
  else if (off == 10) v = id_[2];
  else if (off == 8) v = static_cast<std::uint8_t>(Status() & 0xFF);
  Record(PortAccess::Kind::kRead8, port, v);
  return v;
}

std::uint16_t SimBoard::Read16(std::uint16_t port) {
  std::uint16_t v = 0xFFFF;
  if (static_cast<std::uint16_t>(port - base_) == 8) v = Status();
  Record(PortAccess::Kind::kRead16, port, v);
  return v;
}

void SimBoard::Write16(std::uint16_t port, std::uint16_t value) {
  Record(PortAccess::Kind::kWrite16, port, value);
  if (static_cast<std::uint16_t>(port - base_) == 0) {
    // The offset word opens a programming sequence.
    regs_.offset_word = value;
    phase_ = Phase::kProgramming;
    pair_ = 0;
  }
}

void SimBoard::Write8(std::uint16_t port, std::uint8_t value) {
  Record(PortAccess::Kind::kWrite8, port, value);
  const int off = static_cast<std::uint16_t>(port - base_);
  switch (off) {
    case 0:
      regs_.offset_word = value;
      phase_ = Phase::kProgramming;
      pair_ = 0;
      break;
    case 9:
      pending_low_ = value;
      break;
    case 1: {
      const std::uint16_t count = static_cast<std::uint16_t>(value << 8 | pending_low_);
      if (pair_ == 0) regs_.count_a = count;
      else regs_.trigger_position = count;
      pair_ ^= 1;
      break;
    }
    case 2:
      if (phase_ == Phase::kProgramming) regs_.control = value;
      else select_ = value;
      break;
    case 3:
      regs_.divider = value;
      break;
    case 4:
      // Strobe: channel 1 is read back in time, channel 2 forward.
      if (SelectedChannel() == 1) --pointer_;
      else ++pointer_;
      break;
    case 5:
      regs_.level = value;
      Arm();
      break;
    case 6:
      if (phase_ == Phase::kProgramming) {
        regs_.trigger_select = value;
      } else if (value & 8) {
        Resolve();
        pointer_ = SelectedChannel() == 1 ? newest_ : start_;
      }
      break;
    case 7:
      regs_.gain_coupling = value;
      break;
    default:
      break;
  }
}

void SimBoard::Arm() {
  phase_ = Phase::kArmed;
  ++regs_.programmings;
  loaded_ = false;
  resolved_ = false;
  triggered_ = false;
  fs_ = 40e6 / std::ldexp(1.0, std::min<int>(regs_.divider & 0x0F, 15));
  const bool coupling_bits = model_ == Model::kKtr5 || model_ == Model::kKtr4;
  const int nibble[2] = {regs_.gain_coupling >> 4, regs_.gain_coupling & 0x0F};
  for (int c = 0; c < 2; ++c) {
    gain_code_[c] = Reverse3((nibble[c] >> 1) & 7);
    ac_[c] = coupling_bits && (nibble[c] & 1);
  }
  arm_real_ = NowSeconds();
  arm_time_ = instant_ ? virtual_time_ : arm_real_;
  start_ = 0;
  newest_ = -1;
}

bool SimBoard::Resolve() {
  if (loaded_) return true;
  if (phase_ != Phase::kArmed) return false;
  if (resolved_) return triggered_;
  resolved_ = true;
  const int depth = 8192 - static_cast<int>(regs_.trigger_position);
  const std::int64_t pre = std::max(0, static_cast<std::int16_t>(depth) - kLatency);
  const std::int64_t count_a = regs_.count_a;
  const bool untriggered = (regs_.control & 64) || (regs_.control & 8);
  const int channel = regs_.trigger_select == 1 ? 1 : 2;
  const bool falling = (regs_.control & 32) != 0;
  const int level = 255 - regs_.level;
  std::int64_t trigger = -1;
  if (untriggered) {
    trigger = pre;
  } else {
    const std::int64_t first = std::max<std::int64_t>(pre, 1);
    int before = CodeAt(channel, first - 1);
    for (std::int64_t n = first; n < first + kSearchLimit; ++n) {
      const int now = CodeAt(channel, n);
      const bool hit = falling ? (before > level && now <= level)
                               : (before < level && now >= level);
      if (hit) {
        trigger = n;
        break;
      }
      before = now;
    }
  }
  if (trigger < 0) {
    if (instant_) virtual_time_ = arm_time_ + static_cast<double>(kSearchLimit) / fs_;
    return false;
  }
  triggered_ = true;
  start_ = trigger - pre;
  newest_ = trigger + count_a - 1;
  pointer_ = newest_;
  if (instant_) virtual_time_ = arm_time_ + static_cast<double>(newest_ + 1) / fs_;
  return true;
}

bool SimBoard::Ended() {
  if (loaded_) return true;
  if (phase_ != Phase::kArmed || !Resolve()) return false;
  if (instant_) return true;
  return NowSeconds() - arm_real_ >= static_cast<double>(newest_ + 1) / fs_;
}

std::uint16_t SimBoard::Status() {
  std::uint16_t word = 0;
  const bool ended = Ended();
  if (ended) word |= 0x100;
  ++status_reads_;
  if (ready_after_ >= 0 && status_reads_ > ready_after_) word |= 0x400;
  const std::uint8_t code = ended ? CodeAt(SelectedChannel(), pointer_) : 128;
  return static_cast<std::uint16_t>(word | (255 - code));
}

double SimBoard::VoltsAt(int channel, double t) const {
  const Signal& s = signal_[channel - 1];
  const double phase = s.frequency * t - std::floor(s.frequency * t);
  double v = s.offset;
  switch (s.kind) {
    case Signal::Kind::kSine:
      v += s.amplitude * std::sin(2.0 * std::numbers::pi * phase);
      break;
    case Signal::Kind::kSquare:
      v += phase < 0.5 ? s.amplitude : -s.amplitude;
      break;
    case Signal::Kind::kTriangle:
      v += s.amplitude * (phase < 0.5 ? -1.0 + 4.0 * phase : 3.0 - 4.0 * phase);
      break;
    case Signal::Kind::kDc:
    case Signal::Kind::kNoise:
      break;
  }
  if (s.noise > 0.0) v += s.noise * Gaussian(t, channel);
  // AC coupling removes the signal's mean, which is its offset.
  if (ac_[channel - 1]) v -= s.offset;
  return v;
}

std::uint8_t SimBoard::CodeAt(int channel, std::int64_t n) const {
  if (model_ == Model::kKtr4) channel = 1;  // one input feeds both memories
  if (loaded_) {
    const auto& m = memory_[channel - 1];
    return (n >= 0 && n < static_cast<std::int64_t>(m.size())) ? m[static_cast<std::size_t>(n)]
                                                                : 128;
  }
  const double t = arm_time_ + static_cast<double>(n) / fs_;
  return CodeForVolts(VoltsAt(channel, t), gain_code_[channel - 1]);
}

void SimBoard::LoadCapture(const std::vector<std::uint8_t>& ch1,
                           const std::vector<std::uint8_t>& ch2) {
  memory_[0] = ch1;
  memory_[1] = ch2;
  loaded_ = true;
  phase_ = Phase::kArmed;
  start_ = 0;
  newest_ = static_cast<std::int64_t>(std::max(ch1.size(), ch2.size())) - 1;
  pointer_ = newest_;
}

}  // namespace orva::board::sim
