// The instrument's random source: the 32-bit Mersenne twister (MT19937), the
// same sequence as std::mt19937 for the same seed, refilled 624 words at a
// time in loops the compiler can vectorise and tempered in the same sweep.
// The demonstration generator draws once per sample and channel (about 16000
// draws a pass), where the library engine's word-at-a-time refill showed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orva::scope {

class Mt19937 {
 public:
  static constexpr std::uint32_t default_seed = 5489u;

  explicit Mt19937(std::uint32_t s = default_seed) { seed(s); }

  void seed(std::uint32_t s) {
    state_[0] = s;
    for (std::uint32_t i = 1; i < kN; ++i)
      state_[i] = 1812433253u * (state_[i - 1] ^ (state_[i - 1] >> 30)) + i;
    next_ = kN;  // the first draw refills
  }

  std::uint32_t operator()() {
    if (next_ >= kN) Refill();
    return out_[next_++];
  }

 private:
  static constexpr std::uint32_t kN = 624;
  static constexpr std::uint32_t kM = 397;

  // Out of line (random.cpp) so that a draw stays small enough to inline.
  void Refill();

  std::array<std::uint32_t, kN> state_{};
  std::array<std::uint32_t, kN> out_{};
  std::size_t next_ = kN;
};

}  // namespace orva::scope
