// The headless run's passes: the window's own pass (BuclePrincipal, through
// Oscil::RunPasses) back to back until the caller has what it waits for or
// the run's time-out (--timeout) has run out.
//
// A pass that finds the capture unfinished reads nothing; the next one then
// waits for events (a socket, a timer) for at most kIdleWaitMs instead of
// polling the board again at once, so a run that waits for a slow capture
// does not keep a core busy. A pass that read a capture is followed at once
// by the next one, as in the window's loop.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace orva::mainwindow {
class Oscil;
}

namespace orva::cli {

inline constexpr int kIdleWaitMs = 1;
// --timeout: seconds, 0 for none.
inline constexpr double kDefaultTimeoutSeconds = 60.0;
inline constexpr double kMaxTimeoutSeconds = 1e6;

class PassLoop {
 public:
  // timeout_s: 0 for none.
  PassLoop(mainwindow::Oscil& window, double timeout_s);

  // Runs passes until done() is true (asked before every pass) or the time
  // runs out; returns the passes run.
  long Run(const std::function<bool()>& done);
  bool TimedOut() const { return timed_out_; }
  // Seconds since the loop was made (the run so far).
  double Seconds() const { return static_cast<double>(clock_.nsecsElapsed()) * 1e-9; }

 private:
  mainwindow::Oscil& w_;
  double timeout_s_;
  bool timed_out_ = false;
  QElapsedTimer clock_;
  QTimer tick_;  // bounds the wait after a pass that read nothing
};

}  // namespace orva::cli
