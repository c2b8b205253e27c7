// bdatos: the signal browser, a modal dialog over the signal store.
//
// Open mode (modo_bd 1): the place list Drive1, the folder list Dir1 and the
// ".mdb" files of the chosen folder in File1; selecting a file previews its
// texts and its trace; accepting loads it as the reference trace (Abrir2).
// Save mode (modo_bd 0): the trace of channel canal_bd and its settings, a
// name, date, description and comments to type; accepting saves it through
// the store's save dialog (Guardar2), and a successful save closes the
// browser. The caller loads the dialog (the constructor runs Form_Load, which
// sets modo_bd to 1), sets idioma_bd, modo_bd and canal_bd, and shows it
// modally.
//
// Places (Drive1): there are no drive letters here; the list offers the
// user's home folder, the signal folder (PathSignals), every mounted volume
// and the root folder, each once. The lists start in the signal folder when
// it exists, else in the current folder.
// Folders (Dir1): the chain of folders from "/" down to the current one, then
// the current folder's subfolders (hidden ones left out), as a tree; activating
// an entry (double click, Enter) makes it the current folder, and the place
// list then shows the place it lies in.
// Files (File1): the ".mdb" files of the current folder (the extension in any
// letter case), by name.
//
// Preview: the file is opened read only for each table it reads and closed
// again at once (Data2), so nothing keeps it open or locked after the
// preview. What is read is bounded: one row of "Config" and "Parameters",
// at most 767 rows of "Data". A file that is not a database, is damaged,
// lacks a table or names another instrument or type shows nothing; no error
// leaves the dialog.
//
// Activation (steps 1-4) runs when the dialog is shown, once per showing:
// coming back to it (after the save dialog, or from another window) keeps
// what the user typed and the trace shown.
//
// Accepting in open mode with no file selected does nothing (the dialog stays
// open). eliminar_boton deletes the selected file after the user confirms.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "orva/dao.h"
#include "orva/picture_box.h"
#include "orva/storage/outcome.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QTreeWidget;
class QPushButton;
class QWidget;

namespace orva {
namespace scope {
class Osciloscopio;
}
namespace storage {
class BDSignal;
}
}  // namespace orva

namespace orva::mainwindow {

// The data source of the preview: a database file and a table chosen by
// name, read again on demand. Each Refresh opens the file read only, keeps at
// most max_filas rows of the table in memory and closes the file before it
// returns. Qt-free. Errors are thrown as dao::Error (the table then holds no
// rows).
class OrigenDeDatos {
 public:
  void DatabaseName(std::string fichero) { fichero_ = std::move(fichero); }
  const std::string& DatabaseName() const { return fichero_; }
  void RecordSource(std::string tabla) { tabla_ = std::move(tabla); }
  const std::string& RecordSource() const { return tabla_; }
  // Reads the table as the signal store's load reads a file: into memory,
  // cut off after dao::kLoadSeconds, and refused (dao::Error) before any row
  // when the file's tables are not ordinary ones (BDSignal::ObjecionAlFichero).
  void Refresh(std::int32_t max_filas);
  // Rows read by the last Refresh (at most its max_filas).
  std::int32_t RecordCount() const { return static_cast<std::int32_t>(filas_.size()); }
  // Field of row fila, by name (any letter case) or position; kNoCurrentRecord
  // past the rows read, kNoSuchField for a field the table lacks.
  const dao::Value& Field(std::int32_t fila, std::string_view nombre) const;
  const dao::Value& Field(std::int32_t fila, int posicion) const;

 private:
  std::string fichero_, tabla_;
  std::vector<std::string> campos_;
  std::vector<std::vector<dao::Value>> filas_;
};

class bdatos : public QDialog {
 public:
  // Rows of a stored signal the preview draws at most.
  static constexpr std::int32_t kFilasDeVistaPrevia = 767;
  // Width of the dialog in save mode, twips (15 twips a pixel).
  static constexpr int kAnchoGuardarTwips = 6630;

  bdatos(scope::Osciloscopio& osciloscopio, std::shared_ptr<storage::BDSignal> almacen,
         QWidget* parent = nullptr);
  ~bdatos() override;

  // ---- Fields set by the caller ------------------------------------------------
  std::int16_t modo_bd = 1;    // 0 save, 1 open
  std::int16_t idioma_bd = 1;  // language of the captions
  std::int16_t canal_bd = 1;   // channel saved (1 or 2)
  // Told after every save or load the dialog runs (modo_bd, what it came to,
  // the file loaded; empty for a save, whose file the store's dialog chose).
  std::function<void(std::int16_t modo, const storage::Outcome& r, const std::string& fichero)> AlTerminar;

  // ---- Handlers ------------------------------------------------------------------
  void Form_Load();      // centred on the screen, modo_bd = 1, lists in the start folder
  void Form_Activate();  // steps 1-4 of the mode
  void Form_Resize();    // save mode: the width back to kAnchoGuardarTwips
  void Drive1_Change();  // the folder list to the chosen place
  void Dir1_Change();    // the file list to the folder list's folder
  void File1_Click();    // preview of the selected file
  void aceptar_boton_Click();
  void cancelar_boton_Click();
  void eliminar_boton_Click();
  void inicializa_idioma();
  // Draws the signal of the data source's file: the factor of the gain text
  // (FactorDeGanancia), at most kFilasDeVistaPrevia rows of "Data", x 0..n,
  // y 255 (top) .. 0, cyan. The source's current table must hold a row.
  // (The design's name carries an n with tilde; identifiers are ASCII here.)
  void dibuja_una_senal_de_la_base_de_datos(OrigenDeDatos& datos, const QString& ganancia);
  // Codes per volt of a gain text, by exact comparison ("1V/div" 32, ...);
  // any other text 0.
  static double FactorDeGanancia(std::string_view texto);

  // The folder Dir1 and File1 show; setting it runs Dir1_Change.
  QString Carpeta() const { return carpeta_; }
  void PonCarpeta(const QString& carpeta);
  // The codes drawn by the last drawing (preview or save mode), in order.
  const std::vector<float>& Trazo() const { return trazo_; }
  // Asks whether the file may be deleted; null: a question box (No by default).
  std::function<bool(const QString& fichero)> ConfirmaEliminar;

  // ---- Controls (designer names, also their object names) -----------------------
  QComboBox* Drive1 = nullptr;
  QTreeWidget* Dir1 = nullptr;
  QListWidget* File1 = nullptr;
  QLineEdit* Text1 = nullptr;  // signal name
  QLineEdit* Text4 = nullptr;  // date
  QLineEdit* Text6 = nullptr;  // description
  QLineEdit* Text7 = nullptr;  // comments
  QLineEdit* base_de_tiempos_text = nullptr;
  QLineEdit* amplitud_text = nullptr;
  QLineEdit* acoplamiento_text = nullptr;
  gdi::PictureBox* Picture1 = nullptr;
  QPushButton* aceptar_boton = nullptr;
  QPushButton* cancelar_boton = nullptr;
  QPushButton* eliminar_boton = nullptr;
  OrigenDeDatos Data2;

 protected:
  void setVisible(bool visible) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildLayout();
  void Centra();  // (screen width - width) / 2, likewise the top
  void LlenaLugares();
  int LugarDe(const QString& carpeta) const;  // Drive1 index of the folder's place, -1: none
  // Picture1 cleared; then, unless empty, the segments of trazo_ in cyan on
  // x 0..ancho_x_, y alto_y_..0 (kept for the redraw after a resize).
  void DibujaTrazo();
  void VaciaVistaPrevia();
  QString FicheroSeleccionado() const;  // file name, empty when none

  scope::Osciloscopio& o_;
  std::shared_ptr<storage::BDSignal> almacen_;
  QWidget* listas_ = nullptr;  // Drive1, Dir1, File1: open mode only
  QString carpeta_;
  std::vector<float> trazo_;
  double ancho_x_ = 768, alto_y_ = 256;
  bool activado_ = false;  // activation ran for this showing
};

}  // namespace orva::mainwindow
