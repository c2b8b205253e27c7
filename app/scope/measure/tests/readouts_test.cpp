// Readout texts at every threshold, in a point and in a comma locale, the
// user-locale separator lookup, and the channel-samples text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "orva/scope/readouts.h"

namespace orva::scope {
namespace {

// Runs the body with the given separator and restores the automatic one.
class MeasureReadoutTexts : public ::testing::TestWithParam<char> {
 protected:
  void SetUp() override { SetDecimalSeparator(GetParam()); }
  void TearDown() override { ResetDecimalSeparator(); }
  // The expected text written with a point, localised.
  static std::string L(std::string s) {
    for (char& c : s)
      if (c == '.') c = GetParam();
    return s;
  }
};

TEST_P(MeasureReadoutTexts, VoltsSwitchFromMillivoltsAtOne) {
  EXPECT_EQ(FormatoVoltios(0.5f), L("500.00 mV"));
  EXPECT_EQ(FormatoVoltios(-2.0f), L("-2.00 V"));
  EXPECT_EQ(FormatoVoltios(0.999f), L("999.00 mV"));
  EXPECT_EQ(FormatoVoltios(1.0f), L("1.00 V"));
  EXPECT_EQ(FormatoVoltios(-1.0f), L("-1.00 V"));
  EXPECT_EQ(FormatoVoltios(-0.999f), L("-999.00 mV"));
  EXPECT_EQ(FormatoVoltios(0.0f), L("0.00 mV"));
  EXPECT_EQ(FormatoVoltios(12.345f), L("12.35 V"));  // 12.345f is slightly above 12.345
  EXPECT_EQ(FormatoVoltios(2.02484f), L("2.02 V"));
  // Rounds to zero: no minus sign.
  EXPECT_EQ(FormatoVoltios(-0.000001f), L("0.00 mV"));
}

TEST_P(MeasureReadoutTexts, TimesStepThroughNanoMicroMilliSeconds) {
  EXPECT_EQ(FormatoTiempo(0.0000025f), L("2.50 us"));
  EXPECT_EQ(FormatoTiempo(5e-7f), L("500.00 ns"));
  // 1e-6f is just below 1e-6: still nanoseconds.
  EXPECT_EQ(FormatoTiempo(1e-6f), L("1000.00 ns"));
  EXPECT_EQ(FormatoTiempo(1.5e-6f), L("1.50 us"));
  EXPECT_EQ(FormatoTiempo(0.0005f), L("500.00 us"));
  EXPECT_EQ(FormatoTiempo(0.001f), L("1.00 ms"));
  EXPECT_EQ(FormatoTiempo(0.25f), L("250.00 ms"));
  EXPECT_EQ(FormatoTiempo(1.0f), L("1.00 s"));
  EXPECT_EQ(FormatoTiempo(42.5f), L("42.50 s"));
  EXPECT_EQ(FormatoTiempo(0.0f), L("0.00 ns"));
  EXPECT_EQ(FormatoTiempo(-0.002f), L("-2.00 ms"));
}

TEST_P(MeasureReadoutTexts, FrequenciesSwitchOnlyAboveTheThresholds) {
  EXPECT_EQ(FormatoFrecuencia(1000.0f), "1000 Hz");  // 1000 is not above 1000
  EXPECT_EQ(FormatoFrecuencia(1500.0f), L("1.50 KHz"));
  EXPECT_EQ(FormatoFrecuencia(1000000.0f), L("1000.00 KHz"));
  EXPECT_EQ(FormatoFrecuencia(2500000.0f), L("2.50 MHz"));
  EXPECT_EQ(FormatoFrecuencia(0.0f), "0 Hz");
  EXPECT_EQ(FormatoFrecuencia(999.6f), "1000 Hz");
  EXPECT_EQ(FormatoFrecuencia(-1500.0f), L("-1.50 KHz"));
}

INSTANTIATE_TEST_SUITE_P(Separators, MeasureReadoutTexts, ::testing::Values('.', ','),
                         [](const ::testing::TestParamInfo<char>& i) {
                           return std::string(i.param == '.' ? "Point" : "Comma");
                         });

TEST(MeasureReadoutLocale, SeparatorComesFromTheUserLocale) {
  EXPECT_EQ(DecimalSeparatorOfLocale("C"), '.');
  EXPECT_EQ(DecimalSeparatorOfLocale("not_A_Locale.UTF-9"), '.');
  const char de = DecimalSeparatorOfLocale("de_DE.UTF-8");
  if (de != ',') GTEST_SKIP() << "de_DE.UTF-8 is not installed here";
  EXPECT_EQ(DecimalSeparatorOfLocale("fr_FR.UTF-8"), ',');
  EXPECT_EQ(DecimalSeparatorOfLocale("es_ES.UTF-8"), ',');

  // The program-wide separator follows the environment of the user.
  const char* old = std::getenv("LC_ALL");
  const std::string saved = old ? old : "";
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  ResetDecimalSeparator();
  EXPECT_EQ(DecimalSeparator(), ',');
  EXPECT_EQ(FormatoVoltios(0.5f), "500,00 mV");
  EXPECT_EQ(FormatoFrecuencia(1500.0f), "1,50 KHz");
  setenv("LC_ALL", "C", 1);
  ResetDecimalSeparator();
  EXPECT_EQ(FormatoVoltios(0.5f), "500.00 mV");
  if (old) setenv("LC_ALL", saved.c_str(), 1); else unsetenv("LC_ALL");
  ResetDecimalSeparator();
}

TEST(MeasureChannelSamplesText, VoltsWithCarriageReturnsAndTheSeparator) {
  std::vector<float> a(1024, 128.0f);
  a[0] = 160.0f;   // one division up
  a[1] = 96.0f;    // one division down
  a[2] = 129.0f;   // one code
  a[767] = 192.0f;
  a[768] = 255.0f; // beyond the copied range
  const std::string t = TextoDeMuestrasDeCanal(a.data(), static_cast<std::ptrdiff_t>(a.size()), 1.0, ',');
  // 768 values, each ended by a carriage return, no line feed.
  EXPECT_EQ(std::count(t.begin(), t.end(), '\r'), 768);
  EXPECT_EQ(t.find('\n'), std::string::npos);
  EXPECT_EQ(t.substr(0, 19), "1\r-1\r0,03125\r0\r0\r0\r");
  EXPECT_EQ(t.substr(t.size() - 2), "2\r");
  // 0.5 V/div with a point.
  const std::string p = TextoDeMuestrasDeCanal(a.data(), 3, 0.5, '.');
  EXPECT_EQ(p, "0.5\r-0.5\r0.015625\r");
}

TEST(MeasureChannelSamplesText, ShortTracesAndNothingAtAll) {
  const std::vector<float> a = {64.0f, 192.0f};
  EXPECT_EQ(TextoDeMuestrasDeCanal(a.data(), 2, 2.0, '.'), "-4\r4\r");
  EXPECT_EQ(TextoDeMuestrasDeCanal(a.data(), 0, 2.0, '.'), "");
  EXPECT_EQ(TextoDeMuestrasDeCanal(nullptr, 5, 2.0, '.'), "");
  // A VDiv beyond any sensible range still gives text, not a crash.
  const std::string huge = TextoDeMuestrasDeCanal(a.data(), 2, 1e300, '.');
  EXPECT_EQ(huge, "-inf\rinf\r");
}

}  // namespace
}  // namespace orva::scope
