// The remote link on the command line:
//   --board-station             wait for a remote station (Command3)
//   --remote-station HOST       connect to the board station at HOST
//                               (Command4) and start the exchange (Command5)
//   --port P                    the port of either station (default 100;
//                               0 lets a board station take a free port)
//   --allow ADDR                the address or subnet a board station accepts
//
// In the window, the options press the buttons after start-up; a remote
// station starts the exchange once it is connected (the window opens at once
// and shows the link's state meanwhile).
//
// Headless, the stations run instead of the plain passes:
// - A board station prints, as soon as it waits,
//     remote link: waiting for a remote station on port P
//   (flushed, so a script can read the port it got for --port 0), then runs
//   passes back to back, serving the link between them, until the first
//   remote station that exchanged with it has gone. --passes does not bound
//   it; --timeout does (then the run fails, exit status 1).
// - A remote station connects (a refusal or no answer within 5 s fails the
//   run), starts the exchange and runs passes, drawing what arrives, until N
//   exchanges (--passes, default 50) have been made; then it closes the link.
//   Its own settings reach the board station only when they were changed
//   after the link started: settings given with --set count as such a change
//   (the first exchange sends them and the board station applies them);
//   without them it takes the board station's settings. A link lost, or
//   --timeout run out, before the N exchanges ends the run as failed (exit
//   status 1), with the report still printed.
// Both report after the standard lines:
//   remote link: <the link's status line>
//   exchanges: N
//   exchanges per second: X        (from the first exchange to the last)
//   captures per second while exchanging: X   (likewise)
#include <QCommandLineOption>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QObject>
#include <QTimer>

#include <cstdio>

#include "groups.h"
#include "pass_loop.h"
#include "orva/link/remote_link.h"
#include "orva/mainwindow/oscil.h"
#include "orva/remote/intercambio.h"

namespace orva::cli {
namespace {

using link::LinkState;

// Runs the event loop for about ms milliseconds.
void Events(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

class RemoteOptions final : public OptionGroup {
 public:
  void Add(QCommandLineParser& parser) override {
    parser.addOption(board_);
    parser.addOption(remote_);
    parser.addOption(port_);
    parser.addOption(allow_);
  }

  bool Check(const QCommandLineParser& parser, bool headless, std::string* error) override {
    headless_ = headless;
    board_station_ = parser.isSet(board_);
    remote_station_ = parser.isSet(remote_);
    if (board_station_ && remote_station_) {
      *error = "--board-station and --remote-station exclude each other";
      return false;
    }
    if (!board_station_ && !remote_station_ && (parser.isSet(port_) || parser.isSet(allow_))) {
      *error = "--port and --allow belong to --board-station or --remote-station";
      return false;
    }
    if (parser.isSet(port_)) {
      bool ok = false;
      port_number_ = parser.value(port_).toInt(&ok);
      const int lowest = board_station_ ? 0 : 1;
      if (!ok || port_number_ < lowest || port_number_ > 65535) {
        *error = "--port takes a whole number from " + std::to_string(lowest) + " to 65535, not '" +
                 parser.value(port_).toStdString() + "'";
        return false;
      }
    }
    if (parser.isSet(allow_)) {
      if (!board_station_) {
        *error = "--allow belongs to --board-station";
        return false;
      }
      allow_text_ = parser.value(allow_).trimmed().toStdString();
      link::RemoteLink probe;
      if (!probe.SetAllowedPeer(allow_text_, error)) {
        *error = "--allow: " + *error;
        return false;
      }
    }
    if (remote_station_) {
      host_ = parser.value(remote_).trimmed().toStdString();
      if (host_.empty()) {
        *error = "--remote-station takes the board station's address or host name";
        return false;
      }
    }
    settings_given_ = parser.isSet(QStringLiteral("set"));
    // Checked by the run before the groups.
    timeout_s_ = parser.value(QStringLiteral("timeout")).toDouble();
    return true;
  }

  bool BeforePowerOn(mainwindow::Oscil& w, std::string* error) override {
    if (!board_station_ && !remote_station_) return true;
    w.PuertoRemoto->setText(QString::number(port_number_));
    if (board_station_) {
      w.PermitidaRemota->setText(QString::fromStdString(allow_text_));
      w.Command3_Click();
      link::RemoteLink& l = w.EnlaceDeRed();
      if (l.State() != LinkState::kWaiting) {
        *error = l.StatusText();
        return false;
      }
      std::printf("remote link: %s\n", l.StatusText().c_str());
      std::fflush(stdout);
      return true;
    }
    w.DireccionRemota->setText(QString::fromStdString(host_));
    w.Command4_Click();
    link::RemoteLink& l = w.EnlaceDeRed();
    if (!headless_) {
      // The window: the exchange starts once connected; a refusal stays on
      // the window's status line.
      auto* espera = new QTimer(&w);
      espera->setInterval(20);
      QObject::connect(espera, &QTimer::timeout, &w, [this, &w, espera] {
        const LinkState s = w.EnlaceDeRed().State();
        if (s == LinkState::kConnecting) return;
        if (s == LinkState::kConnected) Start(w);
        espera->deleteLater();
      });
      espera->start();
      return true;
    }
    while (l.State() == LinkState::kConnecting) Events(5);
    if (l.State() != LinkState::kConnected) {
      *error = "cannot connect: " + l.StatusText();
      return false;
    }
    Start(w);
    return true;
  }

  std::optional<bool> RunHeadless(mainwindow::Oscil& w, long passes, long* passes_run,
                                  std::string* error) override {
    if (!board_station_ && !remote_station_) return std::nullopt;
    link::RemoteLink& l = w.EnlaceDeRed();
    const remote::IntercambioRemoto& x = w.IntercambioDelEnlace();
    QElapsedTimer clock;
    clock.start();
    bool lost = false;
    const auto stop = [&] {
      if (x.Intercambios() > counted_) {
        if (first_ < 0) {
          first_ = clock.nsecsElapsed();
          first_captures_ = w.CapturasLeidas();
        }
        last_ = clock.nsecsElapsed();
        last_captures_ = w.CapturasLeidas();
        counted_ = x.Intercambios();
      }
      if (board_station_) return counted_ > 0 && l.State() != LinkState::kConnected;  // the peer left
      if (counted_ >= passes) return true;
      lost = l.State() != LinkState::kConnected;
      return lost;
    };
    PassLoop loop(w, timeout_s_);
    *passes_run = stop() ? 0 : loop.Run(stop);
    status_ = l.StatusText();
    if (lost) {
      *error = "remote link lost after " + std::to_string(counted_) + " exchange(s): " + status_;
      return false;
    }
    if (loop.TimedOut()) {
      if (remote_station_) l.Close();
      char secs[32];
      std::snprintf(secs, sizeof secs, "%g", timeout_s_);
      *error = std::string("--timeout ") + secs + " s ran out after " + std::to_string(counted_) +
               " exchange(s): " + status_;
      return false;
    }
    if (remote_station_) l.Close();  // the board station sees its peer leave
    return true;
  }

  void Report(mainwindow::Oscil& w, std::FILE* out) override {
    if (!board_station_ && !remote_station_) return;
    const std::string status = status_.empty() ? w.EnlaceDeRed().StatusText() : status_;
    std::fprintf(out, "remote link: %s\n", status.c_str());
    std::fprintf(out, "exchanges: %lld\n", w.IntercambioDelEnlace().Intercambios());
    const double seconds = (last_ - first_) / 1e9;
    const double rate = counted_ > 1 && seconds > 0 ? (counted_ - 1) / seconds : 0.0;
    std::fprintf(out, "exchanges per second: %.1f\n", rate);
    const double captures = counted_ > 1 && seconds > 0 ? (last_captures_ - first_captures_) / seconds : 0.0;
    std::fprintf(out, "captures per second while exchanging: %.1f\n", captures);
  }

 private:
  // Start exchange; settings given with --set count as a change of this
  // station's panel, so the board station takes them (without them the
  // board station's settings stand).
  void Start(mainwindow::Oscil& w) const {
    w.Command5_Click();
    if (settings_given_) w.Remoto.CambioDelUsuario();
  }

  QCommandLineOption board_{QStringLiteral("board-station"),
                            QStringLiteral("Be the board station of the remote link: wait for a remote station.")};
  QCommandLineOption remote_{QStringLiteral("remote-station"),
                             QStringLiteral("Be a remote station: show and control the board station at HOST."),
                             QStringLiteral("HOST")};
  QCommandLineOption port_{QStringLiteral("port"),
                           QStringLiteral("TCP port of the remote link (default 100; ports below 1024 need "
                                          "privilege, see docs/remote.md)."),
                           QStringLiteral("P"), QStringLiteral("100")};
  QCommandLineOption allow_{QStringLiteral("allow"),
                            QStringLiteral("The one address (or subnet, such as 192.168.1.0/24) that may "
                                           "connect to the board station."),
                            QStringLiteral("ADDR")};
  bool headless_ = false;
  bool board_station_ = false;
  bool remote_station_ = false;
  bool settings_given_ = false;
  double timeout_s_ = kDefaultTimeoutSeconds;
  int port_number_ = link::kDefaultPort;
  std::string allow_text_;
  std::string host_;
  std::string status_;
  long long counted_ = 0;
  qint64 first_ = -1, last_ = -1;
  long long first_captures_ = 0, last_captures_ = 0;
};

}  // namespace

std::unique_ptr<OptionGroup> MakeRemoteOptions() { return std::make_unique<RemoteOptions>(); }

}  // namespace orva::cli
