// What a user sees of the window in each language: no text of another
// language's tables, no caption cut at 1280 x 720, and every tool bar button
// with a picture that draws.
#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QScrollBar>
#include <QToolButton>
#include <QWidgetAction>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "orva/localisation/idioma.h"
#include "orva/mainwindow/textos_ventana.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Every text of a language: the program's table and the window's own.
std::set<QString> Tabla(int idioma) {
  std::set<QString> t;
  for (int id = 1; id <= 999; ++id) {
    try {
      t.insert(Q(localisation::Text(id, idioma)));
    } catch (const std::exception&) {
    }
    try {
      t.insert(Q(TextoDeVentana(id, idioma)));
    } catch (const std::exception&) {
    }
  }
  return t;
}

struct Shown {
  QString text;
  QString where;
};

// The texts of every visible control, its tool tip and the tool bar's and
// menus' entries.
std::vector<Shown> TextosVisibles(Oscil& w) {
  std::vector<Shown> r;
  auto add = [&r](const QString& t, const QObject* o) {
    if (!t.trimmed().isEmpty()) r.push_back({t, o->objectName()});
  };
  for (QWidget* c : w.findChildren<QWidget*>()) {
    if (!c->isVisible()) continue;
    add(c->toolTip(), c);
    if (auto* l = qobject_cast<QLabel*>(c)) add(l->text(), c);
    if (auto* b = qobject_cast<QAbstractButton*>(c)) add(b->text(), c);
    if (auto* g = qobject_cast<QGroupBox*>(c)) add(g->title(), c);
    if (auto* e = qobject_cast<QLineEdit*>(c)) add(e->placeholderText(), c);
  }
  for (QAction* a : w.findChildren<QAction*>()) {
    if (a->isSeparator()) continue;
    add(a->text(), a);
    add(a->toolTip(), a);
  }
  return r;
}

std::unique_ptr<Oscil> Ventana(const char* idioma) {
  App();
  setenv("ORVA_LANGUAGE", idioma, 1);
  OscilOptions options;
  options.instrumento = std::make_unique<scope::Osciloscopio>(
      std::make_unique<FakeBoard>(std::make_shared<Board>()), [] { return 0.0; });
  auto w = std::make_unique<Oscil>(std::move(options));
  w->Form_Load();
  unsetenv("ORVA_LANGUAGE");
  w->Timer2->stop();
  w->resize(1280, 720);
  w->show();
  QApplication::processEvents();
  return w;
}

TEST(Languages, EachLanguageShowsNoTextOfAnotherAndCutsNoCaption) {
  const char* codigos[] = {"ca", "es", "en", "fr"};
  std::vector<std::set<QString>> tablas;
  for (int l = 0; l < 4; ++l) tablas.push_back(Tabla(l));
  for (int l = 0; l < 4; ++l) {
    SCOPED_TRACE(codigos[l]);
    std::unique_ptr<Oscil> w = Ventana(codigos[l]);
    ASSERT_EQ(ProgramaGlobal().IdiomaActual, l);
    // The trigger level's label shows from the first level change on.
    w->VScroll3->setValue(w->VScroll3->value() == 200 ? 201 : 200);
    w->Disparo->show();
    QApplication::processEvents();
    for (const Shown& s : TextosVisibles(*w)) {
      if (tablas[l].count(s.text) != 0) continue;  // the language's own (or shared) text
      for (int m = 0; m < 4; ++m)
        EXPECT_EQ(tablas[m].count(s.text), 0u)
            << "\"" << s.text.toStdString() << "\" (" << s.where.toStdString() << ") is language " << m;
    }
    // Every caption is shown whole (the two status lines carry theirs whole
    // in their tool tips).
    for (QLabel* c : w->findChildren<QLabel*>()) {
      if (!c->isVisible() || c->wordWrap() || c == w->Aviso || c == w->EstadoDelEnlace) continue;
      EXPECT_GE(c->contentsRect().width(), c->fontMetrics().horizontalAdvance(c->text()))
          << c->objectName().toStdString() << " cuts \"" << c->text().toStdString() << "\"";
      EXPECT_TRUE(c->parentWidget()->rect().contains(c->geometry()))
          << c->objectName().toStdString() << " reaches out of its panel: \"" << c->text().toStdString() << "\"";
    }
    for (QLineEdit* e : w->findChildren<QLineEdit*>()) {
      if (!e->isVisible() || e->placeholderText().isEmpty()) continue;
      EXPECT_GE(e->width() - 12, e->fontMetrics().horizontalAdvance(e->placeholderText()))
          << e->objectName().toStdString() << " cuts \"" << e->placeholderText().toStdString() << "\"";
    }
    for (QGroupBox* g : w->findChildren<QGroupBox*>()) {
      if (!g->isVisible() || g->title().isEmpty()) continue;
      EXPECT_GE(g->width(), g->fontMetrics().horizontalAdvance(g->title()))
          << "group cuts \"" << g->title().toStdString() << "\"";
    }
  }
}

// Pixels a picture draws at the bar's size.
int Drawn(const QIcon& icon) {
  const QImage img = icon.pixmap(QSize(20, 20)).toImage().convertToFormat(QImage::Format_ARGB32);
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += qAlpha(img.pixel(x, y)) != 0;
  return n;
}

TEST(Languages, EveryToolBarButtonDrawsItsPicture) {
  std::unique_ptr<Oscil> w = Ventana("es");
  int buttons = 0;
  for (QAction* a : w->Toolbar1->actions()) {
    // The recording's indicator and size limit are widgets, not buttons.
    if (a->isSeparator() || qobject_cast<QWidgetAction*>(a) != nullptr) continue;
    ++buttons;
    EXPECT_GT(Drawn(a->icon()), 20) << a->objectName().toStdString() << " draws no picture";
    auto* b = qobject_cast<QToolButton*>(w->Toolbar1->widgetForAction(a));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonIconOnly);
  }
  EXPECT_EQ(buttons, 20);
  EXPECT_GT(Drawn(w->Calibracion->icon()), 20);
  // A picture that cannot be drawn gives way to the button's words.
  w->ToolbarButton("abrir")->setIcon(QIcon(QStringLiteral("/nowhere/none.svg")));
  w->MuestraTextoSinIcono();
  auto* abrir = qobject_cast<QToolButton*>(w->Toolbar1->widgetForAction(w->ToolbarButton("abrir")));
  EXPECT_EQ(abrir->toolButtonStyle(), Qt::ToolButtonTextOnly);
  EXPECT_EQ(abrir->text().toStdString(), "Abrir");
}

}  // namespace
}  // namespace orva::mainwindow::testing
