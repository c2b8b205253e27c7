// The signal-processing control `Sigdex` (component SigdexP).
//
// A host sets an input vector and a few parameters, calls a method and reads
// the output vectors; the work is done by the signal-processing library
// (libSigdex.so). The control has no surface of its own. Its nine scalar
// parameters are kept in the host's property record (ReadProperties /
// WriteProperties); the vectors are not persisted.
//
// Property convention: a getter and a setter with the property's own name.
// Vectors are std::vector<float>, index 0 being the lower bound; they are
// handed over by copy in both directions. The number of input samples n is
// VectorInReal().size() (its upper bound plus one). An empty vector is
// accepted and counts as n = 0.
//
// Access rules at run time (UserMode() true); at design time everything may be
// read and written:
//   - reading VectorInReal / VectorInImag raises ControlError 393;
//   - setting VectorOutReal / VectorOutImag / VectorOutModulo / FMaxima raises
//     ControlError 382.
// Every setter stores the value and then notifies the host under the
// property's own name, also when the value did not change. Methods that set
// properties (CambiarFM, reading FMaxima) go through the same setters, so the
// host is told about those changes too.
//
// Errors (orva::hosting::ControlError), raised before any vector is changed:
//   6  "Overflow": a sample count handed to the library does not fit 16 bits
//      (n above 32767, a computed length outside -32768..32767), or a computed
//      length is not a finite number.
//   11 "Division by zero": a zero OrdenDiezmado (Diezmar), a zero FMIn or FMOut
//      (CambiarFM), a zero FMIn (FPB: the cut-off bin is FC relative to FMIn),
//      and reading FMaxima with no input samples.
//   5  "Invalid procedure call or argument": a size outside what the library
//      accepts: FFT with PuntosFFT not a power of two in 2..16384; spectral
//      Interpolar with n or the output count not a power of two in 1..8192; FPB
//      with n not a power of two in 1..8192, or FMIn or FC not finite, or FMIn
//      negative; a negative computed output length; an Enventanar count below 0
//      or above kMaxWindow.
//   7  "Out of memory": a vector could not be allocated.
//
// Buffer safety: the control never lets the library read or write past the
// vectors it hands over:
//   - FFT: when PuntosFFT exceeds n, the output vectors are zero-padded to
//     PuntosFFT elements (the transform of the zero-padded trace); when it is
//     below n, the first PuntosFFT samples are transformed and the rest of the
//     output vectors keep the copied input.
//   - Modulo: the magnitudes are those of this control's last FFT. The library
//     keeps one transform size for the whole process, which another user may
//     have changed or released in between, so the control first brings the
//     library back to its own size (a transform of zeros of that size, on
//     storage kept by the control). Without an earlier FFT (or after CerrarFFT), or when the
//     output vectors were since replaced by shorter ones, VectorOutModulo is
//     dimensioned like VectorOutReal and left at 0.
//   - Enventanar(count) with count above n windows the input zero-padded to
//     count samples.
//   - FMaxima scans at most the elements VectorOutModulo actually has.
//
// MetodoInterpolacion holds a value of any type (orva::hosting::PropertyValue):
// a number equal to 0 selects spectral interpolation and any other number
// linear; a text that reads as a number (leading/trailing blanks allowed, "."
// as decimal point) counts as that number, so "0" is spectral; any other text,
// the empty text included, counts as linear.
//
// VectorEnTexto writes each value as the shortest text that reads back as the
// same 64-bit float (plain digits, or an exponent form "1.5e+20" when that is
// shorter), with the decimal separator of the user's number format: the
// decimal point of the global C++ locale when one has been installed
// (std::locale::global), otherwise that of the C locale (setlocale, as a
// desktop program sets it from the environment). Minus zero is written "0".
//
// Threads: one control belongs to one thread; the library's tables are
// process-wide and unlocked, so callers serialise all users of the library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "orva/hosting.h"

#if defined(_WIN32)
#define SIGDEXP_API __declspec(dllexport)
#else
#define SIGDEXP_API __attribute__((visibility("default")))
#endif

namespace orva {

class SIGDEXP_API Sigdex : public hosting::HostedControl {
 public:
  // Longest window Enventanar accepts (2^24 samples, 64 MiB of floats): a
  // guard against a count that would exhaust memory.
  static constexpr std::int32_t kMaxWindow = 1 << 24;

  Sigdex();
  ~Sigdex() override;

  // --- Methods (run the library on the vectors) ---

  // When n > 1: VectorInImag becomes n zeros, VectorOutReal/VectorOutImag
  // copies of the inputs, and both are transformed in place with PuntosFFT
  // points (centred spectrum: zero frequency at index PuntosFFT/2). n <= 1:
  // nothing happens.
  void FFT();
  // VectorOutModulo = magnitudes in decibels of the last FFT (20 log10(100 m),
  // 0 for an all-zero bin), dimensioned like VectorOutReal.
  void Modulo();
  // m = n x OrdenInterpolacion rounded half to even; VectorOutReal gets m
  // samples: spectral (MetodoInterpolacion 0) or linear interpolation.
  // Linear: r = m / n; for i = 0..n-2 and j = 0, 1, ... while j <= r - 1,
  // out[round(i m / n + j)] = in[i] + j (in[i+1] - in[i]) / r; outputs no pair
  // reaches stay 0 (the last r ones for an integer r). Linear with n = 0
  // gives an empty output.
  void Interpolar();
  // m = n / OrdenDiezmado rounded half to even; VectorOutReal gets m samples,
  // peak-keeping when EliminarAliasing is true.
  void Diezmar();
  // VectorOutReal = VectorInReal low-pass filtered at FC for the sample rate
  // FMIn (n samples).
  void FPB();
  // Changes the sample rate from FMIn to FMOut with this control's Interpolar
  // and Diezmar: upward, the input is first interpolated to the power of two
  // M = 2^round(log2(n FMOut / FMIn) + 0.5) samples (OrdenInterpolacion =
  // M / n) and VectorInReal becomes that trace; then OrdenDiezmado = the rate
  // ratio (>= 1), EliminarAliasing = false, and Diezmar. Result in
  // VectorOutReal.
  void CambiarFM();
  void CerrarFFT();            // releases the library's transform tables
  void CerrarFPB();            // releases the library's filter tables
  void CerrarInterpolacion();  // releases the library's interpolation tables
  // VectorOutReal = Hamming window of count points times VectorInReal.
  void Enventanar(std::int32_t count);
  // Up to the first 768 input samples as volts for `scale` volts per division,
  // x = (v - 128) / 128 x (scale x 4), each followed by a carriage return
  // (character 13, no line feed). Not restricted at run time.
  std::string VectorEnTexto(double scale) const;

  // --- Vector properties ---
  std::vector<float> VectorInReal() const;  // 393 at run time
  void VectorInReal(const std::vector<float>& v);
  std::vector<float> VectorInImag() const;  // 393 at run time
  void VectorInImag(const std::vector<float>& v);
  std::vector<float> VectorOutReal() const;
  void VectorOutReal(const std::vector<float>& v);  // 382 at run time
  std::vector<float> VectorOutImag() const;
  void VectorOutImag(const std::vector<float>& v);  // 382 at run time
  std::vector<float> VectorOutModulo() const;
  void VectorOutModulo(const std::vector<float>& v);  // 382 at run time

  // Read-only views of the output vectors for hosts that process a trace on
  // every acquisition and want no copy; valid until the next method call or
  // setter on this control.
  const std::vector<float>& OutRealView() const noexcept { return out_real_; }
  const std::vector<float>& OutImagView() const noexcept { return out_imag_; }
  const std::vector<float>& OutModuloView() const noexcept { return out_modulo_; }
  // Number of input samples n (VectorInReal's upper bound plus one); allowed
  // at run time since it reveals no sample.
  std::size_t InputCount() const noexcept { return in_real_.size(); }

  // --- Scalar properties (persisted) ---
  std::int32_t PuntosFFT() const noexcept { return puntos_fft_; }
  void PuntosFFT(std::int32_t v);
  double OrdenInterpolacion() const noexcept { return orden_interpolacion_; }
  void OrdenInterpolacion(double v);
  double OrdenDiezmado() const noexcept { return orden_diezmado_; }
  void OrdenDiezmado(double v);
  hosting::PropertyValue MetodoInterpolacion() const { return metodo_interpolacion_; }
  void MetodoInterpolacion(const hosting::PropertyValue& v);
  bool EliminarAliasing() const noexcept { return eliminar_aliasing_; }
  void EliminarAliasing(bool v);
  double FC() const noexcept { return fc_; }
  void FC(double v);
  double FMIn() const noexcept { return fm_in_; }
  void FMIn(double v);
  double FMOut() const noexcept { return fm_out_; }
  void FMOut(double v);
  // Reading computes the dominant frequency of the input: PuntosFFT = 128,
  // FFT, Modulo, d = index of the largest magnitude among the first n,
  // result = round(|d - n/2|) x FMIn / n. It rewrites the output vectors.
  double FMaxima();
  void FMaxima(double v);  // 382 at run time; at design time stored and saved

  // True when MetodoInterpolacion selects the spectral method (see above).
  bool SpectralInterpolation() const;

  // --- Persistence in the host's property record ---
  // Keys, in this order, each with default 0 (false): "EliminarAliasing", "FC",
  // "FMIn", "FMOut", "PuntosFFT", "OrdenInterpolacion", "OrdenDiezmado",
  // "FMaxima", "MetodoInterpolacion". A value equal to its default is not
  // stored. Booleans are stored as -1 / 0. Loading sets the values without
  // change notifications; a PuntosFFT that does not fit 32 bits raises 6 and
  // leaves every value as it was.
  void ReadProperties(const hosting::PropertyBag& bag);
  void WriteProperties(hosting::PropertyBag& bag) const;

 private:
  // Sample count n as the library's 16-bit count (6 "Overflow" above 32767).
  std::int16_t InputCount16() const;
  void InterpolateLinear(std::size_t n, std::size_t m);

  std::vector<float> in_real_{0.0f};
  std::vector<float> in_imag_{0.0f};
  std::vector<float> out_real_{0.0f};
  std::vector<float> out_imag_{0.0f};
  std::vector<float> out_modulo_{0.0f};
  std::vector<float> scratch_;  // zero-padding for Enventanar, size restore

  std::int32_t puntos_fft_ = 0;
  double orden_interpolacion_ = 0.0;
  double orden_diezmado_ = 0.0;
  hosting::PropertyValue metodo_interpolacion_{std::int64_t{0}};
  bool eliminar_aliasing_ = false;
  double fc_ = 0.0;
  double fm_in_ = 0.0;
  double fm_out_ = 0.0;
  double fmaxima_ = 0.0;  // the design-time value, saved with the record

  // Size of this control's last FFT (0: none since creation or CerrarFFT).
  std::int32_t last_fft_size_ = 0;
};

}  // namespace orva
