// --cursors X1,X2,Y1,Y2: the four cursors placed and both cursor boxes ticked
// before the instrument is switched on; the headless run then reports the
// six cursor readouts as the window shows them, then the time cursors' 1/dt.
//
// X1, X2 are positions of the 768-position record (0..768, 256 the start of
// the middle screen), Y1, Y2 sample codes (0..256, 128 = 0 V); decimals are
// written with a point. The voltage readouts use channel 1's gain, the
// window's default choice.
#include <QCheckBox>
#include <QLabel>
#include <QStringList>

#include <array>
#include <cmath>

#include "groups.h"
#include "orva/mainwindow/oscil.h"

namespace orva::cli {
namespace {

constexpr double kUltimaPosicion = 768;  // the record's right edge
constexpr double kCodigoMaximo = 256;    // the top of the screen

class CursorOptions final : public OptionGroup {
 public:
  void Add(QCommandLineParser& parser) override {
    parser.addOption(option_);
  }

  bool Check(const QCommandLineParser& parser, bool /*headless*/, std::string* error) override {
    if (!parser.isSet(option_)) return true;
    const QString value = parser.value(option_);
    const QStringList parts = value.split(QLatin1Char(','));
    bool ok = parts.size() == 4;
    for (int i = 0; ok && i < 4; ++i) {
      posiciones_[i] = parts[i].trimmed().toDouble(&ok);
      const double limite = i < 2 ? kUltimaPosicion : kCodigoMaximo;
      ok = ok && std::isfinite(posiciones_[i]) && posiciones_[i] >= 0 && posiciones_[i] <= limite;
    }
    if (!ok) {
      *error = "--cursors takes X1,X2,Y1,Y2 (record positions 0..768, codes 0..256), not '" +
               value.toStdString() + "'";
      return false;
    }
    activo_ = true;
    return true;
  }

  bool BeforePowerOn(mainwindow::Oscil& window, std::string* /*error*/) override {
    if (!activo_) return true;
    window.ColocaCursores(posiciones_[0], posiciones_[1], posiciones_[2], posiciones_[3]);
    window.SSCheck2(0)->setChecked(true);  // each writes its readouts
    window.SSCheck2(1)->setChecked(true);
    return true;
  }

  bool AfterPasses(mainwindow::Oscil& window, std::string* /*error*/) override {
    if (!activo_) return true;
    // Other options may have changed the timebase or a gain after the
    // cursors were placed: the readouts as a step of either would leave them.
    window.ActualizaCursoresVerticales();
    window.ActualizaCursoresHorizontales();
    return true;
  }

  void Report(mainwindow::Oscil& window, std::FILE* out) override {
    if (!activo_) return;
    const std::pair<const char*, QLabel*> lineas[] = {
        {"X1", window.YCursorDisplay(6)},      {"X2", window.XCursorDisplay(6)},
        {"X2 - X1", window.YCursorDisplay(0)}, {"Y1", window.XCursorDisplay(7)},
        {"Y2", window.YCursorDisplay(7)},      {"Y1 - Y2", window.YCursorDisplay(3)},
        {"1/(X2 - X1)", window.InversoCursores},
    };
    for (const auto& [nombre, label] : lineas)
      std::fprintf(out, "cursor %s = %s\n", nombre, label->text().toStdString().c_str());
  }

 private:
  QCommandLineOption option_{
      QStringLiteral("cursors"),
      QStringLiteral("Place the time cursors at record positions X1, X2 (0..768) and the voltage "
                     "cursors at codes Y1, Y2 (0..256), tick both cursor boxes; the headless run "
                     "prints the six cursor readouts and the time cursors' 1/dt."),
      QStringLiteral("X1,X2,Y1,Y2")};
  bool activo_ = false;
  std::array<double, 4> posiciones_{};
};

}  // namespace

std::unique_ptr<OptionGroup> MakeCursorOptions() { return std::make_unique<CursorOptions>(); }

}  // namespace orva::cli
