#include "orva/localisation/qt_toolkit.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>

#include "orva/localisation/idioma.h"

using namespace orva::localisation;

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "loc_qt_tests";
  static char* argv[] = {name, nullptr};
  // Kept for the whole process and never destroyed: tearing an application
  // down among the exit-time destructors of Qt's own globals is unsafe.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// A small main window: labels, a button, a frame, a text box, a menu, the tab
// control and the tool bar, with Tags as a designer would set them.
struct Window {
  QApplication& app = App();  // first: widgets need the application
  std::unique_ptr<QWidget> w = std::make_unique<QWidget>();
  QLabel* label47 = nullptr;
  QLabel* label_empty = nullptr;
  QLabel* label_word = nullptr;
  QPushButton* button = nullptr;
  QGroupBox* frame = nullptr;
  QLineEdit* text = nullptr;
  QMenu* file_menu = nullptr;
  QAction* exit_item = nullptr;
  QTabWidget* tabs = nullptr;
  QToolBar* bar = nullptr;

  Window() {
    w->setWindowTitle("Oscil");
    auto* layout = new QVBoxLayout(w.get());
    auto* menubar = new QMenuBar(w.get());
    file_menu = menubar->addMenu("mnuArchivo");
    file_menu->setProperty("Tag", 42);
    exit_item = file_menu->addAction("mnuSalir");
    exit_item->setProperty("Tag", "40");
    layout->setMenuBar(menubar);

    bar = new QToolBar(w.get());
    bar->setObjectName("Toolbar1");
    for (const char* key : {"abrir", "guardar", "ayuda"}) {
      QAction* a = bar->addAction(key);
      a->setProperty("Key", key);
    }
    QAction* by_name = bar->addAction("c1-c2");
    by_name->setObjectName("c1-c2");  // found by object name when it has no Key
    auto* save_menu = new QMenu(w.get());
    save_menu->addAction("diskCanal1");
    save_menu->addSeparator();
    save_menu->addAction("diskCanal2");
    bar->actions()[1]->setMenu(save_menu);
    layout->addWidget(bar);

    frame = new QGroupBox("Frame1", w.get());
    frame->setProperty("Tag", "4");
    auto* inner = new QVBoxLayout(frame);
    label47 = new QLabel("Label1", frame);
    label47->setProperty("Tag", "47");
    inner->addWidget(label47);
    layout->addWidget(frame);

    label_empty = new QLabel("Label2", w.get());
    label_empty->setProperty("Tag", "");
    label_word = new QLabel("Label3", w.get());
    label_word->setProperty("Tag", "nivel");
    button = new QPushButton("Command1", w.get());
    button->setProperty("Tag", " 48 ");
    text = new QLineEdit("0.5", w.get());
    text->setProperty("Tag", "75");
    for (QWidget* c : {static_cast<QWidget*>(label_empty), static_cast<QWidget*>(label_word),
                       static_cast<QWidget*>(button), static_cast<QWidget*>(text)})
      layout->addWidget(c);

    tabs = new QTabWidget(w.get());
    tabs->setObjectName("SSTab1");
    for (const char* t : {"Tab 0", "Tab 1", "Tab 2"}) tabs->addTab(new QWidget, t);
    tabs->setCurrentIndex(2);
    layout->addWidget(tabs);
  }
};

}  // namespace

TEST(QtWindowTranslation, WholeWindowInEachLanguage) {
  Window win;
  orva::ui::QtForm form(win.w.get());

  traduce_formulario(form, kEnglish, "/opt/orvascope/bin");
  traduce_barra_de_herramientas(form, kEnglish);
  EXPECT_EQ(win.label47->text(), "Channel 1");
  EXPECT_EQ(win.button->text(), "Channel 2");
  EXPECT_EQ(win.frame->title(), "Coupling");
  EXPECT_EQ(win.file_menu->title(), "File");
  EXPECT_EQ(win.exit_item->text(), "Exit");
  EXPECT_EQ(win.label_empty->text(), "Label2");
  EXPECT_EQ(win.label_word->text(), "Label3");
  EXPECT_EQ(win.text->text(), "0.5") << "a text box keeps what the user typed";
  EXPECT_EQ(win.w->windowTitle(), "Oscil") << "the window itself is not one of its controls";
  EXPECT_EQ(win.tabs->currentIndex(), 0);
  EXPECT_EQ(win.tabs->tabText(0), "Measures");
  EXPECT_EQ(win.tabs->tabText(1), "Cursors");
  EXPECT_EQ(win.tabs->tabText(2), "Interpolation");
  const auto actions = win.bar->actions();
  EXPECT_EQ(actions[0]->toolTip(), "Load signal from disk");
  EXPECT_EQ(actions[1]->toolTip(), "Save signal to disk");
  EXPECT_EQ(actions[2]->toolTip(), "Help");
  EXPECT_EQ(actions[3]->toolTip(), "Channel1 - Channel2");
  const auto entries = actions[1]->menu()->actions();
  ASSERT_EQ(entries.size(), 3);
  EXPECT_EQ(entries[0]->text(), "Channel 1");
  EXPECT_TRUE(entries[1]->isSeparator());
  EXPECT_EQ(entries[2]->text(), "Channel 2");
  EXPECT_EQ(HelpFile(), "/opt/orvascope2.hlp");

  traduce_formulario(form, kFrench, "/opt/orvascope/bin");
  traduce_barra_de_herramientas(form, kFrench);
  EXPECT_EQ(win.label47->text(), "Voie 1");
  EXPECT_EQ(win.frame->title(), "Couplage");
  EXPECT_EQ(win.tabs->tabText(1), "Curseurs");
  EXPECT_EQ(actions[0]->toolTip(), "Charger signal depuis disque");
  EXPECT_EQ(entries[2]->text(), "Voie 2");

  traduce_formulario(form, kCatalan, "/opt/orvascope/bin");
  EXPECT_EQ(win.exit_item->text(), "Surt");
  EXPECT_EQ(win.tabs->tabText(2), "Interpolació");
  EXPECT_EQ(HelpFile(), "/opt/orvascope0.hlp");
}

TEST(QtWindowTranslation, ControlsComeInCreationOrderParentsFirst) {
  Window win;
  orva::ui::QtForm form(win.w.get());
  std::vector<std::string> tagged;
  for (orva::ui::Control* c : form.Controls())
    if (!c->Tag().empty()) tagged.push_back(c->Tag());
  EXPECT_EQ(tagged, (std::vector<std::string>{"42", "40", "4", "47", "nivel", " 48 ", "75"}));
  EXPECT_NE(form.FindTabControl("SSTab1"), nullptr);
  EXPECT_EQ(form.FindTabControl("SSTab2"), nullptr);
  EXPECT_EQ(form.FindToolbar("Toolbar2"), nullptr);
}

TEST(QtWindowTranslation, DialogCaptionAndErrorsThroughTheAdapter) {
  App();
  QWidget dialog;
  dialog.setProperty("Tag", "49");
  orva::ui::QtControl caption(&dialog);
  ASSERT_TRUE(caption.HasCaption());
  traduce_control(caption, kSpanish);
  EXPECT_EQ(dialog.windowTitle(), "Base de datos de señales");

  // A bad Tag reaches the caller and leaves later controls untranslated.
  Window win;
  win.button->setProperty("Tag", "188");
  orva::ui::QtForm form(win.w.get());
  EXPECT_THROW(traduce_formulario(form, kSpanish, "/x/bin"), orva::strings::ResourceNotFound);
  EXPECT_EQ(win.label47->text(), "Canal 1");
  EXPECT_EQ(win.text->text(), "0.5");
  EXPECT_EQ(win.tabs->tabText(0), "Tab 0");

  // The adapter outlives widgets it was given without touching freed memory.
  auto* gone = new QLabel("x");
  orva::ui::QtControl dangling(gone);
  delete gone;
  EXPECT_FALSE(dangling.HasCaption());
  dangling.SetCaption("y");
  EXPECT_EQ(dangling.Tag(), "");
}
