// Block refill of the instrument's Mersenne twister (see random.h).
#include "orva/scope/random.h"

namespace orva::scope {

namespace {

std::uint32_t Twist(std::uint32_t upper, std::uint32_t lower, std::uint32_t far) {
  const std::uint32_t y = (upper & 0x80000000u) | (lower & 0x7fffffffu);
  return far ^ (y >> 1) ^ ((0u - (y & 1u)) & 0x9908b0dfu);
}

}  // namespace

void Mt19937::Refill() {
  std::uint32_t* mt = state_.data();
  // Three sweeps: the words whose partner kM ahead is still old, the words
  // whose partner has already been renewed in this sweep, and the last word,
  // which wraps to word 0. Each of the first two vectorises.
  for (std::uint32_t i = 0; i < kN - kM; ++i) mt[i] = Twist(mt[i], mt[i + 1], mt[i + kM]);
  for (std::uint32_t i = kN - kM; i < kN - 1; ++i) mt[i] = Twist(mt[i], mt[i + 1], mt[i + kM - kN]);
  mt[kN - 1] = Twist(mt[kN - 1], mt[0], mt[kM - 1]);
  for (std::uint32_t i = 0; i < kN; ++i) {
    std::uint32_t y = mt[i];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    y ^= y >> 18;
    out_[i] = y;
  }
  next_ = 0;
}

}  // namespace orva::scope
