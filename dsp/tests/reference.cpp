#include "reference.h"

#include <cmath>
#include <random>

namespace sigdex_test {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

Complex Dft(const std::vector<double>& re, const std::vector<double>& im)
{
    const std::size_t n = re.size();
    std::vector<double> c(n), s(n);
    for (std::size_t k = 0; k < n; ++k) {
        c[k] = std::cos(2.0 * kPi * static_cast<double>(k) / static_cast<double>(n));
        s[k] = -std::sin(2.0 * kPi * static_cast<double>(k) / static_cast<double>(n));
    }
    Complex out{std::vector<double>(n), std::vector<double>(n)};
    for (std::size_t k = 0; k < n; ++k) {
        double sr = 0, si = 0;
        for (std::size_t j = 0; j < n; ++j) {
            const std::size_t t = (k * j) % n;
            sr += re[j] * c[t] - im[j] * s[t];
            si += re[j] * s[t] + im[j] * c[t];
        }
        out.re[k] = sr;
        out.im[k] = si;
    }
    return out;
}

Complex FastDft(const std::vector<double>& re, const std::vector<double>& im)
{
    const std::size_t n = re.size();
    if (n <= 8)
        return Dft(re, im);
    std::vector<double> er(n / 2), ei(n / 2), orr(n / 2), oi(n / 2);
    for (std::size_t j = 0; j < n / 2; ++j) {
        er[j] = re[2 * j];
        ei[j] = im[2 * j];
        orr[j] = re[2 * j + 1];
        oi[j] = im[2 * j + 1];
    }
    const Complex e = FastDft(er, ei);
    const Complex o = FastDft(orr, oi);
    Complex out{std::vector<double>(n), std::vector<double>(n)};
    for (std::size_t k = 0; k < n / 2; ++k) {
        const double a = -2.0 * kPi * static_cast<double>(k) / static_cast<double>(n);
        const double wr = std::cos(a), wi = std::sin(a);
        const double tr = o.re[k] * wr - o.im[k] * wi;
        const double ti = o.re[k] * wi + o.im[k] * wr;
        out.re[k] = e.re[k] + tr;
        out.im[k] = e.im[k] + ti;
        out.re[k + n / 2] = e.re[k] - tr;
        out.im[k + n / 2] = e.im[k] - ti;
    }
    return out;
}

Complex Centre(const Complex& x)
{
    const std::size_t n = x.re.size();
    Complex out{std::vector<double>(n), std::vector<double>(n)};
    for (std::size_t k = 0; k < n; ++k) {
        out.re[(k + n / 2) % n] = x.re[k];
        out.im[(k + n / 2) % n] = x.im[k];
    }
    return out;
}

std::vector<float> RandomFloats(std::size_t n, uint32_t seed, float lo, float hi)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> dist(lo, hi);
    std::vector<float> v(n);
    for (auto& x : v)
        x = dist(gen);
    return v;
}

std::vector<double> ToDouble(const std::vector<float>& v)
{
    return std::vector<double>(v.begin(), v.end());
}

double MaxError(const std::vector<float>& re, const std::vector<float>& im, const Complex& ref)
{
    double worst = 0;
    for (std::size_t k = 0; k < re.size(); ++k) {
        worst = std::max(worst, std::abs(re[k] - ref.re[k]));
        worst = std::max(worst, std::abs(im[k] - ref.im[k]));
    }
    return worst;
}

double Norm(const std::vector<float>& re, const std::vector<float>& im)
{
    double s = 0;
    for (std::size_t k = 0; k < re.size(); ++k)
        s += static_cast<double>(re[k]) * re[k] + static_cast<double>(im[k]) * im[k];
    return std::sqrt(s);
}

}  // namespace sigdex_test
