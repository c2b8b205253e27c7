// Controls that move the way they look and show what they do: the level bar
// from the keyboard, the wheel and the mouse, widening on a small screen, the
// frozen view's tag, and the program's other windows on a small screen.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include <functional>

#include "orva/mainwindow/ayuda.h"
#include "window_fixture.h"

namespace orva::mainwindow::testing {
namespace {

using Controls = WindowTest;

// Where a part of the level bar is on the screen, as its style draws it.
QPoint Parte(QScrollBar* b, QStyle::SubControl parte) {
  QStyleOptionSlider o;
  o.initFrom(b);
  o.orientation = Qt::Vertical;
  o.minimum = b->minimum();
  o.maximum = b->maximum();
  o.sliderPosition = o.sliderValue = b->value();
  o.singleStep = b->singleStep();
  o.pageStep = b->pageStep();
  o.upsideDown = b->invertedAppearance();
  return b->style()->subControlRect(QStyle::CC_ScrollBar, &o, parte, b).center();
}

TEST_F(Controls, LevelBarRisesForEveryWayOfMovingItUp) {
  QScrollBar* b = w->VScroll3;
  b->resize(b->width(), 300);
  auto rueda = [b](int delta) {
    QWheelEvent e(QPointF(b->width() / 2.0, 150), b->mapToGlobal(QPointF(b->width() / 2.0, 150)),
                  QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                  false);
    QApplication::sendEvent(b, &e);
  };
  auto clic = [b](QStyle::SubControl parte) {
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, Parte(b, parte));
  };
  struct Gesto {
    const char* nombre;
    std::function<void()> arriba, abajo;
  };
  const Gesto gestos[] = {
      {"arrow keys", [b] { QTest::keyClick(b, Qt::Key_Up); }, [b] { QTest::keyClick(b, Qt::Key_Down); }},
      {"page keys", [b] { QTest::keyClick(b, Qt::Key_PageUp); },
       [b] { QTest::keyClick(b, Qt::Key_PageDown); }},
      {"wheel", [&] { rueda(120); }, [&] { rueda(-120); }},
      {"arrows", [&] { clic(QStyle::SC_ScrollBarSubLine); }, [&] { clic(QStyle::SC_ScrollBarAddLine); }},
      {"groove", [&] { clic(QStyle::SC_ScrollBarSubPage); }, [&] { clic(QStyle::SC_ScrollBarAddPage); }},
      {"drag",
       [&] {
         const QPoint p = Parte(b, QStyle::SC_ScrollBarSlider);
         QTest::mousePress(b, Qt::LeftButton, Qt::NoModifier, p);
         QTest::mouseMove(b, p - QPoint(0, 40));
         QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, p - QPoint(0, 40));
       },
       [&] {
         const QPoint p = Parte(b, QStyle::SC_ScrollBarSlider);
         QTest::mousePress(b, Qt::LeftButton, Qt::NoModifier, p);
         QTest::mouseMove(b, p + QPoint(0, 40));
         QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, p + QPoint(0, 40));
       }},
  };
  b->setFocus();
  // The thumb of a higher level sits higher on the screen.
  EXPECT_LT(Parte(b, QStyle::SC_ScrollBarSubLine).y(), Parte(b, QStyle::SC_ScrollBarAddLine).y());
  for (const Gesto& g : gestos) {
    b->setValue(128);
    const int alto_pulgar = Parte(b, QStyle::SC_ScrollBarSlider).y();
    g.arriba();
    EXPECT_GT(O().Nivel(), 128) << g.nombre << " up";
    EXPECT_EQ(b->value(), O().Nivel()) << g.nombre;
    EXPECT_LT(Parte(b, QStyle::SC_ScrollBarSlider).y(), alto_pulgar) << g.nombre;
    b->setValue(128);
    g.abajo();
    EXPECT_LT(O().Nivel(), 128) << g.nombre << " down";
  }
}

TEST_F(Controls, FreezeShowsItsTagOnTheScreenButNotInACopy) {
  w->Command1_Click();
  w->Timer2->stop();
  QAction* foto = w->ToolbarButton("foto");
  foto->trigger();  // pressed: the loop stops after this pass
  ASSERT_TRUE(foto->isChecked());
  auto* boton = qobject_cast<QToolButton*>(w->Toolbar1->widgetForAction(foto));
  ASSERT_NE(boton, nullptr);
  EXPECT_TRUE(boton->isChecked());  // and stays pressed
  EXPECT_FALSE(w->Foto->isHidden());
  EXPECT_EQ(w->Foto->text(), "FOTO");  // the window's language, Spanish
  // Wholly inside the time view, in its lower left corner.
  EXPECT_TRUE(w->Picture1->rect().contains(w->Foto->geometry()));
  EXPECT_GT(w->Foto->y(), w->Picture1->height() / 2);
  // The screen shows the tag; the copy, made from the picture, does not.
  w->CopiarPantallaPedido = true;
  w->Timer1_Timer();  // the frozen redraw serves it
  const QRgb etiqueta = qRgb(0xc0, 0, 0);
  auto cuenta = [etiqueta](const QImage& i) {
    int n = 0;
    for (int y = 0; y < i.height(); ++y)
      for (int x = 0; x < i.width(); ++x) n += (i.pixel(x, y) | 0xFF000000u) == etiqueta;
    return n;
  };
  EXPECT_GT(cuenta(w->Picture1->grab().toImage()), 20);
  ASSERT_FALSE(clipboard->picture.isNull());
  EXPECT_EQ(cuenta(clipboard->picture), 0);
  // Off is not frozen.
  w->Command1_Click();
  EXPECT_TRUE(w->Foto->isHidden());
}

TEST_F(Controls, HelpWindowFitsTheScreenItOpensOn) {
  w->AbreAyuda();
  ASSERT_NE(w->Ayuda(), nullptr);
  QApplication::processEvents();
  const QRect pantalla = w->Ayuda()->screen()->availableGeometry();
  EXPECT_TRUE(pantalla.contains(w->Ayuda()->geometry()))
      << w->Ayuda()->geometry().height() << " on " << pantalla.height();
  w->Ayuda()->close();
}

}  // namespace
}  // namespace orva::mainwindow::testing
