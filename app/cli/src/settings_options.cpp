// --set KEY=VALUE (repeatable): settings of the instrument by their persisted
// key names, checked before anything runs and applied through the front
// panel after start-up, before power-on, in the order given. The headless
// report then shows what the panel displays (whether --set was used or not):
//   TimebaseDisplay(1) = 5us/Div
//   AmplitudeDisplay(1) = 1V/div
//   AmplitudeDisplay(2) = 5V/div
//   Coupling(1) = DC            the pressed coupling button of the channel
//   Coupling(2) = AC
//   ModeDisplay(1) = Normal
#include <QCheckBox>
#include <QCommandLineOption>
#include <QLabel>
#include <QPushButton>

#include <vector>

#include "groups.h"
#include "orva/mainwindow/oscil.h"
#include "orva/mainwindow/panel_settings.h"

namespace orva::cli {
namespace {

class SettingsOptions final : public OptionGroup {
 public:
  void Add(QCommandLineParser& parser) override {
    QString keys;
    for (const mainwindow::ClaveDeAjuste& k : mainwindow::ClavesDeAjuste())
      keys += (keys.isEmpty() ? "" : ", ") + QString::fromUtf8(k.clave.data(), static_cast<int>(k.clave.size()));
    set_.setDescription(QStringLiteral(
        "Apply a setting before power-on, as the front panel would (repeatable; keys in any "
        "case, see docs/settings.md): ") + keys + ".");
    parser.addOption(set_);
  }

  bool Check(const QCommandLineParser& parser, bool /*headless*/, std::string* error) override {
    ajustes_.clear();
    for (const QString& v : parser.values(set_.names().front())) {
      const auto a = mainwindow::LeeAjuste(v.toStdString(), error);
      if (!a) return false;
      ajustes_.push_back(*a);
    }
    return true;
  }

  bool BeforePowerOn(mainwindow::Oscil& window, std::string* /*error*/) override {
    for (const mainwindow::AjusteDelPanel& a : ajustes_) mainwindow::AplicaAjuste(window, a);
    return true;
  }

  void Report(mainwindow::Oscil& w, std::FILE* out) override {
    auto linea = [out](const char* name, const QString& text) {
      std::fprintf(out, "%s = %s\n", name, text.toStdString().c_str());
    };
    linea("TimebaseDisplay(1)", w.TimebaseDisplay(1)->text());
    linea("AmplitudeDisplay(1)", w.AmplitudeDisplay(1)->text());
    linea("AmplitudeDisplay(2)", w.AmplitudeDisplay(2)->text());
    for (int k = 1; k <= 2; ++k) {
      QString pressed;
      for (QPushButton* b : {w.CouplingGND(k), w.CouplingDC(k), w.CouplingAC(k)})
        if (b->isChecked()) pressed = b->text();
      linea(k == 1 ? "Coupling(1)" : "Coupling(2)", pressed);
    }
    linea("ModeDisplay(1)", w.ModeDisplay(1)->text());
  }

 private:
  QCommandLineOption set_{QStringLiteral("set"), QString(), QStringLiteral("KEY=VALUE")};
  std::vector<mainwindow::AjusteDelPanel> ajustes_;
};

}  // namespace

std::unique_ptr<OptionGroup> MakeSettingsOptions() { return std::make_unique<SettingsOptions>(); }

}  // namespace orva::cli
