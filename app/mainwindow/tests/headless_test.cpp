// Runs the program headless and checks what it reports and writes.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

namespace {

struct Outcome {
  int exit_code = -1;
  QString out;
  QString err;
};

Outcome Start(const QStringList& args, const QProcessEnvironment& env) {
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

TEST(WindowHeadless, DemoRunPrintsReadoutsRateAndWritesTheScreen) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString png = dir.filePath("shot.png");
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("ORVABOARD_SIM");
  env.remove("QT_QPA_PLATFORM");
  const Outcome r = Start({"--headless", "--passes", "30", "--screenshot", png}, env);
  ASSERT_EQ(r.exit_code, 0) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("Orva Plenar Oscilloscope -  DEMO MODE")) << r.out.toStdString();
  // Eight readouts, each a number with its unit.
  const QRegularExpression readout(
      R"(datos\((\d)\) = -?\d+([.,]\d+)? (mV|V|Hz|KHz|MHz|ns|us|ms|s)\n)");
  int found = 0;
  for (auto it = readout.globalMatch(r.out); it.hasNext(); it.next()) ++found;
  EXPECT_EQ(found, 8) << r.out.toStdString();
  // 30 passes give two measured intervals: a positive figure.
  const QRegularExpression rate(R"(passes per second:  ?(\d+(\.\d+)?(e[+-]\d+)?)\n)");
  const auto m = rate.match(r.out);
  ASSERT_TRUE(m.hasMatch()) << r.out.toStdString();
  EXPECT_GT(m.captured(1).toDouble(), 0.0);
  const QImage shot(png);
  ASSERT_FALSE(shot.isNull());
  EXPECT_GE(shot.width(), 800);
  EXPECT_GE(shot.height(), 600);
}

TEST(WindowHeadless, BadArgumentsAreRefusedWithOneLine) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QStringList& args : {QStringList{"--headless", "--passes", "many"},
                                  QStringList{"--frobnicate"}, QStringList{"--passes", "3"},
                                  QStringList{"--headless", "stray"}}) {
    const Outcome r = Start(args, env);
    EXPECT_EQ(r.exit_code, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(r.err.startsWith("OrvaScope: ")) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
  }
  const Outcome help = Start({"--help"}, env);
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_TRUE(help.out.contains("--headless")) << help.out.toStdString();
}

TEST(WindowHeadless, SimulatedBoardIsAcquiredThroughTheBoardPath) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ORVABOARD_SIM", "ktr5");
  const Outcome r = Start({"--headless", "--passes", "12"}, env);
  ASSERT_EQ(r.exit_code, 0) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("source: simulated board ktr5")) << r.out.toStdString();
  EXPECT_FALSE(r.out.contains("DEMO MODE")) << r.out.toStdString();
}

TEST(WindowHeadless, SignalAndConfigurationFilesGoThroughTheStores) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("ORVABOARD_SIM");
  const QString signal = dir.filePath("SigOsc.mdb");
  const QString config = dir.filePath("KtrConfig.mdb");
  const Outcome saved = Start({"--headless", "--passes", "10", "--save-signal", "2", signal,
                               "--save-config", config}, env);
  ASSERT_EQ(saved.exit_code, 0) << saved.err.toStdString();
  EXPECT_TRUE(saved.out.contains("signal saved: " + signal + " (channel 2)\n")) << saved.out.toStdString();
  EXPECT_TRUE(saved.out.contains("configuration saved: " + config + "\n")) << saved.out.toStdString();

  const Outcome loaded = Start({"--headless", "--passes", "5", "--open-config", config,
                                "--open-signal", signal}, env);
  ASSERT_EQ(loaded.exit_code, 0) << loaded.err.toStdString();
  EXPECT_TRUE(loaded.out.contains("configuration loaded: " + config + "\n")) << loaded.out.toStdString();
  EXPECT_TRUE(loaded.out.contains("signal loaded: " + signal + " (768 samples)\n")) << loaded.out.toStdString();

  // A failed load: one line on standard error, status 1; a bad channel: status 2.
  const Outcome wrong = Start({"--headless", "--open-signal", config}, env);
  EXPECT_EQ(wrong.exit_code, 1);
  EXPECT_EQ(wrong.err.count("OrvaScope: "), 1) << wrong.err.toStdString();
  EXPECT_TRUE(wrong.err.contains("not a signal file")) << wrong.err.toStdString();
  EXPECT_EQ(Start({"--headless", "--save-signal", "3", signal}, env).exit_code, 2);
  EXPECT_EQ(Start({"--open-config", config}, env).exit_code, 2);  // headless only
}

TEST(WindowHeadless, CursorsArePlacedAndTheirSixReadoutsPrinted) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("ORVABOARD_SIM");
  env.insert("LC_ALL", "C");
  // 200 ns/div (128 Msamples/s) and 5 V/div on channel 1 after start-up.
  const Outcome r = Start({"--headless", "--passes", "3", "--cursors", "256,448.0, 192,96"}, env);
  ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("cursor X1 = 0.00 ns\ncursor X2 = 1.50 us\ncursor X2 - X1 = 1.50 us\n"
                             "cursor Y1 = 10.00 V\ncursor Y2 = -5.00 V\ncursor Y1 - Y2 = 15.00 V\n"))
      << r.out.toStdString();
  const Outcome plain = Start({"--headless", "--passes", "1"}, env);
  EXPECT_FALSE(plain.out.contains("cursor ")) << plain.out.toStdString();
  for (const char* bad : {"1,2,3", "1,2,3,4,5", "x,2,3,4", "1,,3,4", "769,2,3,4", "1,2,-1,4",
                          "nan,2,3,4"}) {
    const Outcome b = Start({"--headless", "--cursors", bad}, env);
    EXPECT_EQ(b.exit_code, 2) << bad;
    EXPECT_TRUE(b.err.startsWith("OrvaScope: --cursors")) << b.err.toStdString();
    EXPECT_EQ(b.err.count('\n'), 1) << b.err.toStdString();
  }
}

}  // namespace

namespace {

TEST(WindowHeadless, SetAppliesSettingsThroughThePanelAndTheReportShowsThem) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("ORVABOARD_SIM");
  const Outcome r = Start({"--headless", "--passes", "5", "--set", "BaseDeTiemposActual=8", "--set",
                           "GananciaCanal1=5", "--set", "AcoplamientoCanal2=2", "--set",
                           "ModoDisparo=1", "--set", "Nivel=150", "--set", "promediado=4",
                           "--set", "gananciacanal2=99"},
                          env);
  ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
  for (const char* line : {"TimebaseDisplay(1) = 5us/Div\n", "AmplitudeDisplay(1) = 1V/div\n",
                           "AmplitudeDisplay(2) = 20mV/div\n", "Coupling(1) = DC\n",
                           "Coupling(2) = AC\n", "ModeDisplay(1) = Normal\n"})
    EXPECT_TRUE(r.out.contains(line)) << line << r.out.toStdString();
  // The standard lines come first, as before.
  EXPECT_LT(r.out.indexOf("passes per second:"), r.out.indexOf("TimebaseDisplay(1)"));
}

TEST(WindowHeadless, BadSettingsStopTheRunBeforeItStartsWithOneLine) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QStringList& args :
       {QStringList{"--headless", "--set", "Vpp1=3"}, QStringList{"--headless", "--set", "Nivel=high"},
        QStringList{"--headless", "--set", "Promediado=16"}, QStringList{"--set", "GananciaCanal1"}}) {
    const Outcome r = Start(args, env);
    EXPECT_EQ(r.exit_code, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(r.err.startsWith("OrvaScope: --set")) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
  }
}

}  // namespace
