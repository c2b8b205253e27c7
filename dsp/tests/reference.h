// Double-precision references for the signal-processing tests.
#ifndef SIGDEX_TEST_REFERENCE_H
#define SIGDEX_TEST_REFERENCE_H

#include <cstdint>
#include <vector>

namespace sigdex_test {

struct Complex {
    std::vector<double> re;
    std::vector<double> im;
};

// Direct O(N^2) DFT, X[k] = sum x[n] e^(-2 pi i k n / N), in double. Exact
// index arithmetic (k n mod N) keeps the twiddles accurate at any size.
Complex Dft(const std::vector<double>& re, const std::vector<double>& im);

// Recursive radix-2 transform in double, for sizes where the direct DFT is
// too slow; the tests check it against Dft first.
Complex FastDft(const std::vector<double>& re, const std::vector<double>& im);

// Natural order to centred order: out[(k + N/2) mod N] = X[k].
Complex Centre(const Complex& x);

std::vector<float> RandomFloats(std::size_t n, uint32_t seed, float lo = -1.0f, float hi = 1.0f);
std::vector<double> ToDouble(const std::vector<float>& v);

// Largest |a - b| over both parts.
double MaxError(const std::vector<float>& re, const std::vector<float>& im, const Complex& ref);
// Euclidean norm of a complex vector.
double Norm(const std::vector<float>& re, const std::vector<float>& im);

}  // namespace sigdex_test

#endif
