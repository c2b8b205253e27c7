// The sound input against a real sound server: a private PulseAudio daemon
// with a null sink S and a source IN remapped from its monitor (the input
// lists no monitor sources), a known tone played into S, and the instrument
// reading IN. Without a server that can start the tests skip with the reason,
// except under CI (CI set), where that is a failure.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/types.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "orva/audio/sound_input.h"
#include "orva/scope/osciloscopio.h"

namespace orva::audio {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 48000;

int Shell(const std::string& command) { return std::system(command.c_str()); }

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    pclose(p);
  }
  return out;
}

// The private sound server: its own runtime folder, started once for the
// whole program and stopped at its end.
class SoundServer {
 public:
  void SetUp() {
    char templ[] = "/tmp/orva-sound-XXXXXX";
    if (mkdtemp(templ) == nullptr) {
      why_ = "no temporary folder";
      return;
    }
    dir_ = templ;
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    setenv("HOME", dir_.c_str(), 1);  // the daemon's cookie and state
    unsetenv("PULSE_SERVER");
    if (Shell("command -v pulseaudio >/dev/null && command -v pactl >/dev/null && command -v pacat >/dev/null") != 0) {
      why_ = "pulseaudio or pulseaudio-utils not installed";
      return;
    }
    // As root the daemon warns and runs as the user's own daemon.
    const int rc = Shell(
        "pulseaudio -n --daemonize=yes --exit-idle-time=-1 --log-target=stderr "
        "--load='module-null-sink sink_name=S rate=48000' "
        "--load='module-remap-source master=S.monitor source_name=IN' "
        "--load=module-native-protocol-unix 2>" + dir_ + "/daemon.log");
    for (int i = 0; i < 50 && Shell("pactl info >/dev/null 2>&1") != 0; ++i) usleep(100000);
    if (rc != 0 || Shell("pactl info >/dev/null 2>&1") != 0) {
      why_ = "the sound server did not start (" + Output("tail -n 2 " + dir_ + "/daemon.log") + ")";
      return;
    }
    ok_ = true;
  }
  void TearDown() {
    StopTone();
    if (ok_) Shell("pulseaudio --kill >/dev/null 2>&1");
    if (!dir_.empty()) Shell("rm -rf '" + dir_ + "'");
  }
  bool Ok() const { return ok_; }
  const std::string& Why() const { return why_; }

  // Plays 16-bit stereo at 48 kHz into S, looping, until StopTone: the left
  // channel a sine of f1 at a1 of full scale, the right f2 at a2.
  bool PlayTone(double f1, double a1, double f2, double a2, double silence = 0) {
    StopTone();
    const std::string file = dir_ + "/tone.raw";
    {
      // Thirty seconds, longer than any test's use of it.
      std::ofstream out(file, std::ios::binary);
      const int quiet = static_cast<int>(silence * kRate);
      for (int i = 0; i < quiet; ++i) {
        const std::int16_t s[2] = {0, 0};
        out.write(reinterpret_cast<const char*>(s), sizeof s);
      }
      for (int i = 0; i < 30 * kRate; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const std::int16_t s[2] = {static_cast<std::int16_t>(std::lround(a1 * 32767 * std::sin(2 * kPi * f1 * t))),
                                   static_cast<std::int16_t>(std::lround(a2 * 32767 * std::sin(2 * kPi * f2 * t)))};
        out.write(reinterpret_cast<const char*>(s), sizeof s);
      }
    }
    const std::string pid = Output("pacat --playback -d S --raw --format=s16le --rate=48000 --channels=2 "
                                   "--latency-msec=20 '" + file + "' >/dev/null 2>&1 & echo $!");
    player_ = std::atoi(pid.c_str());
    return player_ > 0;
  }
  void StopTone() {
    if (player_ > 0) {
      kill(player_, SIGTERM);
      player_ = 0;
    }
  }

 private:
  std::string dir_;
  std::string why_;
  bool ok_ = false;
  pid_t player_ = 0;
};

SoundServer* server = nullptr;

void RequireServer() {
  if (server->Ok()) return;
  if (std::getenv("CI") != nullptr) FAIL() << "no sound server under CI: " << server->Why();
  GTEST_SKIP() << server->Why();
}

// Runs the event loop for `seconds`.
void Spin(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

struct Instrument {
  explicit Instrument(std::shared_ptr<SoundInput> in, std::int16_t timebase) : input(std::move(in)) {
    osc.Canal1Activo(true);
    osc.Canal2Activo(true);
    osc.AcoplamientoCanal1(scope::kAcoplamientoAC);
    osc.AcoplamientoCanal2(scope::kAcoplamientoAC);
    osc.GananciaCanal1(7);  // 0.2 V/div
    osc.GananciaCanal2(7);
    osc.CanalDisparo(1);
    osc.Flanco(0);
    osc.Nivel(128);
    osc.ModoDisparo(scope::kModoNormal);
    osc.promediado(1);
    osc.FuenteDeFlujo(input);
    osc.BaseDeTiemposActual(timebase);
  }
  // The next capture, with the loop running while the input fills the ring;
  // false after `seconds` without one.
  bool Capture(double seconds = 3.0) {
    osc.Programacion();
    QEventLoop loop;
    for (double waited = 0; waited < seconds; waited += 0.01) {
      if (osc.ComprobacionFinDeCaptura()) {
        osc.LecturaDeMemoria();
        osc.PromediaCanal(0);
        osc.PromediaCanal(1);
        osc.Medidas1();
        osc.Medidas2();
        return true;
      }
      Spin(0.01);
    }
    return false;
  }
  std::shared_ptr<SoundInput> input;
  scope::Osciloscopio osc;
};

// Opens IN and waits until it has delivered half a second (a fresh server
// takes a moment to start the stream, and the first samples may predate the
// tone).
std::shared_ptr<SoundInput> OpenIn(double full_scale = 1.0) {
  std::string error;
  auto in = SoundInput::Start("IN", {full_scale, full_scale}, SoundTexts{}, &error);
  EXPECT_TRUE(in != nullptr) << error;
  if (in == nullptr) return in;
  for (int n = 0; n < 100 && in->Ring()->Written() < in->SampleRate() * 0.5; ++n) Spin(0.1);
  EXPECT_GE(in->Ring()->Written(), in->SampleRate() * 0.5);
  return in;
}

TEST(SoundInput, ListsTheServersInputs) {
  RequireServer();
  bool found = false;
  for (const SoundInputInfo& i : SoundInputs()) found = found || i.id == "IN";
  EXPECT_TRUE(found);
  std::string error;
  SoundTexts texts;
  texts.not_found = "missing: %1";
  EXPECT_EQ(SoundInput::Start("no-such-input", {1, 1}, texts, &error), nullptr);
  EXPECT_EQ(error, "missing: no-such-input");
}

TEST(SoundInput, APlayedToneReadsAsItsFrequencyAndVolts) {
  RequireServer();
  // Half full scale on both channels, with a full scale of 1 V: 1 V peak to peak.
  ASSERT_TRUE(server->PlayTone(1000, 0.5, 250, 0.5));
  auto in = OpenIn(1.0);
  ASSERT_NE(in, nullptr);
  Instrument i(in, 14);  // 500 us/div: 51.2 points a period at 1 kHz
  ASSERT_TRUE(i.Capture()) << in->Error();  // the first capture starts the stream
  ASSERT_TRUE(i.Capture()) << in->Error();
  EXPECT_NEAR(i.osc.F1(), 1000.0, 20.0);
  EXPECT_NEAR(i.osc.F2(), 250.0, 5.0);
  EXPECT_NEAR(i.osc.Vpp1(), 1.0, 0.02);
  EXPECT_NEAR(i.osc.Vpp2(), 1.0, 0.02);
  server->StopTone();
}

TEST(SoundInput, TheTriggerHoldsTheTraceStill) {
  RequireServer();
  ASSERT_TRUE(server->PlayTone(1000, 0.5, 250, 0.5));
  auto in = OpenIn(1.0);
  ASSERT_NE(in, nullptr);
  Instrument i(in, 15);  // 1 ms/div
  ASSERT_TRUE(i.Capture());
  const std::vector<float> first = i.osc.TrazaAlineada1();
  for (int n = 0; n < 5; ++n) {
    Spin(0.037);  // captures at unrelated phases of the tone
    ASSERT_TRUE(i.Capture()) << n;
    const std::vector<float>& a = i.osc.TrazaAlineada1();
    double worst = 0;
    for (int j = 0; j < scope::kShownPoints; ++j) worst = std::max(worst, std::abs(double(a[j]) - first[j]));
    EXPECT_LT(worst, 3.0) << "capture " << n;  // of a 160-code swing
  }
  server->StopTone();
}

TEST(SoundInput, AStepReachesTheInstrumentWithinAFewScreens) {
  // One second of silence, then a 1 kHz tone at half full scale, played from
  // a file. Two delays: from the moment the tone is due (the player's start
  // plus one second) to the first capture that holds it, which includes the
  // player's and the sound server's buffers; and the program's own share,
  // from the tone's first samples in the ring to that capture.
  RequireServer();
  server->StopTone();
  auto in = OpenIn(1.0);
  ASSERT_NE(in, nullptr);
  Instrument i(in, 15);  // 1 ms/div
  i.osc.ModoDisparo(scope::kModoAuto);
  auto now = [] { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); };
  const double step_at = now() + 1.0;
  ASSERT_TRUE(server->PlayTone(1000, 0.5, 250, 0.5, 1.0));
  std::vector<float> newest(256);
  double seen_at = 0, shown_at = 0;
  i.osc.Programacion();
  while (shown_at == 0 && now() < step_at + 4.0) {
    Spin(0.005);
    const std::uint64_t w = in->Ring()->Written();
    if (seen_at == 0 && w >= newest.size() && in->Ring()->Read(0, w, newest.size(), newest.data())) {
      for (float v : newest)
        if (std::abs(v) > 0.2f) seen_at = now();
    }
    if (!i.osc.ComprobacionFinDeCaptura()) continue;
    i.osc.LecturaDeMemoria();
    i.osc.PromediaCanal(0);
    i.osc.Medidas1();
    if (i.osc.Vpp1() > 0.5) shown_at = now();
    i.osc.Programacion();
  }
  server->StopTone();
  std::printf("step to capture at 1 ms/div: %.0f ms from the tone, %.0f ms from its samples in the ring\n",
              (shown_at - step_at) * 1000, (shown_at - seen_at) * 1000);
  ASSERT_GT(shown_at, 0.0) << "the tone never showed";
  ASSERT_GT(seen_at, 0.0);
  EXPECT_LT(shown_at - seen_at, 0.15);
  EXPECT_LT(shown_at - step_at, 5.0);  // mostly the server's start of the player
}

// Last: it takes the input away.
TEST(SoundInput, ZRemovingTheInputStopsItWithItsMessage) {
  RequireServer();
  ASSERT_TRUE(server->PlayTone(1000, 0.5, 250, 0.5));
  SoundTexts texts;
  texts.gone = "gone: %1";
  std::string error;
  auto in = SoundInput::Start("IN", {1, 1}, texts, &error);
  ASSERT_NE(in, nullptr) << error;
  Instrument i(in, 15);
  ASSERT_TRUE(i.Capture());
  ASSERT_EQ(Shell("pactl unload-module module-remap-source"), 0);
  for (int n = 0; n < 60 && !in->Failed(); ++n) Spin(0.1);
  EXPECT_TRUE(i.osc.FalloDeFlujo());
  EXPECT_EQ(in->Error().rfind("gone: ", 0), 0u) << in->Error();
  EXPECT_FALSE(i.Capture(0.3));
  server->StopTone();
}

}  // namespace
}  // namespace orva::audio

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The server first (the sound library reads the runtime folder when it
  // starts), and none for a mere listing of the tests.
  orva::audio::SoundServer server;
  orva::audio::server = &server;
  if (!::testing::GTEST_FLAG(list_tests)) server.SetUp();
  int rc = 0;
  {
    QCoreApplication app(argc, argv);
    rc = RUN_ALL_TESTS();
  }
  server.TearDown();
  return rc;
}
