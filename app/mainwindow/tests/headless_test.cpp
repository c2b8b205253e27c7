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
};

Outcome Start(const QStringList& args, const QProcessEnvironment& env) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(ORVASCOPE_PATH), args);
  Outcome r;
  if (!p.waitForFinished(120000)) return r;
  r.exit_code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
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

TEST(WindowHeadless, BadArgumentsAreRefused) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  EXPECT_EQ(Start({"--headless", "--passes", "many"}, env).exit_code, 2);
  EXPECT_EQ(Start({"--frobnicate"}, env).exit_code, 2);
}

TEST(WindowHeadless, SimulatedBoardIsAcquiredThroughTheBoardPath) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ORVABOARD_SIM", "ktr5");
  const Outcome r = Start({"--headless", "--passes", "12"}, env);
  ASSERT_EQ(r.exit_code, 0) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("source: simulated board ktr5")) << r.out.toStdString();
  EXPECT_FALSE(r.out.contains("DEMO MODE")) << r.out.toStdString();
}

}  // namespace
