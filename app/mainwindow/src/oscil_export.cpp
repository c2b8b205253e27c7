// Oscil: export of the shown traces to CSV or WAV.
#include <algorithm>
#include <cctype>
#include <exception>
#include <stdexcept>

#include "orva/export/trace_export.h"
#include "orva/file_dialog.h"
#include "orva/mainwindow/oscil.h"
#include "orva/scope/osciloscopio.h"

namespace orva::mainwindow {
namespace {

bool TerminaEnWav(std::string nombre) {
  std::transform(nombre.begin(), nombre.end(), nombre.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return nombre.size() >= 4 && nombre.compare(nombre.size() - 4, 4, ".wav") == 0;
}

}  // namespace

// The shown traces, or why there is nothing to export. `referencia` keeps the
// reference trace's codes alive for the returned record.
storage::Outcome Oscil::TrazasParaExportar(std::vector<exporta::TrazaMostrada>& trazas,
                                           std::vector<float>& referencia) const {
  const scope::Osciloscopio& o = *osciloscopio_;
  // In the XY view the window's channel vectors hold the XY figure's points.
  if (o.ModoXY()) return storage::Outcome::Rechazado("the XY view is on: no time traces to export");
  if (o.Canal1Activo())
    trazas.push_back({"ch1", VectorCanal1, static_cast<float>(o.VDiv1()),
                      static_cast<float>(o.DesplazamientoYCanal1())});
  if (o.Canal2Activo())
    trazas.push_back({"ch2", VectorCanal2, static_cast<float>(o.VDiv2()),
                      static_cast<float>(o.DesplazamientoYCanal2())});
  // The reference trace is drawn from its codes as loaded, which the signal
  // store made on channel 2's scale: it reads in channel 2's volts.
  if (o.CanalDActivo()) {
    referencia = o.VDisk();
    trazas.push_back({"ref", referencia, static_cast<float>(o.VDiv2()), 0.0f});
  }
  if (trazas.empty()) return storage::Outcome::Rechazado("no trace is shown: both channels are off");
  return storage::Outcome::Hecho();
}

storage::Outcome Oscil::ExportaTrazas() {
  if (!dialogo_) return storage::Outcome::Fallido("no file dialog");
  // Nothing to export is said before a file name is asked for. The traces
  // are gathered again after the dialog: the loop runs while it is open.
  std::vector<exporta::TrazaMostrada> trazas;
  std::vector<float> referencia;
  if (storage::Outcome r = TrazasParaExportar(trazas, referencia); !r.Done()) return r;
  filedialog::FileDialogRequest peticion;
  peticion.mode = filedialog::FileDialogRequest::Mode::kSave;
  peticion.start_folder = carpeta_de_usuario_;
  peticion.filter = "CSV (*.csv)|*.csv|WAV (*.wav)|*.wav";
  peticion.file_name = "traces.csv";
  peticion.default_extension = "csv";
  peticion.confirm_overwrite = true;
  const std::optional<std::string> fichero = dialogo_->Show(peticion);
  if (!fichero || fichero->empty()) return storage::Outcome::Cancelado();
  return ExportaTrazasA(*fichero, TerminaEnWav(*fichero) ? FormatoDeExportacion::kWav
                                                         : FormatoDeExportacion::kCsv);
}

storage::Outcome Oscil::ExportaTrazasA(const std::string& fichero, FormatoDeExportacion formato) {
  std::vector<exporta::TrazaMostrada> trazas;
  std::vector<float> referencia;
  if (storage::Outcome r = TrazasParaExportar(trazas, referencia); !r.Done()) return r;
  const scope::Osciloscopio& o = *osciloscopio_;
  try {
    const exporta::Registro r = exporta::PreparaRegistro(trazas, o.MovimientoPretriggerUsado(), o.FMEquivalente());
    if (formato == FormatoDeExportacion::kWav) {
      exporta::EscribeWav(r, fichero);
    } else {
      exporta::EscribeCsv(r, fichero);
    }
  } catch (const std::invalid_argument& e) {
    return storage::Outcome::Rechazado(e.what());
  } catch (const std::exception& e) {
    return storage::Outcome::Fallido(e.what());
  }
  ultima_exportacion_ = fichero;
  return storage::Outcome::Hecho();
}

}  // namespace orva::mainwindow
