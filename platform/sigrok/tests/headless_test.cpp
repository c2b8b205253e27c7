// The program's command line with libsigrok's demonstration device: a
// malformed source text is a bad option (exit 2), a device that is not there
// a failed operation (exit 1), and the demonstration device is listed and
// read headless (its square on channel 1, its sine on channel 2).
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace {

struct Outcome {
  int exit_code = -1;
  QString out;
  QString err;
};

Outcome RunProgram(const QStringList& args) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("ORVABOARD_SIM");
  env.insert("ORVA_LANGUAGE", "en");
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(ORVASCOPE_PATH), args);
  Outcome r;
  if (!p.waitForFinished(120000)) return r;
  r.exit_code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

TEST(SigrokCommandLine, RefusalsSayWhyInOneLineWithTheirStatus) {
  struct Case {
    const char* spec;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {"sigrok:", 2, "names no driver"},
      {"sigrok:demo:analog_channels", 2, "is not OPTION=VALUE"},
      {"sigrok:demo:channels=A0,A1,A2", 2, "one or two channel names"},
      {"sigrok:no-such-driver", 1, "no driver 'no-such-driver'"},
      {"sigrok:demo:conn=/dev/null", 1, "does not take the option 'conn'"},
  };
  for (const Case& c : cases) {
    const Outcome r = RunProgram({"--headless", "--passes", "1", "--source", c.spec});
    EXPECT_EQ(r.exit_code, c.status) << c.spec << ": " << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
    EXPECT_EQ(r.err.count(QStringLiteral("OrvaScope: ")), 1) << r.err.toStdString();
  }
}

TEST(SigrokCommandLine, TheDemonstrationDeviceIsListedAndRead) {
  const Outcome list = RunProgram({"--list-sources"});
  ASSERT_EQ(list.exit_code, 0) << list.err.toStdString();
  EXPECT_TRUE(list.out.contains("\nsigrok:demo  ")) << list.out.toStdString();
  EXPECT_FALSE(list.err.contains("libsigrok")) << list.err.toStdString();  // its log stays in ours

  // 100 us/div: the device runs at 256 kHz; the square (10 samples a
  // period) reads 25.6 kHz, the sine 12.8 kHz, both 20 V peak to peak at
  // 5 V/div.
  const Outcome r = RunProgram({"--headless", "--passes", "20", "--source", "sigrok:demo:analog_channels=2",
                         "--set", "BaseDeTiemposActual=12", "--set", "GananciaCanal1=3", "--set",
                         "GananciaCanal2=3"});
  ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
  EXPECT_FALSE(r.err.contains("libsigrok")) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("source: libsigrok instrument Demo device")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(
      "\ninstrument: 256000 samples/s; gain: in software; coupling: in software; trigger: in software\n"))
      << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("datos(0) = 20.00 V\n")) << r.out.toStdString();  // Vpp, channel 1
  EXPECT_TRUE(r.out.contains("datos(2) = 25.60 KHz\n")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("datos(6) = 12.80 KHz\n")) << r.out.toStdString();
}

}  // namespace
