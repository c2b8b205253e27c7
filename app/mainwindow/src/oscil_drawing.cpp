// Screen drawing, LEDs, the view switch and the copy/print/number-copy requests.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QScrollBar>

#include <algorithm>

#include "Sigdex.h"
#include "orva/mainwindow/oscil.h"
#include "orva/scope/osciloscopio.h"
#include "orva/scope/render.h"

namespace orva::mainwindow {
namespace {

constexpr COLORREF kGris = gdi::Rgb(100, 100, 100);
// Re-centring value of the math trace: the sum a + b - 128 and the
// differences 128 + (a - b) of two traces centred on 128 stay centred.
constexpr std::int16_t kCentroMat = 128;

std::unique_ptr<QPrinter> DefaultPrinter() {
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull() || info.printerName().isEmpty()) return nullptr;
  return std::make_unique<QPrinter>(info, QPrinter::ScreenResolution);
}

}  // namespace

void Oscil::color_de_led(PictureBox* led, std::string_view word) {
  if (led == nullptr) return;
  COLORREF c;
  if (word == "gris") {
    c = 0x808080;
  } else if (word == "verde") {
    c = 0x00AF00;
  } else if (word == "amarillo") {
    c = 0x00A0A0;
  } else if (word == "rojo") {
    c = 0x0000FF;
  } else {
    return;
  }
  if (led->BackColor() != c) led->SetBackColor(c);
}

void Oscil::ColoresDePantalla() {
  ColorCanalMat = 0xFFFFFF;
  ColorCanal1 = 0xFFFF00;
  ColorCanal2 = 0x00FFFF;
}

void Oscil::ColoresDeImpresion() {
  ColorCanalMat = 0x000000;
  ColorCanal1 = 0xFF0000;
  ColorCanal2 = 0x40A060;
}

void Oscil::TextosDelPanel() {
  scope::Osciloscopio& o = *osciloscopio_;
  AmplitudeDisplay(1)->setText(QString::fromStdString(o.GananciaCanal1Texto()));
  TimebaseDisplay(1)->setText(QString::fromStdString(o.BaseDeTiemposActualTexto()));
  AmplitudeDisplay(2)->setText(QString::fromStdString(o.GananciaCanal2Texto()));
  ModeDisplay(1)->setText(QString::fromStdString(o.ModoDisparoTexto()));
}

// Time-view graticule: 30 vertical lines over the 768-unit record (the two
// at the trigger point's screen edges highlighted), 7 horizontal lines and
// the borders. The screen and the printed page differ only in the highlight.
static void DrawTimeGraticule(gdi::Canvas& t, double mov, COLORREF highlight) {
  t.Line(0, 255, 0, 0, kGris);
  for (int i = 1; i <= 30; ++i) {
    const double x = 25.6 * i - 1;
    const bool realce = i == mov + 10 || i == mov + 20;
    t.Line(x, 255, x, 0, realce ? highlight : kGris);
  }
  t.Line(0, 1, 768, 1, kGris);
  for (int j = 1; j <= 7; ++j) {
    const double y = 32.0 * j - 1;
    t.Line(0, y, 765, y, kGris);
  }
  t.Line(0, 255, 765, 255, kGris);
}

// The highlighted lines mark the trigger point's screen as the capture places
// it, so they use the shift kept to +-10 divisions.
void Oscil::dibuja_grid(gdi::Canvas& t) {
  DrawTimeGraticule(t, osciloscopio_->MovimientoPretriggerUsado(), gdi::Rgb(200, 200, 200));
}

void Oscil::imprime_grid(gdi::Canvas& t) {
  DrawTimeGraticule(t, osciloscopio_->MovimientoPretriggerUsado(), gdi::Rgb(140, 100, 100));
}

// Spectrum/XY graticule, always in the view's own scale (x 0..256, y 256 top
// .. 0): 10 columns of 25.6 units and 8 rows of 32, whatever scale the power
// button or the last spectrum trace left on the picture. The lines up to
// x = 512 fall outside the view.
void Oscil::dibuja_grid_espectro(gdi::Canvas& t) {
  t.Scale(0, 256, 256, 0);
  for (int i = 1; i <= 20; ++i) {
    const double x = 25.6 * i - 1;
    t.Line(x, 255, x, 0, kGris);
  }
  for (int j = 1; j <= 7; ++j) {
    const double y = 32.0 * j - 1;
    t.Line(0, y, 512, y, kGris);
  }
  t.Line(0, 255, 512, 255, kGris);
}

// Clear and graticule. The result depends only on the picture, its size,
// user scale, background and the trigger shift, so it is drawn once, kept as
// the picture's backdrop and copied back while none of them changes (a
// resize or a background change drops the backdrop in the drawing layer).
void Oscil::BorraYDibujaGrid(PictureBox* target) {
  const GridKey key{target,
                    target->ScaleLeft(),
                    target->ScaleTop(),
                    target->ScaleWidth(),
                    target->ScaleHeight(),
                    osciloscopio_->MovimientoPretriggerUsado(),
                    target->BackColor()};
  if (key == grid_key_ && target->ScaleMode() == gdi::Canvas::kUser && target->RestoreBackdrop())
    return;
  target->Cls();
  dibuja_grid(*target);
  grid_key_ = target->StoreBackdrop() ? key : GridKey{};
}

void Oscil::XYCommand_Click() {
  const bool xy = XYCommand->isChecked();
  osciloscopio_->ModoXY(xy);
  Label6->setText(xy ? "XY-Mode" : "Spectrum");
  for (const auto& [i, l] : Label8.Items()) l->setVisible(!xy);
  Picture2->ShowLineObject(kMarcador1, !xy);
  Picture2->ShowLineObject(kMarcador2, !xy);
}

void Oscil::RutinaDeDibujoYTratamiento(PictureBox* target) {
  if (target == nullptr) return;
  const bool en_papel = CopiarPantallaPedido || ImprimirPedido;
  DibujaPantalla(target);
  // 16-18. Requests.
  ServirCopias(target);
  if (aviso_de_pedidos_) ActualizaAvisoDePedidos();  // served: the waiting note goes
  // A copy or print drew the picture white with the print colours, and
  // setting the background back to black cleared it: draw the screen again
  // in its own colours, so the view looks as it did before the request.
  if (en_papel) DibujaPantalla(target);
}

void Oscil::DibujaPantalla(PictureBox* target) {
  scope::Osciloscopio& o = *osciloscopio_;
  RefrescaDerivados();  // no frame shows texts of settings that have changed
  MuestraCongelada();
  // 1-4. Clear, print colours on request, graticule.
  if (CopiarPantallaPedido || ImprimirPedido) {
    target->SetBackColor(0xFFFFFF);  // clears to white
    ColoresDeImpresion();
  }
  BorraYDibujaGrid(target);
  // 5. Traces only while on and no automatic set-up runs.
  if (!o.GainAuto1() && !o.GainAuto2() && !o.TriggerAuto() && Encendido) {
    // 6. End of the automatic set-up: the level takes the trigger channel's mean.
    if (Label12->isVisible()) {
      VScroll3->setValue(o.CanalDisparo() == 1 ? o.Vm1Byte() : o.Vm2Byte());
      Label12->hide();
    }
    // 7-8. Math trace alone, or the channel traces.
    const char* mat = ToolbarPressed("suma")    ? "suma"
                      : ToolbarPressed("c1-c2") ? "c1-c2"
                      : ToolbarPressed("c2-c1") ? "c2-c1"
                                                : nullptr;
    if (mat != nullptr) {
      // The math vector takes the bounds of channel 1; where channel 2 has
      // no sample (a shorter or empty vector) the result is the centre line.
      VectorMat.assign(VectorCanal1.size(), 128.0f);
      const auto n = static_cast<std::int32_t>(std::min(VectorCanal1.size(), VectorCanal2.size()));
      if (std::string_view(mat) == "suma") {
        Suma(VectorCanal1.data(), VectorCanal2.data(), VectorMat.data(), n, kCentroMat);
      } else if (std::string_view(mat) == "c1-c2") {
        Resta(VectorCanal1.data(), VectorCanal2.data(), VectorMat.data(), n, kCentroMat);
      } else {
        Resta(VectorCanal2.data(), VectorCanal1.data(), VectorMat.data(), n, kCentroMat);
      }
      DibujaTrazoVisible(target, VectorMat, ColorCanalMat);
    } else {
      if (o.Canal1Activo()) DibujaTrazoVisible(target, VectorCanal1, ColorCanal1);
      if (o.Canal2Activo()) DibujaTrazoVisible(target, VectorCanal2, ColorCanal2);
    }
    // 9. Reference trace.
    if (o.CanalDActivo()) {
      if (!DT->isVisible()) DT->show();
      if (!DG->isVisible()) DG->show();
      VectorDisco = o.VDisk();
      DibujaTrazoVisible(target, VectorDisco, ColorCanalD);
      DT->setText(QString::fromStdString("T/div :" + o.BaseDeTiemposDTexto()));
      DG->setText(QString::fromStdString("V/div :" + o.GananciaCanalDTexto()));
      DT->adjustSize();
      DG->adjustSize();
    }
    // 10-11. XY figure, or the spectra.
    if (o.ModoXY()) {
      Picture2->Cls();
      dibuja_grid_espectro(*Picture2);
      VectorCanal1 = o.VCanal1XY();
      VectorCanal2 = o.VCanal2XY();
      // Upper bound of the x vector, kept to the points both vectors have.
      const std::int32_t n = static_cast<std::int32_t>(
          std::min(VectorCanal1.size(), VectorCanal2.size())) - 1;
      Picture2->Scale(0, 256, 256, 0);
      // The picture's size in pixels (its size in twips over the twips per pixel).
      const float ancho = static_cast<float>(Picture2->PixelWidth());
      const float alto = static_cast<float>(Picture2->PixelHeight());
      if (n > 0) {
        OrvaSurface surface = gdi::MakeSurface(Picture2->hDC());
        // Colour, step 1, height and width in the plotter's own argument order.
        scope::DibujaUnVectorXY2(&surface, VectorCanal1.data(), VectorCanal2.data(), n, ColorXY,
                                 1, alto, ancho);
        Picture2->update();
      }
    } else if (SSCheck1(0)->isChecked() || SSCheck1(1)->isChecked()) {
      Picture2->Cls();
      dibuja_grid_espectro(*Picture2);
      if (SSCheck1(0)->isChecked()) scope::DibujaTrazoEspectro(*Picture2, EspectroCanal1, ColorCanal1);
      if (SSCheck1(1)->isChecked()) scope::DibujaTrazoEspectro(*Picture2, EspectroCanal2, ColorCanal2);
      // The traces leave their own scale (x 0..511) behind; the markers and
      // the pointer stay in the view's scale.
      Picture2->Scale(0, 256, 256, 0);
    }
    // 12. Trigger-level line, dotted, following the trigger channel's offset.
    target->SetDrawStyle(gdi::PS_DOT);
    const int canal = o.CanalDisparo();
    const double offset = canal == 1   ? o.DesplazamientoYCanal1()
                          : canal == 2 ? o.DesplazamientoYCanal2()
                                       : 0;
    const double y = o.Nivel() + offset;
    target->Line(0, y, 768, y, 0x0000FF);
    // 13-14. Cursors: line objects over a static screen, painted otherwise.
    PintaCursores();
    // 15. Solid again; panel texts.
    target->SetDrawStyle(gdi::PS_SOLID);
    TextosDelPanel();
  }
}

void Oscil::PintaCursores() {
  const bool estatica = osciloscopio_->ModoDisparo() == 0;
  if (SSCheck2(0)->isChecked()) {
    if (estatica) {
      Picture1->MoveLineObject(kCursorX1, CursorX1, 256, CursorX1, 0);
      Picture1->MoveLineObject(kCursorX2, CursorX2, 256, CursorX2, 0);
      Picture1->ShowLineObject(kCursorX1, true);
      Picture1->ShowLineObject(kCursorX2, true);
    } else {
      Picture1->ShowLineObject(kCursorX1, false);
      Picture1->ShowLineObject(kCursorX2, false);
      Picture1->Line(CursorX1, 255, CursorX1, 0, 0xC0FFC0);
      Picture1->Line(CursorX2, 255, CursorX2, 0, 0xFFC0C0);
    }
  }
  if (SSCheck2(1)->isChecked()) {
    if (estatica) {
      Picture1->MoveLineObject(kCursorY1, 0, CursorY1, 756, CursorY1);
      Picture1->MoveLineObject(kCursorY2, 0, CursorY2, 756, CursorY2);
      Picture1->ShowLineObject(kCursorY1, true);
      Picture1->ShowLineObject(kCursorY2, true);
    } else {
      Picture1->ShowLineObject(kCursorY1, false);
      Picture1->ShowLineObject(kCursorY2, false);
      Picture1->Line(0, CursorY1, 756, CursorY1, 0xC0FFC0);
      Picture1->Line(0, CursorY2, 756, CursorY2, 0xFFC0C0);
    }
  }
}

void Oscil::ServirCopias(PictureBox* target) {
  scope::Osciloscopio& o = *osciloscopio_;
  if (CopiarPantallaPedido) {
    o.CopiarPantallaTAlPortapapeles();  // PantallaTiempo: Picture1 as drawn just now
    target->SetBackColor(0x000000);
    ColoresDePantalla();
    CopiarPantallaPedido = false;
  }
  if (ImprimirPedido) {
    Imprimir(target);
    target->SetBackColor(0x000000);
    ColoresDePantalla();
    ImprimirPedido = false;
  }
  // The number copies are cleared by the drawing that serves them, like the
  // other requests (left set, they would copy again on every pass).
  if (CopiarCanal1Pedido) {
    o.CopiarCanal1AlPortapapeles();
    CopiarCanal1Pedido = false;
  }
  if (CopiarCanal2Pedido) {
    o.CopiarCanal2AlPortapapeles();
    CopiarCanal2Pedido = false;
  }
}

void Oscil::Imprimir(PictureBox* target) {
  std::unique_ptr<QPrinter> printer = options_.impresora ? options_.impresora() : DefaultPrinter();
  if (!printer) return;  // no printer: the request is dropped
  scope::Osciloscopio& o = *osciloscopio_;
  printer->setPageOrientation(QPageLayout::Landscape);
  QPainter painter;
  if (!painter.begin(printer.get())) return;
  gdi::PainterTarget page(&painter);
  gdi::Canvas canvas(&page);
  canvas.Scale(target->ScaleLeft(), target->ScaleTop(), target->ScaleLeft() + target->ScaleWidth(),
               target->ScaleTop() + 2 * target->ScaleHeight());
  imprime_grid(canvas);
  scope::DibujaTrazoImpresora(canvas, VectorCanal1, ColorCanal1, true);
  scope::DibujaTrazoImpresora(canvas, VectorCanal2, ColorCanal2, true);
  // Text block from a quarter of the width, three quarters down the page.
  const int w = page.Width(), h = page.Height();
  const int x = w / 4;
  const int linea = painter.fontMetrics().height();
  int y = h * 3 / 4;
  auto escribe = [&](COLORREF c, const std::string& texto) {
    painter.setPen(QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    y += linea;  // the empty line
    y += linea;
    painter.drawText(x, y, QString::fromStdString(texto));
  };
  escribe(ColorCanal1, "Gain C1: " + o.GananciaCanal1Texto());
  escribe(ColorCanal2, "Gain C2: " + o.GananciaCanal2Texto());
  escribe(0x000000, "Timebase : " + o.BaseDeTiemposActualTexto());
  painter.end();  // the page goes to the printer
}

}  // namespace orva::mainwindow
