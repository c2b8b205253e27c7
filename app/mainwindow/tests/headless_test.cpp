// Runs the program headless and checks what it reports and writes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

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
  const Outcome r = Start({"--headless", "--passes", "5", "--screenshot", png}, env);
  ASSERT_EQ(r.exit_code, 0) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("Orva Plenar Oscilloscope -  DEMO MODE")) << r.out.toStdString();
  // Eight readouts, each a number with its unit.
  const QRegularExpression readout(
      R"(datos\((\d)\) = -?\d+([.,]\d+)? (mV|V|Hz|KHz|MHz|ns|us|ms|s)\n)");
  int found = 0;
  for (auto it = readout.globalMatch(r.out); it.hasNext(); it.next()) ++found;
  EXPECT_EQ(found, 8) << r.out.toStdString();
  // A positive figure, even from a run too short for the window's own count.
  const QRegularExpression rate(R"(passes per second:  ?(\d+(\.\d+)?(e[+-]\d+)?)\n)");
  const auto m = rate.match(r.out);
  ASSERT_TRUE(m.hasMatch()) << r.out.toStdString();
  EXPECT_GT(m.captured(1).toDouble(), 0.0);
  const QImage shot(png);
  ASSERT_FALSE(shot.isNull());
  EXPECT_GE(shot.width(), 800);
  EXPECT_GE(shot.height(), 600);
  // Success is quiet: nothing on standard error.
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

// A bare file name goes into the user folder: here the program's own folder,
// which the build tree lets us write; the line names the file with it.
TEST(WindowHeadless, BareFileNamesGoToTheUserFolderAndAreNamedInFull) {
  QTemporaryDir work;
  ASSERT_TRUE(work.isValid());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("ORVABOARD_SIM");
  const QString name = QStringLiteral("bare-%1.csv").arg(QCoreApplication::applicationPid());
  const QString full = QFileInfo(QStringLiteral(ORVASCOPE_PATH)).absoluteDir().filePath(name);
  QProcess p;
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(work.path());
  p.start(QStringLiteral(ORVASCOPE_PATH), {"--headless", "--passes", "2", "--export-csv", name});
  ASSERT_TRUE(p.waitForFinished(120000));
  const QString out = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_TRUE(out.contains("traces exported: " + full + " (CSV)\n")) << out.toStdString();
  EXPECT_TRUE(QFile::exists(full));
  EXPECT_FALSE(QFile::exists(work.filePath(name)));
  QFile::remove(full);
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

// A known simulated signal exported and read back: channel 2 a 1 kHz sine of
// 1 V peak that triggers the capture at 0 V rising, channel 1 a 1.5 V level,
// both at 0.5 V/div (64 codes a volt, a gain of the board's own), 20 us/div
// (1.28 MHz display rate). The run goes on until five captures have ended in
// real time and been read.
TEST(WindowHeadless, ExportedCsvReadsBackTheSimulatedSignalWithinOneCode) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString csv = dir.filePath("t.csv");
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ORVABOARD_SIM", "ktr5");
  env.insert("ORVABOARD_SIM_SIGNALS", "dc:o=1.5;sine:f=1000,a=1");
  env.insert("LC_ALL", "de_DE.UTF-8");  // a comma locale: the file keeps its points
  const Outcome r = Start({"--headless", "--passes", "5", "--set", "BaseDeTiemposActual=10", "--set",
                           "GananciaCanal1=6", "--set", "GananciaCanal2=6", "--set", "CanalDisparo=2",
                           "--set", "ModoDisparo=Normal", "--export-csv", csv},
                          env);
  ASSERT_EQ(r.exit_code, 0) << r.out.toStdString() << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("traces exported: " + csv + " (CSV)\n")) << r.out.toStdString();
  QFile f(csv);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
  const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 769);
  EXPECT_EQ(lines[0], "time (s),ch1 (V),ch2 (V)");
  constexpr double kFm = 1.28e6, kCodigo = 1.0 / 64.0, kW = 2 * M_PI * 1000;
  // The trigger falls on a display sample: the sine may lie one sample's
  // worth of its steepest slope off the row's exact time.
  constexpr double kTolerancia = kCodigo + kW / kFm;
  for (int i = 0; i < 768; ++i) {
    const QStringList c = lines[i + 1].split(',');
    ASSERT_EQ(c.size(), 3) << lines[i + 1].toStdString();
    const double t = c[0].toDouble(), v1 = c[1].toDouble(), v2 = c[2].toDouble();
    ASSERT_NEAR(t, (i - 256) / kFm, 1e-12) << i;
    EXPECT_NEAR(v1, 1.5, kCodigo) << i;
    EXPECT_NEAR(v2, std::sin(kW * t), kTolerancia) << i;
  }
}

// The reference trace is exported on the scale it was loaded at: channel 2
// exported and saved, then loaded back as the reference (channel 1 on
// another gain, so that only channel 2's scale gives these volts), exports
// the same volts.
TEST(WindowHeadless, ExportedReferenceReadsInTheVoltsOfTheChannelItCameFrom) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("ORVABOARD_SIM");
  const QString signal = dir.filePath("s.mdb"), live = dir.filePath("a.csv"), ref = dir.filePath("r.csv");
  ASSERT_EQ(Start({"--headless", "--passes", "5", "--export-csv", live, "--save-signal", "2", signal}, env).exit_code,
            0);
  const Outcome r = Start({"--headless", "--passes", "5", "--set", "GananciaCanal1=5", "--open-signal", signal,
                           "--export-csv", ref},
                          env);
  ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
  const auto lineas = [](const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly | QIODevice::Text)
               ? QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)
               : QStringList{};
  };
  const QStringList a = lineas(live), b = lineas(ref);
  ASSERT_EQ(a.size(), 769);
  ASSERT_EQ(b.size(), 769);
  EXPECT_EQ(b[0], "time (s),ch1 (V),ch2 (V),ref (V)");
  for (int i = 1; i <= 768; ++i)
    EXPECT_NEAR(b[i].section(',', 3).toDouble(), a[i].section(',', 2, 2).toDouble(), 1e-6) << i;
}

TEST(WindowHeadless, ExportFailureAndMisuseEachGiveOneLine) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("ORVABOARD_SIM");
  struct Caso {
    QStringList args;
    int status;
  } casos[] = {
      {{"--headless", "--passes", "2", "--export-wav", dir.filePath("no/such/folder/t.wav")}, 1},
      {{"--export-csv", dir.filePath("t.csv")}, 2},  // headless only
      {{"--headless", "--export-csv"}, 2},
  };
  for (const Caso& c : casos) {
    const Outcome r = Start(c.args, env);
    EXPECT_EQ(r.exit_code, c.status) << c.args.join(' ').toStdString();
    // One line of ours (a failed run may follow Qt's own platform notes).
    const QStringList ours = r.err.split('\n').filter(QRegularExpression("^OrvaScope: "));
    EXPECT_EQ(ours.size(), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith('\n') && r.err.count("OrvaScope") == 1) << r.err.toStdString();
  }
}

namespace {

QProcessEnvironment SimulatedBoard(const char* inputs) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("QT_QPA_PLATFORM");
  env.insert("ORVABOARD_SIM", "ktr5");
  env.insert("ORVABOARD_SIM_SIGNALS", inputs);
  env.insert("LC_ALL", "C");
  return env;
}

// At 100 us/div a capture of the simulated board takes some 3 ms of real
// time: most passes find it unfinished and read nothing, and --passes counts
// only those that read one.
TEST(WindowHeadless, PassesCountCapturesReadFromTheSimulatedBoard) {
  const Outcome r = Start({"--headless", "--passes", "20", "--set", "BaseDeTiemposActual=12", "--set", "GananciaCanal1=5"},
                          SimulatedBoard("sine:f=10000,a=1"));
  ASSERT_EQ(r.exit_code, 0) << r.out.toStdString() << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("TimebaseDisplay(1) = 100us/Div\n")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("\ncaptures: 20\n")) << r.out.toStdString();
  const QRegularExpression passes(R"(\npasses: (\d+)\n)");
  const auto p = passes.match(r.out);
  ASSERT_TRUE(p.hasMatch()) << r.out.toStdString();
  EXPECT_GT(p.captured(1).toLong(), 20);  // the first capture after power-on is not read
  const QRegularExpression frequency(R"(datos\(2\) = (\d+(\.\d+)?) KHz\n)");
  const auto f = frequency.match(r.out);
  ASSERT_TRUE(f.hasMatch()) << r.out.toStdString();
  // 25.6 display points a period: the estimator counts whole points, 25 or
  // 26 (10.24 or 9.85 kHz).
  EXPECT_NEAR(f.captured(1).toDouble(), 10.0, 0.3);
}

// In Normal mode a level the signal never reaches keeps every capture
// waiting for its trigger: the time-out ends the run without readouts.
TEST(WindowHeadless, ATimeoutBeforeTheFirstCaptureFailsWithoutReadouts) {
  const Outcome r = Start({"--headless", "--passes", "5", "--timeout", "0.5", "--set", "ModoDisparo=Normal",
                           "--set", "Nivel=250"},
                          SimulatedBoard("dc:o=0;dc:o=0"));
  EXPECT_EQ(r.exit_code, 1) << r.out.toStdString();
  // One line of ours (Qt may add notes of its own platform).
  EXPECT_EQ(r.err.split('\n').filter(QRegularExpression("^OrvaScope: ")),
            QStringList{"OrvaScope: --timeout 0.5 s ran out after 0 of 5 captures"})
      << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("\ncaptures: 0\nreadouts: none, no capture was read\n")) << r.out.toStdString();
  // No readout lines (the statistics lines that follow count no capture).
  EXPECT_FALSE(r.out.contains(QRegularExpression(R"(^datos\(\d\) = )", QRegularExpression::MultilineOption)))
      << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("count=0 ")) << r.out.toStdString();
  EXPECT_EQ(Start({"--headless", "--timeout", "soon"}, SimulatedBoard("")).exit_code, 2);
}

// --source chooses for the headless run what the window's menu chooses; the
// list names what --source takes.
TEST(WindowHeadless, SourceOptionChoosesTheSimulatedBoardAndListsTheSources) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("ORVABOARD_SIM");
  const Outcome list = Start({"--list-sources"}, env);
  ASSERT_EQ(list.exit_code, 0) << list.err.toStdString();
  for (const char* line : {"demo  demonstration generator\n", "board  board through the I/O ports\n",
                           "sim:ktr5  simulated board ktr5\n", "sim:ktr1  simulated board ktr1\n"})
    EXPECT_TRUE(list.out.contains(line)) << line << list.out.toStdString();

  const Outcome sim = Start({"--headless", "--passes", "12", "--source", "SIM:ktr4"}, env);
  ASSERT_EQ(sim.exit_code, 0) << sim.err.toStdString();
  EXPECT_TRUE(sim.out.contains("source: simulated board ktr4\n")) << sim.out.toStdString();
  EXPECT_FALSE(sim.out.contains("DEMO MODE")) << sim.out.toStdString();

  // --source wins over the environment's simulated board.
  env.insert("ORVABOARD_SIM", "ktr5");
  const Outcome demo = Start({"--headless", "--passes", "2", "--source", "demo"}, env);
  ASSERT_EQ(demo.exit_code, 0) << demo.err.toStdString();
  EXPECT_TRUE(demo.out.contains("source: demonstration generator\n")) << demo.out.toStdString();
  EXPECT_TRUE(demo.out.contains("DEMO MODE")) << demo.out.toStdString();

  // A bad spec, on the command line or in the environment: one line, status 2.
  env.insert("ORVABOARD_SIM", "ktr9");
  for (const QStringList& args : {QStringList{"--headless", "--source", "sim:ktr5", "--source", "tape"},
                                  QStringList{"--headless"}}) {
    const Outcome bad = Start(args, env);
    EXPECT_EQ(bad.exit_code, 2) << args.join(' ').toStdString();
    EXPECT_EQ(bad.err.count('\n'), 1) << bad.err.toStdString();
    EXPECT_TRUE(bad.out.isEmpty()) << bad.out.toStdString();
  }
}

}  // namespace

namespace {

// Readout text ("-156.25 mV") to SI units, with the step of its last digit;
// nullopt when it is not one.
std::optional<double> SI(const QString& readout, double* step) {
  static const QRegularExpression re(R"(^(-?\d+(?:\.\d+)?) (mV|V|Hz|KHz|MHz|ns|us|ms|s)$)");
  const auto m = re.match(readout.trimmed());
  if (!m.hasMatch()) return std::nullopt;
  const std::pair<const char*, double> units[] = {{"mV", 1e-3}, {"V", 1},     {"Hz", 1},
                                                  {"KHz", 1e3}, {"MHz", 1e6}, {"ns", 1e-9},
                                                  {"us", 1e-6}, {"ms", 1e-3}, {"s", 1}};
  for (const auto& [u, f] : units) {
    if (m.captured(2) != QLatin1String(u)) continue;
    *step = m.captured(2) == QLatin1String("Hz") ? 1.0 : f * 0.01;  // whole hertz, else two decimals
    return m.captured(1).toDouble() * f;
  }
  return std::nullopt;
}

}  // namespace

TEST(WindowHeadless, RecordingHasARowPerCaptureAndTheStatisticsMatchIt) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("ORVABOARD_SIM");
  env.insert("LC_ALL", "C");
  const QString file = dir.filePath("m.csv");
  const Outcome r = Start({"--headless", "--passes", "20", "--record", file}, env);
  ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
  ASSERT_EQ(lines.takeLast(), QString());  // the file ends with a whole line
  ASSERT_TRUE(lines.takeFirst().startsWith("time (UTC),elapsed (s),timebase (s/div)"));
  // --passes counts the captures read: one row each.
  ASSERT_EQ(lines.size(), 20);
  EXPECT_TRUE(r.out.contains("recording: " + file + " (20 rows, " + QString::number(f.size()) + " bytes)\n"))
      << r.out.toStdString();
  const QStringList last = lines.last().split(',');
  ASSERT_EQ(last.size(), 13);
  const QRegularExpression stat(
      R"(statistics datos\((\d)\) ch[12] \w+ \((V|Hz|s)\): count=(\d+) min=(\S*) max=(\S*) mean=(\S*) sd=(\S*)\n)");
  int found = 0;
  for (auto it = stat.globalMatch(r.out); it.hasNext(); ++found) {
    const auto m = it.next();
    const int i = m.captured(1).toInt();
    // The column of the readout: its count, mean and extremes.
    int n = 0;
    double sum = 0, lo = 1e300, hi = -1e300;
    for (const QString& row : lines) {
      const QString v = row.split(',').at(5 + i);
      if (v.isEmpty()) continue;
      ++n;
      sum += v.toDouble();
      lo = std::min(lo, v.toDouble());
      hi = std::max(hi, v.toDouble());
    }
    EXPECT_EQ(m.captured(3).toInt(), n) << i;
    if (n > 0) {
      EXPECT_NEAR(m.captured(6).toDouble(), sum / n, 1e-6 * std::max(1.0, std::abs(sum / n))) << i;
      // Both are single-precision values, written in 9 and in the fewest digits.
      EXPECT_FLOAT_EQ(static_cast<float>(m.captured(4).toDouble()), static_cast<float>(lo)) << i;
      EXPECT_FLOAT_EQ(static_cast<float>(m.captured(5).toDouble()), static_cast<float>(hi)) << i;
    }
    // The last row holds what the readout shows.
    const QRegularExpression shown(QStringLiteral("datos\\(%1\\) = ([^\n]*)\n").arg(i));
    double step = 0;
    const auto value = SI(shown.match(r.out).captured(1), &step);
    ASSERT_TRUE(value) << i;
    const double recorded = last.at(5 + i).isEmpty() ? 0.0 : last.at(5 + i).toDouble();
    EXPECT_NEAR(recorded, *value, step * 0.51) << i;
  }
  EXPECT_EQ(found, 8) << r.out.toStdString();
}

TEST(WindowHeadless, RecordingStopsAtItsSizeLimitWithWholeRowsAndOptionsAreChecked) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("ORVABOARD_SIM");
  const QString file = dir.filePath("m.csv");
  // No time-out: a slow machine (a sanitizer build) takes over a minute for
  // the 20000 captures, the limit is reached well before them.
  const Outcome r = Start({"--headless", "--passes", "20000", "--timeout", "0", "--record", file, "--record-max-mb", "1"}, env);
  ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("recording stopped early: size limit of 1 MB reached\n")) << r.out.toStdString();
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_LE(bytes.size(), 1 << 20);
  EXPECT_GT(bytes.size(), (1 << 20) - 200);
  ASSERT_TRUE(bytes.endsWith('\n'));
  for (const QByteArray& line : bytes.split('\n').mid(1, bytes.count('\n') - 1))
    ASSERT_EQ(line.count(','), 12) << line.toStdString();

  struct Caso {
    QStringList args;
    int status;
  } casos[] = {
      {{"--headless", "--record-max-mb", "0"}, 2},
      {{"--headless", "--record-max-mb", "lots"}, 2},
      {{"--headless", "--record-max-mb", "1048577"}, 2},
      {{"--headless", "--record", ""}, 2},
      {{"--headless", "--passes", "2", "--record", dir.filePath("no/such/m.csv")}, 1},
      {{"--headless", "--passes", "2", "--record", "/dev/full"}, 1},
  };
  for (const Caso& c : casos) {
    const Outcome b = Start(c.args, env);
    EXPECT_EQ(b.exit_code, c.status) << c.args.join(' ').toStdString();
    const QStringList ours = b.err.split('\n').filter(QRegularExpression("^OrvaScope: "));
    EXPECT_EQ(ours.size(), 1) << b.err.toStdString();
  }
}
