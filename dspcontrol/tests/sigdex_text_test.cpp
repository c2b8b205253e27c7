// VectorEnTexto: the trace as volts text in the user's number format.
#include "sigdexp/sigdex_control.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <string>
#include <vector>

namespace {

using orva::Sigdex;

// Splits the text at carriage returns; the text must end with one.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string cur;
  for (const char c : text) {
    EXPECT_NE(c, '\n');
    if (c == '\r') {
      lines.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  EXPECT_TRUE(cur.empty()) << "text does not end with a carriage return";
  return lines;
}

// A numpunct facet with a comma as decimal point, as a host program can
// install with std::locale::global.
struct CommaDecimal : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
};

// Restores the C and C++ locales after a test that changes them.
class LocaleGuard {
 public:
  LocaleGuard() : cpp_(std::locale()) {
    const char* c = std::setlocale(LC_ALL, nullptr);
    c_ = c ? c : "C";
  }
  ~LocaleGuard() {
    std::locale::global(cpp_);
    std::setlocale(LC_ALL, c_.c_str());
  }
  LocaleGuard(const LocaleGuard&) = delete;
  LocaleGuard& operator=(const LocaleGuard&) = delete;

 private:
  std::locale cpp_;
  std::string c_;
};

// Switches the C locale to a comma-decimal one: an installed one if there is
// any, else one generated into a private folder with localedef (no
// installation needed). Returns false when neither works.
bool UseCommaCLocale() {
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8",
                         "es_ES.UTF-8", "es_ES.utf8", "ca_ES.UTF-8", "ca_ES.utf8"};
  for (const char* n : names)
    if (std::setlocale(LC_ALL, n) != nullptr) return true;

  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path dir = fs::temp_directory_path(ec) / ("orva-locales-" + std::to_string(::getpid()));
  if (ec) return false;
  fs::create_directories(dir, ec);
  const fs::path target = dir / "de_DE.UTF-8";
  const std::string cmd = "localedef -i de_DE -f UTF-8 '" + target.string() + "' >/dev/null 2>&1";
  const int rc = std::system(cmd.c_str());
  bool ok = false;
  if (rc == 0 && fs::exists(target)) {
    ::setenv("LOCPATH", dir.c_str(), 1);
    ok = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  if (!ok) fs::remove_all(dir, ec);
  return ok;
}

}  // namespace

TEST(SigdexControlText, VoltsForEachSampleEachEndedByACarriageReturn) {
  LocaleGuard guard;
  std::setlocale(LC_ALL, "C");
  Sigdex s;
  s.VectorInReal({128.0f, 192.0f, 0.0f});
  EXPECT_EQ(s.VectorEnTexto(1.0), "0\r2\r-4\r");

  // 0.5 V/div: 96 codes is three quarters of the way down to -4 divisions.
  s.VectorInReal({32.0f, 160.0f, 128.0f});
  EXPECT_EQ(s.VectorEnTexto(0.5), "-1.5\r0.5\r0\r");

  // A negative scale still writes a plain 0 for the centre line.
  s.VectorInReal({128.0f});
  EXPECT_EQ(s.VectorEnTexto(-1.0), "0\r");

  // Shortest text that reads back the same double: 0.1 V/div, one code.
  s.VectorInReal({129.0f});
  const auto one = Lines(s.VectorEnTexto(0.1));
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(std::stod(one[0]), 1.0 / 128.0 * 0.4);

  // Very large values use the exponent form.
  s.VectorInReal({256.0f});
  EXPECT_EQ(s.VectorEnTexto(1e300), "4e+300\r");
}

TEST(SigdexControlText, WritesAtMost768SamplesAndNothingForAnEmptyTrace) {
  LocaleGuard guard;
  std::setlocale(LC_ALL, "C");
  Sigdex s;
  std::vector<float> v(2000);
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>(i % 256);
  s.VectorInReal(v);
  const std::string text = s.VectorEnTexto(1.0);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 768);
  const auto lines = Lines(text);
  ASSERT_EQ(lines.size(), 768u);
  EXPECT_EQ(lines[0], "-4");
  EXPECT_EQ(lines[767], "3.96875");  // code 255 = 127/128 of 4 divisions
  s.VectorInReal({});
  EXPECT_EQ(s.VectorEnTexto(1.0), "");
}

TEST(SigdexControlText, FollowsACommaDecimalLocaleInstalledInCpp) {
  LocaleGuard guard;
  std::setlocale(LC_ALL, "C");
  std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
  Sigdex s;
  s.VectorInReal({160.0f, 32.0f, 1000.0f});
  EXPECT_EQ(s.VectorEnTexto(0.5), "0,5\r-1,5\r13,625\r");  // no thousands separator
}

TEST(SigdexControlText, FollowsACommaDecimalCLocale) {
  LocaleGuard guard;
  if (!UseCommaCLocale()) GTEST_SKIP() << "no comma-decimal locale available or generable";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  Sigdex s;
  s.VectorInReal({160.0f, 128.0f, 96.0f});
  EXPECT_EQ(s.VectorEnTexto(0.2), "0,2\r0\r-0,2\r");
}
