#include "pass_loop.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <climits>

#include "orva/mainwindow/oscil.h"

namespace orva::cli {

PassLoop::PassLoop(mainwindow::Oscil& window, double timeout_s) : w_(window), timeout_s_(timeout_s) {
  clock_.start();
  tick_.setTimerType(Qt::PreciseTimer);
  tick_.setInterval(kIdleWaitMs);
}

long PassLoop::Run(const std::function<bool()>& done) {
  long long leidas = w_.CapturasLeidas();
  bool primera = true;
  tick_.start();
  const int passes = w_.RunPasses(INT_MAX, [&] {
    if (done()) return true;
    if (timeout_s_ > 0 && Seconds() >= timeout_s_) {
      timed_out_ = true;
      return true;
    }
    // The last pass read nothing: the capture is still running.
    if (!primera && w_.CapturasLeidas() == leidas)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    primera = false;
    leidas = w_.CapturasLeidas();
    return false;
  });
  tick_.stop();
  return passes;
}

}  // namespace orva::cli
