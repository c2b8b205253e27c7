// The window's side of the stores: their creation at start-up, the file
// dialog (QFileDialog) and the front panel a configuration load updates.
//
// Front-panel updates press the window's own controls, so that whatever
// handler is connected to them runs as if the user had pressed them: a button
// or box whose state must change is clicked (a disabled one, which ignores
// clicks, is set directly); one already in the wanted state is left alone.
#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include "orva/file_dialog.h"
#include "orva/mainwindow/carpetas.h"
#include "orva/mainwindow/oscil.h"
#include "orva/scope/osciloscopio.h"
#include "orva/storage/bd_config.h"
#include "orva/storage/bd_signal.h"
#include "orva/storage/esquema.h"

namespace orva::mainwindow {
namespace {

// A "description|pattern" entry as Qt writes it: "Signal (*.mdb)".
QString QtFilter(const filedialog::FilterEntry& e) {
  const QString description = QString::fromStdString(e.description);
  QString patterns = QString::fromStdString(e.pattern);
  patterns.replace(';', ' ');
  if (description.contains('(')) return description;
  return (description.isEmpty() ? QString() : description + ' ') + '(' + patterns + ')';
}

class QtFileDialog final : public filedialog::FileDialog {
 public:
  explicit QtFileDialog(QWidget* parent) : parent_(parent) {}

  std::optional<std::string> Show(const filedialog::FileDialogRequest& r) override {
    const bool save = r.mode == filedialog::FileDialogRequest::Mode::kSave;
    QFileDialog d(parent_);
    d.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The list without the detail columns: Qt writes their dates in the
    // system's locale, not the window's language (a user can still switch).
    d.setViewMode(QFileDialog::List);
    if (!r.start_folder.empty()) d.setDirectory(QString::fromStdString(r.start_folder));
    QStringList filters;
    for (const filedialog::FilterEntry& e : filedialog::FilterEntries(r.filter)) filters << QtFilter(e);
    if (!filters.isEmpty()) d.setNameFilters(filters);
    if (!r.default_extension.empty()) d.setDefaultSuffix(QString::fromStdString(r.default_extension));
    d.setOption(QFileDialog::DontConfirmOverwrite, !r.confirm_overwrite);
    if (!r.file_name.empty()) d.selectFile(QString::fromStdString(r.file_name));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return d.selectedFiles().first().toStdString();
  }

 private:
  QPointer<QWidget> parent_;
};

}  // namespace

// The window's file dialog as the stores and the export see it: the dialog
// given (a QFileDialog, or a test's), with the last file chosen kept for the
// status line (the stores do not say which file they wrote).
class Oscil::DialogoQueRecuerda final : public filedialog::FileDialog {
 public:
  explicit DialogoQueRecuerda(std::shared_ptr<filedialog::FileDialog> dialogo) : dialogo_(std::move(dialogo)) {}
  std::optional<std::string> Show(const filedialog::FileDialogRequest& r) override {
    elegido_.clear();
    std::optional<std::string> f = dialogo_ ? dialogo_->Show(r) : std::nullopt;
    if (f) elegido_ = *f;
    return f;
  }
  const std::string& Elegido() const { return elegido_; }

 private:
  std::shared_ptr<filedialog::FileDialog> dialogo_;
  std::string elegido_;
};

namespace {

void SetPressed(QAbstractButton* b, bool pressed) {
  if (b == nullptr || b->isChecked() == pressed) return;
  b->click();
  if (b->isChecked() != pressed) b->setChecked(pressed);
}

class WindowPanel final : public storage::FrontPanel {
 public:
  explicit WindowPanel(Oscil& w) : w_(w) {}

  bool ContCursor(int canal) const override {
    const QCheckBox* c = w_.ContCursor(canal);
    return c != nullptr && c->isChecked();
  }
  void PressCoupling(int canal, std::int16_t codigo) override {
    QPushButton* const buttons[] = {w_.CouplingGND(canal), w_.CouplingDC(canal), w_.CouplingAC(canal)};
    if (codigo < 0 || codigo > 2) return;
    SetPressed(buttons[codigo], true);
    // The channel's other coupling buttons are released, unless the press
    // already did it.
    for (int k = 0; k < 3; ++k)
      if (k != codigo) SetPressed(buttons[k], false);
  }
  void SetChanSelected(int canal, bool valor) override { SetPressed(w_.ChanSelected(canal), valor); }
  void SetContCursor(int canal, bool valor) override { SetPressed(w_.ContCursor(canal), valor); }
  // The slope button is one two-state button: element 1 is its pressed state.
  void PressSlope(int elemento) override { SetPressed(w_.Slope, elemento == 1); }
  void SetTrigChanDisplay(const std::string& caption) override {
    if (QLabel* l = w_.TrigChanDisplay(1)) l->setText(QString::fromStdString(caption));
  }
  void PressPromediado(int elemento) override { SetPressed(w_.promediado(elemento), true); }
  void SetXYCommand(int valor) override { SetPressed(w_.XYCommand, valor != 0); }

 private:
  Oscil& w_;
};

}  // namespace

void Oscil::CreaLosAlmacenes() {
  Programa& p = ProgramaGlobal();
  std::shared_ptr<filedialog::FileDialog> dialogo = options_.dialogo;
  if (!dialogo) dialogo = std::make_shared<QtFileDialog>(this);
  recuerda_ = std::make_shared<DialogoQueRecuerda>(std::move(dialogo));
  dialogo_ = recuerda_;
  panel_ = std::make_shared<WindowPanel>(*this);
  bd_signal_ = std::make_shared<storage::BDSignal>(*osciloscopio_, dialogo_);
  // The templates stay in the program's data folder (read only once
  // installed); the files are proposed and stored in the user folder
  // (carpetas.h), made on the first file operation.
  const std::string datos = storage::CarpetaDeDatos(p.RutaAplicacion);
  carpeta_de_usuario_ = mainwindow::CarpetaDeUsuario(p.RutaAplicacion);
  bd_signal_->PathSignals(carpeta_de_usuario_);
  bd_signal_->CarpetaDePlantillas(datos);
  bd_signal_->Instrumento(std::string(storage::kInstrumento));
  p.AlmacenDeSenales = bd_signal_;
  bd_config_ = std::make_shared<storage::BDConfig>(*osciloscopio_, *panel_, dialogo_, p.RutaAplicacion);
  bd_config_->PathConfigs(carpeta_de_usuario_);
  bd_config_->CarpetaDePlantillas(datos);
}

bool Oscil::PreparaCarpetaDeUsuario() { return CreaCarpeta(carpeta_de_usuario_); }

std::string Oscil::UltimoFicheroElegido() const { return recuerda_ ? recuerda_->Elegido() : std::string(); }

}  // namespace orva::mainwindow
