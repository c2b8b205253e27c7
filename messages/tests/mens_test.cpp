#include "mensajes/mens.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mensajes/mensaje.h"
#include "mensajes/textos.h"
#include "orva/localisation/idioma.h"
#include "orva/manager.h"

namespace fs = std::filesystem;
using orva::Mens;
using orva::hosting::ControlError;
using orva::hosting::PropertyBag;
using orva::hosting::PropertyValue;

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "messages_tests";
  static char* argv[] = {name, nullptr};
  // Kept for the whole process and never destroyed: tearing an application
  // down among the exit-time destructors of Qt's own globals is unsafe.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// What the message window showed, and how the test answered it.
struct Seen {
  bool shown = false;
  std::string line[2];
  std::string caption[3];
  std::string focus;
};

enum class Answer { kAccept = 0, kHelp = 1, kCancel = 2, kEscape, kClose };

// Waits (inside the modal loop of Init) for the message window, records it and
// answers it. Stops watching when destroyed, so nothing leaks into later tests.
class Responder {
 public:
  explicit Responder(Answer answer) {
    App();
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this, answer] {
      auto* w = dynamic_cast<orva::mensajes::Mensaje*>(QApplication::activeModalWidget());
      if (w == nullptr) return;
      timer_.stop();
      seen.shown = true;
      for (int i = 0; i < 2; ++i) seen.line[i] = w->Label1(i)->text().toStdString();
      for (int k = 0; k < 3; ++k) seen.caption[k] = w->SSCommand1(k)->text().toStdString();
      if (QWidget* f = w->focusWidget()) seen.focus = f->objectName().toStdString();
      switch (answer) {
        case Answer::kEscape: {
          QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
          QApplication::sendEvent(w, &esc);
          break;
        }
        case Answer::kClose:
          w->close();
          break;
        default:
          w->SSCommand1(static_cast<int>(answer))->click();
      }
    });
    timer_.start();
  }
  Seen seen;

 private:
  QTimer timer_;
};

// Answers "Language" with a fixed value.
class FixedManager : public orva::manager::Component {
 public:
  explicit FixedManager(PropertyValue language) : language_(std::move(language)) {}
  PropertyValue GetProperty(std::string_view name) const override {
    if (name == "Language") return language_;
    throw ControlError(438, "Object doesn't support this property or method");
  }

 private:
  PropertyValue language_;
};

class MensTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    original_ = orva::manager::RegisterComponent("okernel.MngI", orva::manager::DefaultManagerFactory());
    root_ = fs::temp_directory_path() /
            ("messages_tests_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "with_cal");
    fs::create_directories(root_ / "without_cal");
    fs::create_directories(root_ / "dir_named_cal" / "cal.dat");
    std::ofstream(root_ / "with_cal" / "cal.dat") << "1\n";
  }
  void TearDown() override {
    orva::manager::RegisterComponent("okernel.MngI", original_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  static void UseLanguage(PropertyValue language) {
    orva::manager::RegisterComponent("okernel.MngI", [language] {
      return std::unique_ptr<orva::manager::Component>(std::make_unique<FixedManager>(language));
    });
  }
  std::string Folder(const char* name) const { return (root_ / name).string(); }

  orva::manager::Factory original_;
  fs::path root_;
};

int ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ControlError& e) {
    return e.Number();
  }
  return 0;
}

const char* const kBoardNotFound[4] = {
    "No es troba la tarjeta. Error a la direcció d'E/S.",
    "No se encuentra la tarjeta. Error en la dirección de E/S.",
    "The card is not found. There's an error in I/O address.",
    "La carte est introuvable. Erreur dans l'adresse d'E/S.",
};
const char* const kCalibrationMissing[4] = {
    "Error. No es troba el fitxer de calibració de la tarjeta.",
    "Error. No se encuentra el fichero de calibración la tarjeta.",
    "Error. The card calibration file is not found.",
    "Erreur. Le fichier de calibration de la carte est introuvable.",
};
const char* const kDemoMode[4] = {"S'activarà el mode demo.", "Se activará el modo demo.",
                                  "Demo mode will be actived.", "Le mode démo sera activé."};
const char* const kButtons[4][3] = {{"Acceptar", "Ajuda", "Cancelar"},
                                    {"Aceptar", "Ayuda", "Cancelar"},
                                    {"Accept", "Help", "Cancel"},
                                    {"Accepter", "Aide", "Annuler"}};

}  // namespace

// ---------------------------------------------------------------------------
// Init and the message window

TEST_F(MensTest, BoardNotFoundInEachLanguageAndEveryButtonSetsEstado) {
  Mens mens;
  mens.SetPathFicheroCal(Folder("with_cal"));  // the address check comes first
  mens.SetCorrectaDireccionIO(0);
  for (int lang = 0; lang < 4; ++lang) {
    UseLanguage(std::int64_t{lang});
    for (Answer a : {Answer::kAccept, Answer::kHelp, Answer::kCancel}) {
      Responder r(a);
      mens.Init();
      ASSERT_TRUE(r.seen.shown);
      EXPECT_EQ(Mens::IdiomaActual(), lang);
      EXPECT_EQ(r.seen.line[0], kBoardNotFound[lang]);
      EXPECT_EQ(r.seen.line[1], kDemoMode[lang]);
      for (int k = 0; k < 3; ++k) EXPECT_EQ(r.seen.caption[k], kButtons[lang][k]) << lang << "/" << k;
      EXPECT_EQ(r.seen.focus, "Command1");
      EXPECT_EQ(mens.Estado(), static_cast<int>(a) + 1);
    }
  }
}

TEST_F(MensTest, CalibrationFileMissingShowsItsOwnMessage) {
  UseLanguage(std::int64_t{1});
  Mens mens;
  mens.SetCorrectaDireccionIO(1);
  mens.SetPathFicheroCal(Folder("without_cal"));
  {
    Responder r(Answer::kAccept);
    mens.Init();
    ASSERT_TRUE(r.seen.shown);
    EXPECT_EQ(r.seen.line[0], kCalibrationMissing[1]);
    EXPECT_EQ(r.seen.line[1], kDemoMode[1]);
    EXPECT_EQ(mens.Estado(), 1);
  }
  // The default folder "0" does not exist here; a folder called cal.dat is no file.
  for (const std::string& folder : {std::string("0"), Folder("dir_named_cal")}) {
    UseLanguage(std::int64_t{3});
    mens.SetPathFicheroCal(folder);
    Responder r(Answer::kCancel);
    mens.Init();
    ASSERT_TRUE(r.seen.shown) << folder;
    EXPECT_EQ(r.seen.line[0], kCalibrationMissing[3]);
    EXPECT_EQ(mens.Estado(), 3);
  }
}

TEST_F(MensTest, AllWellGivesEstadoTenWithoutAnyWindow) {
  Mens mens;
  std::vector<std::string> changes;
  mens.SetPropertyChangedHandler([&](std::string_view p) { changes.emplace_back(p); });
  mens.SetCorrectaDireccionIO(1);
  for (const std::string& folder : {Folder("with_cal"), Folder("with_cal") + "/", Folder("with_cal") + "\\"}) {
    mens.SetEstado(0);
    mens.SetPathFicheroCal(folder);
    Responder r(Answer::kAccept);
    mens.Init();
    EXPECT_FALSE(r.seen.shown) << folder;
    EXPECT_EQ(mens.Estado(), 10) << folder;
  }
  EXPECT_EQ(changes.front(), "CorrectaDireccionIO");
  EXPECT_EQ(changes.back(), "Estado") << "the outcome is reported to the host";
  // No text is needed then, so even a language without texts gets through.
  UseLanguage(std::int64_t{7});
  mens.SetEstado(0);
  mens.Init();
  EXPECT_EQ(mens.Estado(), 10);
}

TEST_F(MensTest, EscapeOrClosingTheWindowCountsAsCancel) {
  UseLanguage(std::int64_t{2});
  Mens mens;
  mens.SetCorrectaDireccionIO(0);
  for (Answer a : {Answer::kEscape, Answer::kClose}) {
    mens.SetEstado(0);
    Responder r(a);
    mens.Init();
    ASSERT_TRUE(r.seen.shown);
    EXPECT_EQ(mens.Estado(), 3);
  }
}

TEST_F(MensTest, ManagerAndLanguageFailuresReachTheHostWithoutAWindow) {
  Mens mens;
  mens.SetCorrectaDireccionIO(0);
  mens.SetEstado(0);
  Responder r(Answer::kAccept);

  orva::manager::UnregisterComponent("okernel.MngI");
  EXPECT_EQ(ErrorNumberOf([&] { mens.Init(); }), 429);

  for (std::int64_t bad : {std::int64_t{4}, std::int64_t{-1}, std::int64_t{70000}}) {
    UseLanguage(bad);
    EXPECT_EQ(ErrorNumberOf([&] { mens.Init(); }), 326) << bad;
  }
  UseLanguage(std::string("English"));
  EXPECT_EQ(ErrorNumberOf([&] { mens.Init(); }), 13);
  EXPECT_FALSE(r.seen.shown);
  EXPECT_EQ(mens.Estado(), 0);
}

TEST_F(MensTest, TheBuiltInManagerFollowsTheUserSetting) {
  const char* saved = std::getenv("ORVA_LANGUAGE");
  const std::optional<std::string> keep = saved ? std::optional<std::string>(saved) : std::nullopt;
  setenv("ORVA_LANGUAGE", "fr", 1);
  Mens mens;
  mens.SetCorrectaDireccionIO(0);
  Responder r(Answer::kHelp);
  mens.Init();
  if (keep) setenv("ORVA_LANGUAGE", keep->c_str(), 1);
  else unsetenv("ORVA_LANGUAGE");
  EXPECT_EQ(r.seen.line[0], kBoardNotFound[3]);
  EXPECT_EQ(mens.Estado(), 2);
}

// ---------------------------------------------------------------------------
// Properties and persistence

TEST_F(MensTest, PropertiesPersistPerInstanceWhileStateIsLibraryWide) {
  Mens a;
  PropertyBag empty;
  a.SetCorrectaDireccionIO(0);
  a.SetEstado(0);
  a.SetPathFicheroCal("0");
  a.WriteProperties(empty);
  EXPECT_EQ(empty.Size(), 0u) << "defaults are not stored";

  a.SetPathFicheroCal(Folder("without_cal"));
  a.SetEstado(3);
  a.SetCorrectaDireccionIO(PropertyValue(std::string("True")));
  PropertyBag saved;
  a.WriteProperties(saved);
  EXPECT_EQ(saved.Keys(), (std::vector<std::string>{"PathFicheroCal", "Estado", "CorrectaDireccionIO"}));
  EXPECT_EQ(saved.ReadString("CorrectaDireccionIO", ""), "True");

  // Another instance shares the outcome read by Estado.
  Mens b;
  EXPECT_EQ(b.Estado(), 3);
  b.SetEstado(2);
  EXPECT_EQ(a.Estado(), 2);

  // Restoring fills the instance only: the saved "address correct" does not
  // count until the host sets it again.
  a.SetCorrectaDireccionIO(0);
  Mens restored;
  restored.ReadProperties(saved);
  EXPECT_EQ(restored.PathFicheroCal(), Folder("without_cal"));
  EXPECT_EQ(std::get<std::string>(restored.CorrectaDireccionIO()), "True");
  EXPECT_EQ(restored.Estado(), 2) << "the getter answers the library-wide value";
  PropertyBag again;
  restored.WriteProperties(again);
  EXPECT_EQ(again.ReadInt("Estado", 0), 3) << "while the instance keeps its own for saving";

  UseLanguage(std::int64_t{2});
  {
    Responder r(Answer::kAccept);
    restored.Init();
    EXPECT_EQ(r.seen.line[0], kBoardNotFound[2]);
  }
  restored.SetCorrectaDireccionIO(restored.CorrectaDireccionIO());
  {
    Responder r(Answer::kAccept);
    restored.Init();
    EXPECT_EQ(r.seen.line[0], kCalibrationMissing[2]);
  }
}

TEST_F(MensTest, CorrectaDireccionIOAcceptsNumbersAndTruthWordsOnly) {
  UseLanguage(std::int64_t{2});
  Mens mens;
  mens.SetPathFicheroCal(Folder("with_cal"));
  auto outcome_for = [&](const PropertyValue& v) {
    mens.SetCorrectaDireccionIO(v);
    mens.SetEstado(0);
    Responder r(Answer::kCancel);
    mens.Init();
    return mens.Estado();
  };
  EXPECT_EQ(outcome_for(std::int64_t{-1}), 10);
  EXPECT_EQ(outcome_for(2.5), 10);
  EXPECT_EQ(outcome_for(std::string(" 1 ")), 10);
  EXPECT_EQ(outcome_for(std::string("true")), 10);
  EXPECT_EQ(outcome_for(std::int64_t{0}), 3);
  EXPECT_EQ(outcome_for(0.0), 3);
  EXPECT_EQ(outcome_for(std::string("False")), 3);

  mens.SetCorrectaDireccionIO(1);
  EXPECT_EQ(ErrorNumberOf([&] { mens.SetCorrectaDireccionIO(PropertyValue(std::string("yes"))); }), 13);
  EXPECT_EQ(std::get<std::int64_t>(mens.CorrectaDireccionIO()), 1) << "a refused value changes nothing";
  mens.SetEstado(0);
  mens.Init();
  EXPECT_EQ(mens.Estado(), 10);
}

// ---------------------------------------------------------------------------
// The control's own copy of the texts

TEST(MessagesTable, SameTextsAsTheProgramExceptFiveFrenchOnes) {
  const std::vector<std::pair<int, const char*>> french = {
      {10, "Décl. externe"},
      {128, "Période d'échantillonnage"},
      {129, "Nombre d'échantillons"},
      {169, "Accoup. C1"},
      {170, "Accoup. C2"},
  };
  int differences = 0;
  for (int lang = 0; lang < 4; ++lang) {
    for (int id = 1; id <= 187; ++id) {
      const std::int64_t entry = lang * 1000 + id;
      if (id == 20 || id > 184) {
        EXPECT_FALSE(orva::mensajes::Tabla().Contains(entry)) << entry;
        continue;
      }
      const std::string_view own = orva::mensajes::Texto(id, lang);
      const std::string_view program = orva::localisation::Text(id, lang);
      if (own != program) ++differences;
      bool overridden = false;
      for (const auto& [fid, text] : french) {
        if (lang == 3 && id == fid) {
          overridden = true;
          EXPECT_EQ(own, text);
        }
      }
      if (!overridden) {
        EXPECT_EQ(own, program) << entry;
      }
    }
  }
  EXPECT_EQ(differences, 5);
  EXPECT_EQ(orva::mensajes::Tabla().Size(), 4u * 183u);
  EXPECT_THROW((void)orva::mensajes::Texto(185, 2), orva::strings::ResourceNotFound);
  EXPECT_THROW((void)orva::mensajes::Texto(1137, 0), orva::strings::ResourceNotFound);
}
