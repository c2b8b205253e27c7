// Recording and statistics in the window: the record button through the
// file dialog, the rows against the readouts shown at each pass, the
// statistics' tool tips and resets, a recording that cannot start, and the
// time cursors' 1/dt.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "orva/file_dialog.h"
#include "orva/mainwindow/textos_ventana.h"
#include "orva/scope/readouts.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

// Whether the tool bar shows the indicator (the bar may move it into its
// overflow menu on a narrow window; the action tells).
bool IndicatorShown(Oscil& w) {
  for (QAction* a : w.Toolbar1->actions())
    if (auto* wa = qobject_cast<QWidgetAction*>(a); wa && wa->defaultWidget() == w.IndicadorDeGrabacion)
      return wa->isVisible();
  return false;
}

std::vector<std::vector<std::string>> CsvRows(const std::string& file) {
  std::ifstream in(file);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream s(line);
    std::string field;
    while (std::getline(s, field, ',')) f.push_back(field);
    if (!line.empty() && line.back() == ',') f.emplace_back();
    rows.push_back(f);
  }
  return rows;
}

// The readout text a recorded field stands for; an empty field is a
// measurement without a value: the readout then shows zero.
std::string AsReadout(int i, const std::string& field) {
  const float v = field.empty() ? 0.0f : std::stof(field);
  switch (i % 4) {
    case 2: return scope::FormatoFrecuencia(v);
    case 3: return scope::FormatoTiempo(v);
    default: return scope::FormatoVoltios(v);
  }
}

class Recording : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    scope::SetDecimalSeparator('.');
    OscilOptions options;
    options.instrumento = std::make_unique<scope::Osciloscopio>(
        std::make_unique<FakeBoard>(std::make_shared<Board>()), [] { return 100.0; });
    options.dialogo = dialog;
    w = std::make_unique<Oscil>(std::move(options));
    w->show();
    w->Form_Load();
    w->Command1_Click();  // demonstration mode: two sines
    w->Timer1->stop();
    w->Timer2->stop();
  }
  void TearDown() override {
    w->BucleActivo = false;
    w.reset();
    scope::ResetDecimalSeparator();
  }
  // Passes, each followed by the texts its readouts show.
  std::vector<std::vector<std::string>> Passes(int n) {
    std::vector<std::vector<std::string>> shown;
    for (int k = 0; k < n; ++k) {
      w->BuclePrincipal();
      std::vector<std::string> t;
      for (int i = 0; i < 8; ++i) t.push_back(w->datos(i)->text().toStdString());
      shown.push_back(t);
    }
    return shown;
  }

  QTemporaryDir dir;
  std::shared_ptr<filedialog::AnsweringDialog> dialog = std::make_shared<filedialog::AnsweringDialog>();
  std::unique_ptr<Oscil> w;
};

TEST_F(Recording, TheButtonRecordsOneRowPerCaptureWithTheValuesTheReadoutsShowed) {
  const std::string file = dir.filePath("m.csv").toStdString();
  dialog->Answer(file);
  w->BuclePrincipal();  // arms the first capture
  QAction* grabar = w->ToolbarButton("grabar");
  ASSERT_NE(grabar, nullptr);
  grabar->trigger();
  ASSERT_TRUE(w->Grabando());
  ASSERT_EQ(dialog->Requests().size(), 1u);
  EXPECT_EQ(dialog->Requests()[0].default_extension, "csv");
  EXPECT_TRUE(w->Aviso->text().contains(QString::fromStdString(file)));
  const auto shown = Passes(40);
  // The writer thread writes them meanwhile; the indicator counts the written rows.
  for (int k = 0; k < 1000 && w->Grabacion()->RowsWritten() < 40; ++k) QThread::msleep(10);
  w->MuestraGrabacion();
  EXPECT_TRUE(IndicatorShown(*w));
  EXPECT_TRUE(w->IndicadorDeGrabacion->text().contains("40")) << w->IndicadorDeGrabacion->text().toStdString();
  EXPECT_FALSE(w->LimiteGrabacion->isEnabled());
  grabar->trigger();  // released: stops
  EXPECT_FALSE(w->Grabando());
  EXPECT_FALSE(grabar->isChecked());
  EXPECT_FALSE(IndicatorShown(*w));
  EXPECT_TRUE(w->Aviso->text().contains("(40 ")) << w->Aviso->text().toStdString();

  const auto rows = CsvRows(file);
  ASSERT_EQ(rows.size(), 40u);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    ASSERT_EQ(rows[k].size(), 13u);
    EXPECT_EQ(rows[k][2], "2e-07");  // 200 ns/div
    EXPECT_EQ(rows[k][3], "5");      // 5 V/div
    for (int i = 0; i < 8; ++i)
      EXPECT_EQ(AsReadout(i, rows[k][5 + static_cast<std::size_t>(i)]), shown[k][static_cast<std::size_t>(i)])
          << "row " << k << " readout " << i;
  }
  // The statistics counted the same captures: channel 1's peak-to-peak mean
  // is the mean of its column.
  double sum = 0;
  for (const auto& r : rows) sum += std::stod(r[5]);
  EXPECT_EQ(w->Estadisticas()[0].Count(), 40u);
  EXPECT_NEAR(w->Estadisticas()[0].Mean(), sum / 40, 1e-6);
  EXPECT_TRUE(w->datos(0)->toolTip().contains("40")) << w->datos(0)->toolTip().toStdString();

  // A cancelled dialog records nothing and leaves the button up.
  dialog->Cancel();
  grabar->trigger();
  EXPECT_FALSE(grabar->isChecked());
  EXPECT_FALSE(w->Grabando());
}

TEST_F(Recording, StatisticsStartAfreshOnTheButtonAndOnAGainOrTimebaseStep) {
  Passes(6);
  ASSERT_EQ(w->Estadisticas()[0].Count(), 5u);  // the first pass only arms
  w->ReiniciaEstadisticasBoton->click();
  EXPECT_EQ(w->Estadisticas()[0].Count(), 0u);
  w->MuestraGrabacion();
  EXPECT_EQ(w->datos(0)->toolTip(), w->TextoDeEstadistica(0));
  EXPECT_TRUE(w->TextoDeEstadistica(0).startsWith(TextoPropio(kTextoMedidaVpp, 1).arg(1)));
  Passes(3);
  ASSERT_EQ(w->Estadisticas()[4].Count(), 3u);
  w->SSCommand4_Click(0);  // channel 1 less sensitive
  Passes(1);
  EXPECT_EQ(w->Estadisticas()[4].Count(), 1u);
  w->SSCommand2_Click(1);  // slower timebase: counts once the capture at it is read
  Passes(3);
  EXPECT_LE(w->Estadisticas()[4].Count(), 2u);
}

TEST_F(Recording, ARecordingThatCannotStartSaysWhyAndLeavesTheButtonUp) {
  for (const std::string& file : {dir.filePath("no/such/m.csv").toStdString(), std::string("/dev/full")}) {
    const storage::Outcome r = w->IniciaGrabacion(file);
    EXPECT_FALSE(r.Done()) << file;
    EXPECT_FALSE(w->Grabando());
    EXPECT_FALSE(w->ToolbarButton("grabar")->isChecked());
    EXPECT_TRUE(w->Aviso->text().startsWith(TextoPropio(kTextoNoSeGraba, 1).arg(QString::fromStdString(file), "")))
        << w->Aviso->text().toStdString();
  }
}

TEST_F(Recording, TheSizeLimitStopsTheRecordingByItselfWithAMessage) {
  w->LimiteGrabacion->setValue(1);
  const std::string file = dir.filePath("m.csv").toStdString();
  ASSERT_TRUE(w->IniciaGrabacion(file).Done());
  // About 11000 rows fill a megabyte; the passes run until the recorder says so.
  for (int k = 0; k < 40000 && w->Grabando(); ++k) w->BuclePrincipal();
  w->MuestraGrabacion();
  EXPECT_FALSE(w->ToolbarButton("grabar")->isChecked());
  EXPECT_TRUE(w->LimiteGrabacion->isEnabled());
  EXPECT_TRUE(w->Aviso->text().contains(TextoPropio(kTextoLimiteAlcanzado, 1).arg(1)))
      << w->Aviso->text().toStdString();
  ASSERT_NE(w->Grabacion(), nullptr);
  EXPECT_EQ(CsvRows(file).size(), w->Grabacion()->RowsWritten());
  EXPECT_LE(w->Grabacion()->BytesWritten(), 1u << 20);
}

TEST_F(Recording, OneOverTheTimeCursorsDifferenceInTheFrequencyFormat) {
  w->SSCheck2(0)->setChecked(true);
  struct Case {
    double x1, x2;
    const char* f;
  };
  // 200 ns/div: 128 million display samples a second.
  const Case cases[] = {
      {256, 512, "500.00 KHz"},  // 256 samples
      {300, 274.4, "4.92 MHz"},  // 26 samples, either order
      {400, 400.3, ""},          // no difference: empty
  };
  for (const Case& c : cases) {
    w->ColocaCursores(c.x1, c.x2, 192, 64);
    EXPECT_EQ(w->InversoCursores->text().toStdString(), c.f) << c.x1 << " " << c.x2;
  }
  w->ColocaCursores(256, 512, 192, 64);
  w->SSCheck2(0)->setChecked(false);
  EXPECT_TRUE(w->InversoCursores->text().isEmpty());
}

}  // namespace
}  // namespace orva::mainwindow::testing
