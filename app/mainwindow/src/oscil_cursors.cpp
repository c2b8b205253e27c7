// Cursors and readouts: the mouse on the time and spectrum views, the cursor
// check boxes, the pointer readouts and the readout procedures.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "orva/mainwindow/cursor_readouts.h"
#include "orva/mainwindow/oscil.h"
#include "orva/scope/osciloscopio.h"

namespace orva::mainwindow {
namespace {

constexpr int kIzquierdo = 1, kDerecho = 2;  // button codes of the picture boxes
constexpr double kInicioPantalla = 256.0;    // record position of the middle screen's start
constexpr double kPosicionesPorDivision = 25.6;
constexpr double kDesplazamientoMaximo = 10.0;  // trigger-point shift, divisions
constexpr double kFinHorizontal = 756.0;        // right end of the horizontal cursor lines

void Escribe(QLabel* label, const std::string& texto) {
  if (label != nullptr) label->setText(QString::fromStdString(texto));
}

void Vacia(QLabel* label) {
  if (label != nullptr) label->clear();
}

}  // namespace

void Oscil::ConectaCursores() {
  Picture1->SetMouseDownHandler(
      [this](int b, int s, double x, double y) { Picture1_MouseDown(b, s, x, y); });
  Picture1->SetMouseMoveHandler(
      [this](int b, int s, double x, double y) { Picture1_MouseMove(b, s, x, y); });
  Picture2->SetMouseDownHandler(
      [this](int b, int s, double x, double y) { Picture2_MouseDown(b, s, x, y); });
  Picture2->SetMouseMoveHandler(
      [this](int b, int s, double x, double y) { Picture2_MouseMove(b, s, x, y); });
  // The pointer readouts follow the mouse without a button held too.
  Picture1->setMouseTracking(true);
  for (int i = 0; i <= 1; ++i) {
    connect(SSCheck2(i), &QCheckBox::toggled, this, [this, i] { SSCheck2_Click(i); });
    connect(SSOption1(i), &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) SSOption1_Click(i);
    });
  }
  for (int i = 1; i <= 2; ++i)
    connect(ContCursor(i), &QCheckBox::toggled, this, [this, i] { ContCursor_Click(i); });
}

// A position beyond the picture is taken on its outermost pixel column or
// row, as far as the mouse reaches inside it: the user scale's own far edge
// (x = 768, y = 0 on the time view) maps one pixel past the picture, where a
// cursor would not show.
bool Oscil::DentroDeLaVista(const PictureBox* picture, double& x, double& y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  const double ancho = picture->PixelWidth(), alto = picture->PixelHeight();
  if (ancho < 1 || alto < 1) return false;
  const double px = picture->ToPixelX(x), py = picture->ToPixelY(y);
  if (!std::isfinite(px) || !std::isfinite(py)) return false;
  if (px < 0) x = picture->FromPixelX(0);
  if (px > ancho - 1) x = picture->FromPixelX(ancho - 1);
  if (py < 0) y = picture->FromPixelY(0);
  if (py > alto - 1) y = picture->FromPixelY(alto - 1);
  return true;
}

void Oscil::Picture1_MouseDown(int button, int /*shift*/, double x, double y) {
  if (Command1->text() == "OFF" || !DentroDeLaVista(Picture1, x, y)) return;
  if (button == kIzquierdo) {
    Picture1_MouseMove(kIzquierdo, 0, x, y);
    return;
  }
  if (button != kDerecho) return;
  // Distances of the shown cursors, each in its own units; a cursor is
  // selected only when it is strictly nearer than every other shown one.
  const bool verticales = SSCheck2(0)->isChecked();
  const bool horizontales = SSCheck2(1)->isChecked();
  const std::array<double, 4> d = {std::abs(CursorX1 - x), std::abs(CursorX2 - x),
                                   std::abs(CursorY1 - y), std::abs(CursorY2 - y)};
  const std::array<bool, 4> visto = {verticales, verticales, horizontales, horizontales};
  for (int i = 0; i < 4; ++i) {
    if (!visto[i]) continue;
    bool menor = true;
    for (int j = 0; j < 4; ++j)
      if (j != i && visto[j] && !(d[i] < d[j])) menor = false;
    if (menor) {
      ObjetoSeleccionado = static_cast<std::int16_t>(i + 1);
      return;
    }
  }
}

void Oscil::Picture1_MouseMove(int button, int /*shift*/, double x, double y) {
  if (Command1->text() == "OFF" || !DentroDeLaVista(Picture1, x, y)) return;
  scope::Osciloscopio& o = *osciloscopio_;
  if (button & kIzquierdo) {
    // The trigger point moves to the division under the pointer; the next
    // programming of the capture uses it. Reported to the remote link as a
    // change of this station, as the front panel's settings are. The time
    // cursors read from the trigger point: their readouts follow.
    const double m = std::clamp((x - kInicioPantalla) / kPosicionesPorDivision,
                                -kDesplazamientoMaximo, kDesplazamientoMaximo);
    if (m != o.MovimientoPretrigger()) {
      o.MovimientoPretrigger(m);
      Remoto.CambioDelUsuario();
      ActualizaCursoresVerticales();
    }
  }
  if (button & kDerecho) {
    switch (ObjetoSeleccionado) {
      case 1:
      case 2: {
        (ObjetoSeleccionado == 1 ? CursorX1 : CursorX2) = x;
        Picture1->MoveLineObject(ObjetoSeleccionado == 1 ? kCursorX1 : kCursorX2, x, 256, x, 0);
        ActualizaCursoresVerticales();
        break;
      }
      case 3:
      case 4: {
        (ObjetoSeleccionado == 3 ? CursorY1 : CursorY2) = y;
        Picture1->MoveLineObject(ObjetoSeleccionado == 3 ? kCursorY1 : kCursorY2, 0, y,
                                 kFinHorizontal, y);
        ActualizaCursoresHorizontales();
        break;
      }
      default:
        break;
    }
  }
  // Pointer readouts, whatever the button.
  puntero_x_ = x;
  puntero_y_ = y;
  puntero_valido_ = true;
  LecturasDelPuntero();
}

void Oscil::LecturasDelPuntero() {
  if (!puntero_valido_) return;
  // Time from the trigger point and the volts of the channel's gain.
  scope::Osciloscopio& o = *osciloscopio_;
  const double mov = o.MovimientoPretriggerUsado();
  for (int canal = 1; canal <= 2; ++canal) {
    if (!ContCursor(canal)->isChecked()) continue;
    Escribe(XCursorDisplay(canal), TextoTiempoCursor(puntero_x_, mov, o.FMEquivalente()));
    Escribe(YCursorDisplay(canal),
            TextoVoltiosCursor(puntero_y_, canal == 1 ? o.VDiv1() : o.VDiv2()));
  }
}

void Oscil::Picture2_MouseDown(int button, int /*shift*/, double x, double y) {
  if (button != kDerecho || osciloscopio_->ModoXY() || !DentroDeLaVista(Picture2, x, y)) return;
  const double d5 = std::abs(Picture2->GetLineObject(kMarcador1).x1 - x);
  const double d6 = std::abs(Picture2->GetLineObject(kMarcador2).x1 - x);
  if (d5 < d6) {
    ObjetoSeleccionado = 5;
  } else if (d6 < d5) {
    ObjetoSeleccionado = 6;
  }
}

void Oscil::Picture2_MouseMove(int button, int /*shift*/, double x, double y) {
  if (!(button & kDerecho) || osciloscopio_->ModoXY() || !DentroDeLaVista(Picture2, x, y)) return;
  if (ObjetoSeleccionado != 5 && ObjetoSeleccionado != 6) return;
  Picture2->MoveLineObject(ObjetoSeleccionado == 5 ? kMarcador1 : kMarcador2, x, 256, x, 0);
  marcadores_movidos_ = true;
  ActualizaMarcadores();
}

void Oscil::ActualizaMarcadores() {
  // The markers read the spectrum as it is drawn: the point shown highest in
  // the marker's column of the shown spectra (cursor_readouts.h).
  const double fm = osciloscopio_->FMEquivalente();
  const std::span<const float> e1 =
      SSCheck1(0)->isChecked() ? std::span<const float>(EspectroCanal1) : std::span<const float>();
  const std::span<const float> e2 =
      SSCheck1(1)->isChecked() ? std::span<const float>(EspectroCanal2) : std::span<const float>();
  auto lee = [&](int marcador) {
    return TextoFrecuenciaPunto(
        PuntoDelMarcador(Picture2->GetLineObject(marcador).x1, Picture2->ScaleLeft(),
                         Picture2->ScaleWidth(), Picture2->width(), e1, e2),
        fm);
  };
  Escribe(YCursorDisplay(4), lee(kMarcador1));
  Escribe(XCursorDisplay(0), lee(kMarcador2));
}

void Oscil::SSCheck2_Click(int index) {
  if (index != 0 && index != 1) return;
  const bool marcado = SSCheck2(index)->isChecked();
  const int primera = index == 0 ? kCursorX1 : kCursorY1;
  const int segunda = index == 0 ? kCursorX2 : kCursorY2;
  if (osciloscopio_->ModoDisparo() == 0 || ToolbarPressed("foto")) {
    Picture1->ShowLineObject(primera, marcado);
    Picture1->ShowLineObject(segunda, marcado);
  }
  if (marcado) {
    if (index == 0) {
      ActualizaCursoresVerticales();
    } else {
      ActualizaCursoresHorizontales();
    }
  } else if (index == 0) {
    Vacia(XCursorDisplay(6));
    Vacia(YCursorDisplay(0));
    Vacia(YCursorDisplay(6));
  } else {
    Vacia(XCursorDisplay(7));
    Vacia(YCursorDisplay(3));
    Vacia(YCursorDisplay(7));
  }
}

void Oscil::ContCursor_Click(int index) {
  if ((index != 1 && index != 2) || ContCursor(index)->isChecked()) return;
  Vacia(XCursorDisplay(index));
  Vacia(YCursorDisplay(index));
}

void Oscil::SSOption1_Click(int /*index*/) { ActualizaCursoresHorizontales(); }

void Oscil::ActualizaCursoresVerticales() {
  scope::Osciloscopio& o = *osciloscopio_;
  if (marcadores_movidos_) ActualizaMarcadores();
  if (!SSCheck2(0)->isChecked()) return;
  const double fm = o.FMEquivalente();
  const double mov = o.MovimientoPretriggerUsado();
  Escribe(XCursorDisplay(6), TextoTiempoCursor(CursorX2, mov, fm));
  Escribe(YCursorDisplay(6), TextoTiempoCursor(CursorX1, mov, fm));
  Escribe(YCursorDisplay(0), TextoDiferenciaTiempo(CursorX1, CursorX2, fm));
}

void Oscil::ActualizaCursoresHorizontales() {
  if (!SSCheck2(1)->isChecked()) return;
  scope::Osciloscopio& o = *osciloscopio_;
  const double vdiv = SSOption1(0)->isChecked() ? o.VDiv1() : o.VDiv2();
  const double y1 = Picture1->GetLineObject(kCursorY1).y1;
  const double y2 = Picture1->GetLineObject(kCursorY2).y1;
  Escribe(XCursorDisplay(7), TextoVoltiosCursor(y1, vdiv));
  Escribe(YCursorDisplay(7), TextoVoltiosCursor(y2, vdiv));
  Escribe(YCursorDisplay(3), TextoDiferenciaVoltios(y1, y2, vdiv));
}

void Oscil::ColocaCursores(double x1, double x2, double y1, double y2) {
  CursorX1 = x1;
  CursorX2 = x2;
  CursorY1 = y1;
  CursorY2 = y2;
  Picture1->MoveLineObject(kCursorX1, x1, 256, x1, 0);
  Picture1->MoveLineObject(kCursorX2, x2, 256, x2, 0);
  Picture1->MoveLineObject(kCursorY1, 0, y1, kFinHorizontal, y1);
  Picture1->MoveLineObject(kCursorY2, 0, y2, kFinHorizontal, y2);
  ActualizaCursoresVerticales();
  ActualizaCursoresHorizontales();
}

}  // namespace orva::mainwindow
