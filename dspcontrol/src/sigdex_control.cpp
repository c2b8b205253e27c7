#include "sigdexp/sigdex_control.h"

#include <Sigdex.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <locale>
#include <new>
#include <string_view>
#include <system_error>

namespace orva {

using hosting::ControlError;
using hosting::PropertyValue;
using hosting::RoundHalfEven;

namespace {

// Sizes the library accepts (it refuses others; the control reports them).
constexpr std::int32_t kMaxFftSize = 16384;
constexpr std::int32_t kMaxResampleSize = 8192;
constexpr std::size_t kMaxTextSamples = 768;

bool IsPowerOfTwo(std::int64_t v) { return v > 0 && (v & (v - 1)) == 0; }

[[noreturn]] void Raise(int number) { throw ControlError(number); }

// A real length rounded half to even into the library's 16-bit count range.
// Not finite or outside -32768..32767: 6 "Overflow"; negative: 5.
std::int16_t LengthFrom(double real_length) {
  if (!std::isfinite(real_length)) Raise(hosting::kOverflow);
  const std::int64_t m = RoundHalfEven(real_length);
  if (m > INT16_MAX || m < INT16_MIN) Raise(hosting::kOverflow);
  if (m < 0) Raise(hosting::kInvalidCall);
  return static_cast<std::int16_t>(m);
}

// Resizes v to count zeros, reporting a failed allocation as error 7.
void ZeroFill(std::vector<float>& v, std::size_t count) {
  try {
    v.assign(count, 0.0f);
  } catch (const std::bad_alloc&) {
    Raise(hosting::kOutOfMemory);
  } catch (const std::length_error&) {
    Raise(hosting::kOutOfMemory);
  }
}

// The decimal separator of the user's number format: the global C++ locale's
// when a program installed one, else the C locale's (setlocale).
std::string DecimalSeparator() {
  const std::locale global;
  if (global.name() != "C") {
    return std::string(1, std::use_facet<std::numpunct<char>>(global).decimal_point());
  }
  const std::lconv* lc = std::localeconv();
  if (lc != nullptr && lc->decimal_point != nullptr && lc->decimal_point[0] != '\0') {
    return lc->decimal_point;
  }
  return ".";
}

}  // namespace

Sigdex::Sigdex() = default;
Sigdex::~Sigdex() = default;

std::int16_t Sigdex::InputCount16() const {
  if (in_real_.size() > static_cast<std::size_t>(INT16_MAX)) Raise(hosting::kOverflow);
  return static_cast<std::int16_t>(in_real_.size());
}

// ---------------------------------------------------------------------------
// Methods

void Sigdex::FFT() {
  if (in_real_.size() <= 1) return;  // upper bound 0 (or no samples): nothing
  const std::int32_t size = puntos_fft_;
  if (!IsPowerOfTwo(size) || size < 2 || size > kMaxFftSize) Raise(hosting::kInvalidCall);
  const std::size_t n = in_real_.size();
  // The transform works on `size` points; pad the outputs when the input is
  // shorter so the library never reaches past them.
  const std::size_t out_len = std::max(n, static_cast<std::size_t>(size));
  try {
    in_imag_.assign(n, 0.0f);
    out_real_.assign(in_real_.begin(), in_real_.end());
    out_real_.resize(out_len, 0.0f);
    out_imag_.assign(out_len, 0.0f);
  } catch (const std::bad_alloc&) {
    Raise(hosting::kOutOfMemory);
  }
  ::FFT(out_real_.data(), out_imag_.data(), size);
  last_fft_size_ = size;
}

void Sigdex::Modulo() {
  ZeroFill(out_modulo_, out_real_.size());
  const std::int32_t size = last_fft_size_;
  if (size <= 0) return;
  const auto need = static_cast<std::size_t>(size);
  if (out_real_.size() < need || out_imag_.size() < need) return;
  // The library scales by the size of the last transform made by anyone in
  // the process. Bring it back to this control's size first: a transform of
  // zeros of the same size costs little and keeps the library inside our
  // vectors even if another user changed or released the size in between.
  if (scratch_.size() < 2 * need) ZeroFill(scratch_, 2 * need);
  std::fill(scratch_.begin(), scratch_.begin() + static_cast<std::ptrdiff_t>(2 * need), 0.0f);
  ::FFT(scratch_.data(), scratch_.data() + need, size);
  ::Modulo(out_real_.data(), out_imag_.data(), out_modulo_.data(), 1);
}

void Sigdex::Interpolar() {
  const std::int16_t n = InputCount16();
  const std::int16_t m = LengthFrom(static_cast<double>(n) * orden_interpolacion_);
  const bool spectral = SpectralInterpolation();
  if (spectral && (!IsPowerOfTwo(n) || n > kMaxResampleSize || !IsPowerOfTwo(m) ||
                   m > kMaxResampleSize)) {
    Raise(hosting::kInvalidCall);
  }
  ZeroFill(out_real_, static_cast<std::size_t>(m));
  if (spectral) {
    ::Interpolar(in_real_.data(), out_real_.data(), n, m);
  } else {
    InterpolateLinear(static_cast<std::size_t>(n), static_cast<std::size_t>(m));
  }
}

void Sigdex::InterpolateLinear(std::size_t n, std::size_t m) {
  if (n == 0) return;
  const double r = static_cast<double>(m) / static_cast<double>(n);
  const double dm = static_cast<double>(m);
  const double dn = static_cast<double>(n);
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const float a = in_real_[i];
    const float step = in_real_[i + 1] - a;  // single precision, as stored
    const double base = static_cast<double>(i) * dm / dn;
    for (double j = 0.0; j <= r - 1.0; j += 1.0) {
      const std::int64_t k = RoundHalfEven(base + j);
      if (k < 0 || static_cast<std::size_t>(k) >= m) continue;
      out_real_[static_cast<std::size_t>(k)] =
          static_cast<float>(static_cast<double>(a) + j * static_cast<double>(step) / r);
    }
  }
}

void Sigdex::Diezmar() {
  const std::int16_t n = InputCount16();
  if (orden_diezmado_ == 0.0) Raise(hosting::kDivisionByZero);
  const std::int16_t m = LengthFrom(static_cast<double>(n) / orden_diezmado_);
  ZeroFill(out_real_, static_cast<std::size_t>(m));
  if (n == 0 || m == 0) return;
  if (eliminar_aliasing_) {
    ::DiezmaSinAliasing(in_real_.data(), n, out_real_.data(), m);
  } else {
    ::Diezma(in_real_.data(), n, out_real_.data(), m);
  }
}

void Sigdex::FPB() {
  const std::int16_t n = InputCount16();
  if (fm_in_ == 0.0) Raise(hosting::kDivisionByZero);
  if (!std::isfinite(fm_in_) || fm_in_ < 0.0 || !std::isfinite(fc_)) Raise(hosting::kInvalidCall);
  if (!IsPowerOfTwo(n) || n > kMaxResampleSize) Raise(hosting::kInvalidCall);
  ZeroFill(out_real_, static_cast<std::size_t>(n));
  ::FPBFiltrar(in_real_.data(), out_real_.data(), n, fm_in_, fc_);
}

void Sigdex::CambiarFM() {
  const std::int16_t n = InputCount16();
  if (fm_in_ == 0.0) Raise(hosting::kDivisionByZero);
  const bool upward = fm_out_ > fm_in_;
  if (!upward && fm_out_ == 0.0) Raise(hosting::kDivisionByZero);
  const double g = static_cast<double>(n) * fm_out_ / fm_in_;
  if (upward) {
    const double p_real = std::log(g) / std::log(2.0) + 0.5;
    if (!std::isfinite(p_real)) Raise(hosting::kOverflow);
    // n >= 1 here (g = 0 gave a non-finite p), so g > 1 and p >= 1.
    const std::int64_t p = RoundHalfEven(p_real);
    if (p > 15) Raise(hosting::kOverflow);  // 2^16 and up cannot be a 16-bit count
    const double m = std::ldexp(1.0, static_cast<int>(p));
    OrdenInterpolacion(m / static_cast<double>(n));
    Interpolar();
    VectorInReal(out_real_);
  }
  OrdenDiezmado(upward ? fm_out_ / fm_in_ : fm_in_ / fm_out_);
  EliminarAliasing(false);
  Diezmar();
}

void Sigdex::CerrarFFT() {
  ::FFTCerrar();
  last_fft_size_ = 0;
}

void Sigdex::CerrarFPB() { ::FPBCerrar(); }

void Sigdex::CerrarInterpolacion() { ::InterpolarCerrar(); }

void Sigdex::Enventanar(std::int32_t count) {
  if (count < 0 || count > kMaxWindow) Raise(hosting::kInvalidCall);
  const auto len = static_cast<std::size_t>(count);
  ZeroFill(out_real_, len);
  if (count == 0) return;
  const float* source = in_real_.data();
  if (in_real_.size() < len) {
    // Window the input as if zero-padded to `count` samples.
    ZeroFill(scratch_, len);
    std::copy(in_real_.begin(), in_real_.end(), scratch_.begin());
    source = scratch_.data();
  }
  ::Hamming(source, out_real_.data(), count);
}

std::string Sigdex::VectorEnTexto(double scale) const {
  const std::size_t count = std::min(in_real_.size(), kMaxTextSamples);
  const std::string separator = DecimalSeparator();
  const double volts_full = scale * 4.0;
  std::string text;
  text.reserve(count * 12);
  char buf[64];
  for (std::size_t i = 0; i < count; ++i) {
    // (v - 128) / 128 in single precision, then scaled in double.
    const float unit = (in_real_[i] - 128.0f) / 128.0f;
    double x = static_cast<double>(unit) * volts_full;
    if (x == 0.0) x = 0.0;  // no "-0"
    const auto res = std::to_chars(buf, buf + sizeof buf, x);
    const std::string_view digits(buf, res.ec == std::errc() ? static_cast<std::size_t>(res.ptr - buf) : 0);
    for (const char c : digits) {
      if (c == '.') {
        text += separator;
      } else {
        text += c;
      }
    }
    text += '\r';
  }
  return text;
}

// ---------------------------------------------------------------------------
// Vector properties

std::vector<float> Sigdex::VectorInReal() const {
  DesignTimeGetOnly();
  return in_real_;
}

void Sigdex::VectorInReal(const std::vector<float>& v) {
  if (&v != &in_real_) in_real_ = v;
  PropertyChanged("VectorInReal");
}

std::vector<float> Sigdex::VectorInImag() const {
  DesignTimeGetOnly();
  return in_imag_;
}

void Sigdex::VectorInImag(const std::vector<float>& v) {
  if (&v != &in_imag_) in_imag_ = v;
  PropertyChanged("VectorInImag");
}

std::vector<float> Sigdex::VectorOutReal() const { return out_real_; }

void Sigdex::VectorOutReal(const std::vector<float>& v) {
  DesignTimeSetOnly();
  if (&v != &out_real_) out_real_ = v;
  PropertyChanged("VectorOutReal");
}

std::vector<float> Sigdex::VectorOutImag() const { return out_imag_; }

void Sigdex::VectorOutImag(const std::vector<float>& v) {
  DesignTimeSetOnly();
  if (&v != &out_imag_) out_imag_ = v;
  PropertyChanged("VectorOutImag");
}

std::vector<float> Sigdex::VectorOutModulo() const { return out_modulo_; }

void Sigdex::VectorOutModulo(const std::vector<float>& v) {
  DesignTimeSetOnly();
  if (&v != &out_modulo_) out_modulo_ = v;
  PropertyChanged("VectorOutModulo");
}

// ---------------------------------------------------------------------------
// Scalar properties

void Sigdex::PuntosFFT(std::int32_t v) {
  puntos_fft_ = v;
  PropertyChanged("PuntosFFT");
}

void Sigdex::OrdenInterpolacion(double v) {
  orden_interpolacion_ = v;
  PropertyChanged("OrdenInterpolacion");
}

void Sigdex::OrdenDiezmado(double v) {
  orden_diezmado_ = v;
  PropertyChanged("OrdenDiezmado");
}

void Sigdex::MetodoInterpolacion(const PropertyValue& v) {
  metodo_interpolacion_ = v;
  PropertyChanged("MetodoInterpolacion");
}

void Sigdex::EliminarAliasing(bool v) {
  eliminar_aliasing_ = v;
  PropertyChanged("EliminarAliasing");
}

void Sigdex::FC(double v) {
  fc_ = v;
  PropertyChanged("FC");
}

void Sigdex::FMIn(double v) {
  fm_in_ = v;
  PropertyChanged("FMIn");
}

void Sigdex::FMOut(double v) {
  fm_out_ = v;
  PropertyChanged("FMOut");
}

double Sigdex::FMaxima() {
  const std::int16_t n = InputCount16();
  if (n == 0) Raise(hosting::kDivisionByZero);
  PuntosFFT(128);
  FFT();
  Modulo();
  const std::int32_t count =
      static_cast<std::int32_t>(std::min<std::size_t>(static_cast<std::size_t>(n), out_modulo_.size()));
  double peak = 0.0;
  const std::int32_t d = ::PosMax(out_modulo_.data(), count, &peak);
  const double half = static_cast<double>(n) / 2.0;
  const std::int64_t h = RoundHalfEven(std::fabs(static_cast<double>(d) - half));
  return (fm_in_ / 2.0) * static_cast<double>(h) / half;
}

void Sigdex::FMaxima(double v) {
  DesignTimeSetOnly();
  fmaxima_ = v;
  PropertyChanged("FMaxima");
}

bool Sigdex::SpectralInterpolation() const {
  // Numbers (and texts that read as numbers) select spectral when equal to 0;
  // any other text selects linear.
  const auto value = hosting::ToDouble(metodo_interpolacion_);
  return value.has_value() && *value == 0.0;
}

// ---------------------------------------------------------------------------
// Persistence

void Sigdex::ReadProperties(const hosting::PropertyBag& bag) {
  // PuntosFFT is the one value that can refuse a record (6 when it does not
  // fit 32 bits); read it first so that a refused record changes nothing.
  const std::int32_t puntos_fft = bag.ReadInt32("PuntosFFT", 0);
  eliminar_aliasing_ = bag.ReadBool("EliminarAliasing", false);
  fc_ = bag.ReadDouble("FC", 0.0);
  fm_in_ = bag.ReadDouble("FMIn", 0.0);
  fm_out_ = bag.ReadDouble("FMOut", 0.0);
  puntos_fft_ = puntos_fft;
  orden_interpolacion_ = bag.ReadDouble("OrdenInterpolacion", 0.0);
  orden_diezmado_ = bag.ReadDouble("OrdenDiezmado", 0.0);
  fmaxima_ = bag.ReadDouble("FMaxima", 0.0);
  metodo_interpolacion_ = bag.ReadProperty("MetodoInterpolacion", PropertyValue(std::int64_t{0}));
}

void Sigdex::WriteProperties(hosting::PropertyBag& bag) const {
  bag.Write("EliminarAliasing", std::int64_t{eliminar_aliasing_ ? -1 : 0}, std::int64_t{0});
  bag.Write("FC", fc_, 0.0);
  bag.Write("FMIn", fm_in_, 0.0);
  bag.Write("FMOut", fm_out_, 0.0);
  bag.Write("PuntosFFT", std::int64_t{puntos_fft_}, std::int64_t{0});
  bag.Write("OrdenInterpolacion", orden_interpolacion_, 0.0);
  bag.Write("OrdenDiezmado", orden_diezmado_, 0.0);
  bag.Write("FMaxima", fmaxima_, 0.0);
  bag.WriteProperty("MetodoInterpolacion", metodo_interpolacion_, PropertyValue(std::int64_t{0}));
}

}  // namespace orva
