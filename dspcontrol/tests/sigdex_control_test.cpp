// The signal-processing control through its public members, with the real
// signal-processing library underneath.
#include "sigdexp/sigdex_control.h"

#include <Sigdex.h>
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace {

using orva::Sigdex;
using orva::hosting::ControlError;
using orva::hosting::PropertyBag;
using orva::hosting::PropertyValue;

constexpr double kPi = std::numbers::pi;

// The error number a call raises, or 0 when it raises nothing.
int ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ControlError& e) {
    return e.Number();
  }
  return 0;
}

std::vector<float> Cosine(std::size_t n, double cycles, double amplitude, double offset = 0.0) {
  std::vector<float> v(n);
  for (std::size_t i = 0; i < n; ++i)
    v[i] = static_cast<float>(offset + amplitude * std::cos(2 * kPi * cycles * static_cast<double>(i) /
                                                            static_cast<double>(n)));
  return v;
}

std::vector<float> Ramp(std::size_t n) {
  std::vector<float> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<float>(i);
  return v;
}

// Double-precision DFT of a real input, in centred order (zero frequency at
// N/2, the N/2 bin at index 0).
std::vector<std::complex<double>> CentredDft(const std::vector<float>& x, std::size_t n) {
  std::vector<std::complex<double>> out(n);
  for (std::size_t k = 0; k < n; ++k) {
    std::complex<double> s = 0;
    for (std::size_t t = 0; t < n && t < x.size(); ++t)
      s += static_cast<double>(x[t]) *
           std::polar(1.0, -2 * kPi * static_cast<double>(k * t % n) / static_cast<double>(n));
    out[(k + n / 2) % n] = s;
  }
  return out;
}

// A control at design time, so that the input vectors can be read back.
Sigdex DesignTimeControl() {
  Sigdex s;
  s.SetUserMode(false);
  return s;
}

}  // namespace

// --- Access rules, initial state, notifications -------------------------------

TEST(SigdexControlAccess, NewControlHoldsOneZeroPerVectorAndZeroSettings) {
  Sigdex s = DesignTimeControl();
  for (const auto& v : {s.VectorInReal(), s.VectorInImag(), s.VectorOutReal(), s.VectorOutImag(),
                        s.VectorOutModulo()})
    EXPECT_EQ(v, std::vector<float>{0.0f});
  EXPECT_EQ(s.PuntosFFT(), 0);
  EXPECT_EQ(s.OrdenInterpolacion(), 0.0);
  EXPECT_EQ(s.OrdenDiezmado(), 0.0);
  EXPECT_EQ(s.MetodoInterpolacion(), PropertyValue(std::int64_t{0}));
  EXPECT_FALSE(s.EliminarAliasing());
  EXPECT_EQ(s.FC(), 0.0);
  EXPECT_EQ(s.FMIn(), 0.0);
  EXPECT_EQ(s.FMOut(), 0.0);
  EXPECT_TRUE(s.SpectralInterpolation());
}

TEST(SigdexControlAccess, RunTimeRefusesReadingInputsAndSettingOutputs) {
  Sigdex s;
  ASSERT_TRUE(s.UserMode());
  const std::vector<float> v{1, 2, 3};
  s.VectorInReal(v);  // setting inputs is always allowed
  s.VectorInImag(v);
  EXPECT_EQ(ErrorOf([&] { (void)s.VectorInReal(); }), 393);
  EXPECT_EQ(ErrorOf([&] { (void)s.VectorInImag(); }), 393);
  EXPECT_EQ(ErrorOf([&] { s.VectorOutReal(v); }), 382);
  EXPECT_EQ(ErrorOf([&] { s.VectorOutImag(v); }), 382);
  EXPECT_EQ(ErrorOf([&] { s.VectorOutModulo(v); }), 382);
  EXPECT_EQ(ErrorOf([&] { s.FMaxima(5.0); }), 382);
  // Outputs stay readable and unchanged by the refused sets.
  EXPECT_EQ(s.VectorOutReal(), std::vector<float>{0.0f});
  EXPECT_EQ(s.InputCount(), 3u);
  try {
    (void)s.VectorInReal();
  } catch (const ControlError& e) {
    EXPECT_STREQ(e.what(), "Get not supported at run time");
  }

  s.SetUserMode(false);
  s.VectorOutReal(v);
  s.VectorOutImag(v);
  s.VectorOutModulo(v);
  s.FMaxima(5.0);
  EXPECT_EQ(s.VectorInReal(), v);
  EXPECT_EQ(s.VectorOutModulo(), v);
}

TEST(SigdexControlAccess, EverySetterNotifiesUnderItsOwnNameEvenWithoutChange) {
  Sigdex s = DesignTimeControl();
  std::vector<std::string> names;
  s.SetPropertyChangedHandler([&](std::string_view n) { names.emplace_back(n); });
  s.FC(0.0);
  s.FMIn(1.0);
  s.FMOut(2.0);
  s.PuntosFFT(64);
  s.OrdenInterpolacion(2.0);
  s.OrdenDiezmado(2.0);
  s.MetodoInterpolacion(PropertyValue(std::string("x")));
  s.EliminarAliasing(true);
  s.FMaxima(3.0);
  s.VectorInReal({1.0f});
  s.VectorOutReal({1.0f});
  EXPECT_EQ(names, (std::vector<std::string>{"FC", "FMIn", "FMOut", "PuntosFFT", "OrdenInterpolacion",
                                             "OrdenDiezmado", "MetodoInterpolacion", "EliminarAliasing",
                                             "FMaxima", "VectorInReal", "VectorOutReal"}));
}

TEST(SigdexControlAccess, VectorsAreHandedOverByCopy) {
  Sigdex s = DesignTimeControl();
  std::vector<float> mine{1, 2, 3, 4};
  s.VectorInReal(mine);
  mine[0] = 99;
  EXPECT_EQ(s.VectorInReal()[0], 1.0f);
  auto got = s.VectorInReal();
  got[1] = 77;
  EXPECT_EQ(s.VectorInReal()[1], 2.0f);
}

// --- Persistence --------------------------------------------------------------

TEST(SigdexControlPersistence, DefaultsStoreNothingAndLoadBackAsDefaults) {
  Sigdex s;
  PropertyBag bag;
  s.WriteProperties(bag);
  EXPECT_EQ(bag.Size(), 0u);

  Sigdex loaded;
  loaded.FC(7.0);  // a stale value must be replaced by the default
  loaded.ReadProperties(bag);
  EXPECT_EQ(loaded.FC(), 0.0);
  EXPECT_EQ(loaded.MetodoInterpolacion(), PropertyValue(std::int64_t{0}));
}

TEST(SigdexControlPersistence, RoundTripKeepsValuesAndKeyOrderWithoutNotifying) {
  Sigdex s;
  s.SetUserMode(false);
  s.MetodoInterpolacion(PropertyValue(std::int64_t{1}));
  s.FMaxima(12.5);
  s.OrdenDiezmado(2.5);
  s.OrdenInterpolacion(8.0);
  s.PuntosFFT(512);
  s.FMOut(1000.0);
  s.FMIn(2500.0);
  s.FC(300.0);
  s.EliminarAliasing(true);
  PropertyBag bag;
  s.WriteProperties(bag);
  EXPECT_EQ(bag.Keys(), (std::vector<std::string>{"EliminarAliasing", "FC", "FMIn", "FMOut", "PuntosFFT",
                                                  "OrdenInterpolacion", "OrdenDiezmado", "FMaxima",
                                                  "MetodoInterpolacion"}));
  EXPECT_EQ(bag.ReadInt("EliminarAliasing", 0), -1);  // stored as a -1 boolean

  Sigdex t;
  int notified = 0;
  t.SetPropertyChangedHandler([&](std::string_view) { ++notified; });
  t.ReadProperties(bag);
  EXPECT_EQ(notified, 0);
  EXPECT_TRUE(t.EliminarAliasing());
  EXPECT_EQ(t.FC(), 300.0);
  EXPECT_EQ(t.FMIn(), 2500.0);
  EXPECT_EQ(t.FMOut(), 1000.0);
  EXPECT_EQ(t.PuntosFFT(), 512);
  EXPECT_EQ(t.OrdenInterpolacion(), 8.0);
  EXPECT_EQ(t.OrdenDiezmado(), 2.5);
  EXPECT_EQ(t.MetodoInterpolacion(), PropertyValue(std::int64_t{1}));
  EXPECT_FALSE(t.SpectralInterpolation());

  // The design-time FMaxima travels with the record.
  PropertyBag again;
  t.WriteProperties(again);
  EXPECT_EQ(again.ReadDouble("FMaxima", 0.0), 12.5);
}

TEST(SigdexControlPersistence, OnlyChangedKeysAreStoredAndTextMethodsSurvive) {
  Sigdex s;
  s.FC(0.0);
  s.FMIn(44100.0);
  s.MetodoInterpolacion(PropertyValue(std::string("lineal")));
  PropertyBag bag;
  s.WriteProperties(bag);
  EXPECT_EQ(bag.Keys(), (std::vector<std::string>{"FMIn", "MetodoInterpolacion"}));
  Sigdex t;
  t.ReadProperties(bag);
  EXPECT_EQ(t.MetodoInterpolacion(), PropertyValue(std::string("lineal")));
  EXPECT_EQ(t.FC(), 0.0);

  // A record whose transform size does not fit 32 bits is refused with 6,
  // and none of its other values is taken.
  PropertyBag bad;
  bad.Write("FMIn", 8000.0, 0.0);
  bad.Write("EliminarAliasing", std::int64_t{-1}, std::int64_t{0});
  bad.Write("PuntosFFT", std::int64_t{1} << 40, std::int64_t{0});
  EXPECT_EQ(ErrorOf([&] { t.ReadProperties(bad); }), 6);
  EXPECT_EQ(t.FMIn(), 44100.0);
  EXPECT_FALSE(t.EliminarAliasing());
}

// --- FFT and Modulo -------------------------------------------------------------

TEST(SigdexControlSpectrum, FftGivesTheCentredSpectrumAndZeroesTheImaginaryInput) {
  Sigdex s = DesignTimeControl();
  const std::size_t n = 64;
  std::vector<float> x(n);
  for (std::size_t i = 0; i < n; ++i)
    x[i] = static_cast<float>(std::sin(0.37 * static_cast<double>(i)) + 0.25 * std::cos(1.9 * static_cast<double>(i * i % 17)));
  s.VectorInReal(x);
  s.VectorInImag(std::vector<float>(n, 5.0f));  // discarded: the transform is of a real trace
  s.PuntosFFT(static_cast<std::int32_t>(n));
  s.FFT();
  EXPECT_EQ(s.VectorInImag(), std::vector<float>(n, 0.0f));
  const auto ref = CentredDft(x, n);
  const auto re = s.VectorOutReal();
  const auto im = s.VectorOutImag();
  ASSERT_EQ(re.size(), n);
  ASSERT_EQ(im.size(), n);
  for (std::size_t k = 0; k < n; ++k) {
    EXPECT_NEAR(re[k], ref[k].real(), 1e-4) << k;
    EXPECT_NEAR(im[k], ref[k].imag(), 1e-4) << k;
  }
}

TEST(SigdexControlSpectrum, ShortInputIsZeroPaddedAndLongInputKeepsItsTail) {
  Sigdex s = DesignTimeControl();
  const auto x = Cosine(20, 3.0, 1.0, 0.5);
  s.VectorInReal(x);
  s.PuntosFFT(32);
  s.FFT();
  const auto re = s.VectorOutReal();
  ASSERT_EQ(re.size(), 32u);
  const auto ref = CentredDft(x, 32);  // zero-padded to 32
  for (std::size_t k = 0; k < 32; ++k) EXPECT_NEAR(re[k], ref[k].real(), 1e-4) << k;

  // 40 samples with an 8-point transform: only the first 8 are transformed.
  const auto ramp = Ramp(40);
  s.VectorInReal(ramp);
  s.PuntosFFT(8);
  s.FFT();
  const auto out = s.VectorOutReal();
  ASSERT_EQ(out.size(), 40u);
  EXPECT_FLOAT_EQ(out[4], 28.0f);  // zero frequency: 0 + 1 + ... + 7
  for (std::size_t i = 8; i < 40; ++i) EXPECT_EQ(out[i], ramp[i]);
}

TEST(SigdexControlSpectrum, OneSampleDoesNothingAndBadSizesAreRefused) {
  Sigdex s = DesignTimeControl();
  s.VectorOutReal({9.0f, 9.0f});
  s.VectorInReal({3.0f});
  s.PuntosFFT(0);
  s.FFT();  // upper bound 0: no transform, no size check
  EXPECT_EQ(s.VectorOutReal(), (std::vector<float>{9.0f, 9.0f}));

  s.VectorInReal(Ramp(16));
  for (const std::int32_t bad : {0, 1, 12, -16, 32768}) {
    s.PuntosFFT(bad);
    EXPECT_EQ(ErrorOf([&] { s.FFT(); }), 5) << bad;
    EXPECT_EQ(s.VectorOutReal(), (std::vector<float>{9.0f, 9.0f})) << bad;
  }
}

TEST(SigdexControlSpectrum, ModuloIsInDecibelsOfTheControlsOwnTransform) {
  Sigdex s;
  const std::size_t n = 64;
  s.VectorInReal(Cosine(n, 5.0, 0.5));
  s.PuntosFFT(64);
  s.FFT();

  // Another user of the library transforms a larger size, then releases it:
  // this control's magnitudes must still use its own size and stay inside its
  // vectors.
  Sigdex other;
  other.VectorInReal(Cosine(1024, 3.0, 1.0));
  other.PuntosFFT(1024);
  other.FFT();
  other.CerrarFFT();

  s.Modulo();
  const auto mod = s.VectorOutModulo();
  ASSERT_EQ(mod.size(), n);
  const double expected_db = 20 * std::log10(100 * 0.5);
  EXPECT_NEAR(mod[n / 2 + 5], expected_db, 1e-3);
  EXPECT_NEAR(mod[n / 2 - 5], expected_db, 1e-3);
  // Bins without signal are exactly zero (0 by convention) or far below.
  EXPECT_TRUE(mod[n / 2 + 9] == 0.0f || mod[n / 2 + 9] < expected_db - 60) << mod[n / 2 + 9];
}

TEST(SigdexControlSpectrum, ModuloWithoutTransformLeavesZeros) {
  Sigdex s = DesignTimeControl();
  s.VectorOutReal({1.0f, 2.0f, 3.0f});
  s.VectorOutImag({1.0f, 2.0f, 3.0f});
  s.Modulo();
  EXPECT_EQ(s.VectorOutModulo(), std::vector<float>(3, 0.0f));

  // After this control's CerrarFFT the old transform no longer counts either.
  s.VectorInReal(Cosine(16, 2.0, 1.0));
  s.PuntosFFT(16);
  s.FFT();
  s.CerrarFFT();
  s.Modulo();
  EXPECT_EQ(s.VectorOutModulo(), std::vector<float>(16, 0.0f));
}

TEST(SigdexControlSpectrum, FMaximaFindsTheDominantFrequencyOfA128SampleTrace) {
  Sigdex s;
  std::vector<float> x(128);
  for (std::size_t i = 0; i < 128; ++i)
    x[i] = static_cast<float>(60 * std::sin(2 * kPi * 10 * static_cast<double>(i) / 128) +
                              5 * std::sin(2 * kPi * 31 * static_cast<double>(i) / 128));
  s.VectorInReal(x);
  s.FMIn(1280.0);
  std::vector<std::string> names;
  s.SetPropertyChangedHandler([&](std::string_view n) { names.emplace_back(n); });
  EXPECT_DOUBLE_EQ(s.FMaxima(), 10 * 1280.0 / 128);
  EXPECT_EQ(s.PuntosFFT(), 128);
  EXPECT_EQ(names, std::vector<std::string>{"PuntosFFT"});
  EXPECT_EQ(s.VectorOutModulo().size(), 128u);

  s.VectorInReal({});
  EXPECT_EQ(ErrorOf([&] { (void)s.FMaxima(); }), 11);
}

// --- Interpolation ---------------------------------------------------------------

TEST(SigdexControlInterpolation, LinearMethodFillsBetweenSamplesAndLeavesTheTailAtZero) {
  Sigdex s = DesignTimeControl();
  s.VectorInReal({0, 2, 4, 6});
  s.OrdenInterpolacion(2.0);
  s.MetodoInterpolacion(PropertyValue(std::int64_t{1}));
  s.Interpolar();
  EXPECT_EQ(s.VectorOutReal(), (std::vector<float>{0, 1, 2, 3, 4, 5, 0, 0}));

  // A fractional ratio: m = round(4 x 2.5) = 10, r = 2.5; j runs 0 and 1.
  s.OrdenInterpolacion(2.5);
  s.Interpolar();
  const auto out = s.VectorOutReal();
  ASSERT_EQ(out.size(), 10u);
  // i = 0: k = 0, 1; i = 1: k = round(2.5) = 2, round(3.5) = 4; i = 2: k = 5, 6.
  EXPECT_EQ(out, (std::vector<float>{0, 0.8f, 2, 0, 2.8f, 4, 4.8f, 0, 0, 0}));

  // Linear interpolation of an empty input gives an empty output.
  s.VectorInReal({});
  s.Interpolar();
  EXPECT_TRUE(s.VectorOutReal().empty());
}

TEST(SigdexControlInterpolation, SpectralMethodReproducesBandLimitedSamples) {
  Sigdex s;
  const auto x = Cosine(8, 1.0, 3.0, 1.0);
  s.VectorInReal(x);
  s.OrdenInterpolacion(2.0);
  s.Interpolar();  // MetodoInterpolacion 0: spectral
  const auto out = s.VectorOutReal();
  ASSERT_EQ(out.size(), 16u);
  for (std::size_t j = 0; j < 16; ++j)
    EXPECT_NEAR(out[j], 1.0 + 3.0 * std::cos(2 * kPi * static_cast<double>(j) / 16), 1e-5) << j;

  // A text that reads as 0 is the spectral method too; other text is linear.
  s.MetodoInterpolacion(PropertyValue(std::string(" 0 ")));
  EXPECT_TRUE(s.SpectralInterpolation());
  s.MetodoInterpolacion(PropertyValue(0.0));
  EXPECT_TRUE(s.SpectralInterpolation());
  s.MetodoInterpolacion(PropertyValue(std::string("")));
  EXPECT_FALSE(s.SpectralInterpolation());
  s.MetodoInterpolacion(PropertyValue(std::int64_t{-1}));
  EXPECT_FALSE(s.SpectralInterpolation());
}

TEST(SigdexControlInterpolation, LengthsOutOfRangeRaiseOverflowOrInvalidCall) {
  Sigdex s;
  s.VectorInReal(Ramp(1000));
  s.MetodoInterpolacion(PropertyValue(std::int64_t{1}));
  s.OrdenInterpolacion(40.0);  // 40000 samples do not fit 16 bits
  EXPECT_EQ(ErrorOf([&] { s.Interpolar(); }), 6);
  s.OrdenInterpolacion(-2.0);
  EXPECT_EQ(ErrorOf([&] { s.Interpolar(); }), 5);
  s.OrdenInterpolacion(std::nan(""));
  EXPECT_EQ(ErrorOf([&] { s.Interpolar(); }), 6);
  EXPECT_EQ(s.VectorOutReal(), std::vector<float>{0.0f});  // untouched by the refusals

  // Spectral needs powers of two the library accepts.
  s.MetodoInterpolacion(PropertyValue(std::int64_t{0}));
  s.OrdenInterpolacion(2.0);
  EXPECT_EQ(ErrorOf([&] { s.Interpolar(); }), 5);  // 1000 samples
  s.VectorInReal(Ramp(8192));
  EXPECT_EQ(ErrorOf([&] { s.Interpolar(); }), 5);  // 16384 samples out

  // An input with the largest upper bound overflows the sample count itself.
  s.VectorInReal(std::vector<float>(32768, 1.0f));
  s.OrdenInterpolacion(0.5);
  EXPECT_EQ(ErrorOf([&] { s.Interpolar(); }), 6);
  s.OrdenDiezmado(4.0);
  EXPECT_EQ(ErrorOf([&] { s.Diezmar(); }), 6);
}

// --- Decimation and filtering -------------------------------------------------------

TEST(SigdexControlDecimation, FractionalStepAndPeakKeepingPicks) {
  Sigdex s;
  s.VectorInReal(Ramp(1000));
  s.OrdenDiezmado(2.5);
  s.Diezmar();
  const auto out = s.VectorOutReal();
  ASSERT_EQ(out.size(), 400u);
  EXPECT_EQ(out[0], 0.0f);
  EXPECT_EQ(out[2], 5.0f);  // x = 5 exactly
  // x = 2.5: a tenth of the linear step toward the next sample.
  EXPECT_NEAR(out[1], 2.0f + 0.1f * 0.5f, 1e-6);
  EXPECT_NEAR(out[399], 997.0f + 0.05f, 1e-3);

  // Peak-keeping: blocks of 2 over a sawtooth alternate maximum and minimum.
  std::vector<float> saw(16);
  for (std::size_t i = 0; i < 16; ++i) saw[i] = static_cast<float>((i % 2) ? 50 + i : 10 + i);
  s.VectorInReal(saw);
  s.OrdenDiezmado(2.0);
  s.EliminarAliasing(true);
  s.Diezmar();
  const auto peaks = s.VectorOutReal();
  ASSERT_EQ(peaks.size(), 8u);
  EXPECT_EQ(peaks[0], saw[0]);
  EXPECT_EQ(peaks[1], 53.0f);  // max of saw[2], saw[3]
  EXPECT_EQ(peaks[2], 14.0f);  // min of saw[4], saw[5]
  EXPECT_EQ(peaks[7], 65.0f);  // last block saw[14], saw[15]
}

TEST(SigdexControlDecimation, ZeroOrderDividesByZeroAndNegativeOrderIsRefused) {
  Sigdex s;
  s.VectorInReal(Ramp(10));
  s.OrdenDiezmado(0.0);
  EXPECT_EQ(ErrorOf([&] { s.Diezmar(); }), 11);
  s.OrdenDiezmado(-1.0);
  EXPECT_EQ(ErrorOf([&] { s.Diezmar(); }), 5);
  s.OrdenDiezmado(100.0);  // rounds to no output at all
  s.Diezmar();
  EXPECT_TRUE(s.VectorOutReal().empty());
}

TEST(SigdexControlFilter, KeepsPassBandAndRemovesStopBand) {
  Sigdex s;
  const std::size_t n = 16;
  const auto low = Cosine(n, 1.0, 2.0, 3.0);
  const auto high = Cosine(n, 6.0, 1.5);
  std::vector<float> x(n);
  for (std::size_t i = 0; i < n; ++i) x[i] = low[i] + high[i];
  s.VectorInReal(x);
  s.FMIn(16.0);
  s.FC(2.0);
  s.FPB();
  const auto out = s.VectorOutReal();
  ASSERT_EQ(out.size(), n);
  for (std::size_t i = 0; i < n; ++i) EXPECT_NEAR(out[i], low[i], 1e-5) << i;

  // Cut-off at Nyquist: everything passes.
  s.FC(8.0);
  s.FPB();
  const auto all = s.VectorOutReal();
  for (std::size_t i = 0; i < n; ++i) EXPECT_NEAR(all[i], x[i], 1e-5) << i;
}

TEST(SigdexControlFilter, BadRatesAndSizesAreReported) {
  Sigdex s;
  s.VectorInReal(Ramp(16));
  s.FC(1.0);
  EXPECT_EQ(ErrorOf([&] { s.FPB(); }), 11);  // FMIn 0
  s.FMIn(-8.0);
  EXPECT_EQ(ErrorOf([&] { s.FPB(); }), 5);
  s.FMIn(8.0);
  s.VectorInReal(Ramp(12));
  EXPECT_EQ(ErrorOf([&] { s.FPB(); }), 5);
  EXPECT_EQ(s.VectorOutReal(), std::vector<float>{0.0f});
}

// --- Rate change ---------------------------------------------------------------------

TEST(SigdexControlRateChange, DownwardChangeDecimatesByTheRateRatio) {
  Sigdex s;
  s.VectorInReal(Ramp(1000));
  s.FMIn(2.5);
  s.FMOut(1.0);
  s.EliminarAliasing(true);
  s.CambiarFM();
  EXPECT_EQ(s.OrdenDiezmado(), 2.5);
  EXPECT_FALSE(s.EliminarAliasing());
  EXPECT_EQ(s.OrdenInterpolacion(), 0.0);  // no interpolation downward
  const auto out = s.VectorOutReal();
  ASSERT_EQ(out.size(), 400u);
  EXPECT_EQ(out[2], 5.0f);
  EXPECT_EQ(s.InputCount(), 1000u);
}

TEST(SigdexControlRateChange, UpwardChangeInterpolatesToAPowerOfTwoThenDecimates) {
  Sigdex s = DesignTimeControl();
  s.VectorInReal(Ramp(100));
  s.MetodoInterpolacion(PropertyValue(std::int64_t{1}));  // 100 samples: linear
  s.FMIn(1.0);
  s.FMOut(2.0);
  s.CambiarFM();
  // g = 200 -> p = round(log2(200) + 0.5) = 8 -> M = 256 samples.
  EXPECT_DOUBLE_EQ(s.OrdenInterpolacion(), 2.56);
  const auto in = s.VectorInReal();
  ASSERT_EQ(in.size(), 256u);
  EXPECT_FLOAT_EQ(in[0], 0.0f);
  EXPECT_NEAR(in[128], 50.0f, 0.01f);  // the ramp at 128 / 2.56
  EXPECT_EQ(s.OrdenDiezmado(), 2.0);
  EXPECT_EQ(s.VectorOutReal().size(), 128u);

  // Spectral method with a power-of-two input: a slow cosine stays a cosine.
  Sigdex t = DesignTimeControl();
  t.VectorInReal(Cosine(64, 1.0, 1.0));
  t.FMIn(1.0);
  t.FMOut(3.0);
  t.CambiarFM();  // g = 192 -> M = 256, then 256 / 3 -> 85 samples
  const auto out = t.VectorOutReal();
  ASSERT_EQ(out.size(), 85u);
  for (std::size_t i = 0; i < out.size(); ++i) {
    // Output i sits at position i x 256 / 85 of the 256-sample trace; the
    // decimator's tenth-of-a-step blend moves it by less than one sample.
    const double pos = static_cast<double>(i) * 256.0 / 85.0;
    EXPECT_NEAR(out[i], std::cos(2 * kPi * pos / 256.0), 0.03) << i;
  }
}

TEST(SigdexControlRateChange, ZeroRatesDivideByZero) {
  Sigdex s;
  s.VectorInReal(Ramp(10));
  s.FMOut(1.0);
  EXPECT_EQ(ErrorOf([&] { s.CambiarFM(); }), 11);
  s.FMIn(1.0);
  s.FMOut(0.0);
  EXPECT_EQ(ErrorOf([&] { s.CambiarFM(); }), 11);
  EXPECT_EQ(s.VectorOutReal(), std::vector<float>{0.0f});
}

// --- Window ----------------------------------------------------------------------------

TEST(SigdexControlWindow, HammingWeightsAndZeroPaddingBeyondTheInput) {
  Sigdex s;
  s.VectorInReal(std::vector<float>(5, 2.0f));
  s.Enventanar(5);
  const auto w = s.VectorOutReal();
  const std::vector<float> expected{0.16f, 1.08f, 2.0f, 1.08f, 0.16f};
  ASSERT_EQ(w.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_NEAR(w[i], expected[i], 1e-6) << i;

  // Window longer than the input: the missing samples count as 0.
  s.VectorInReal({1.0f, 1.0f});
  s.Enventanar(5);
  const auto padded = s.VectorOutReal();
  ASSERT_EQ(padded.size(), 5u);
  EXPECT_NEAR(padded[1], 0.54f, 1e-6);
  EXPECT_EQ(padded[2], 0.0f);
  EXPECT_EQ(padded[4], 0.0f);

  s.Enventanar(0);
  EXPECT_TRUE(s.VectorOutReal().empty());
  EXPECT_EQ(ErrorOf([&] { s.Enventanar(-1); }), 5);
  EXPECT_EQ(ErrorOf([&] { s.Enventanar(Sigdex::kMaxWindow + 1); }), 5);
}
