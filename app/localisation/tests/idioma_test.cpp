#include "orva/localisation/idioma.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace orva::localisation;
using orva::strings::ResourceNotFound;

namespace {

// A window of plain objects, recording what the language module does to it.
class FakeControl : public orva::ui::Control {
 public:
  FakeControl(std::string name, std::string tag, std::string caption, bool has_caption = true)
      : name_(std::move(name)), tag_(std::move(tag)), caption_(std::move(caption)), has_caption_(has_caption) {}
  std::string Name() const override { return name_; }
  std::string Tag() const override { return tag_; }
  bool HasCaption() const override { return has_caption_; }
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& text) override {
    if (has_caption_) caption_ = text;
  }

 private:
  std::string name_, tag_, caption_;
  bool has_caption_;
};

class FakeTabs : public orva::ui::TabControl {
 public:
  explicit FakeTabs(int count) : titles(static_cast<std::size_t>(count), "SSTab") {}
  int TabCount() const override { return static_cast<int>(titles.size()); }
  int CurrentTab() const override { return current; }
  void SetCurrentTab(int index) override {
    if (index >= 0 && index < TabCount()) current = index;
    selections.push_back(index);
  }
  std::string CurrentTabCaption() const override { return titles[static_cast<std::size_t>(current)]; }
  void SetCurrentTabCaption(const std::string& text) override { titles[static_cast<std::size_t>(current)] = text; }
  std::vector<std::string> titles;
  int current = 0;
  std::vector<int> selections;
};

class FakeToolbar : public orva::ui::Toolbar {
 public:
  struct Button {
    std::string tip;
    std::vector<std::string> menu;
  };
  bool HasButton(std::string_view key) const override { return buttons.count(std::string(key)) != 0; }
  std::string ToolTip(std::string_view key) const override { return buttons.at(std::string(key)).tip; }
  void SetToolTip(std::string_view key, const std::string& text) override {
    buttons.at(std::string(key)).tip = text;
    log.push_back(std::string(key) + "/0");
  }
  int MenuCount(std::string_view key) const override {
    return static_cast<int>(buttons.at(std::string(key)).menu.size());
  }
  std::string MenuText(std::string_view key, int entry) const override {
    return buttons.at(std::string(key)).menu.at(static_cast<std::size_t>(entry - 1));
  }
  void SetMenuText(std::string_view key, int entry, const std::string& text) override {
    buttons.at(std::string(key)).menu.at(static_cast<std::size_t>(entry - 1)) = text;
    log.push_back(std::string(key) + "/" + std::to_string(entry));
  }
  std::map<std::string, Button> buttons;
  std::vector<std::string> log;
};

class FakeForm : public orva::ui::Form {
 public:
  FakeControl& Add(std::string name, std::string tag, std::string caption, bool has_caption = true) {
    controls.push_back(std::make_unique<FakeControl>(std::move(name), std::move(tag), std::move(caption), has_caption));
    return *controls.back();
  }
  std::vector<orva::ui::Control*> Controls() override {
    std::vector<orva::ui::Control*> out;
    for (auto& c : controls) out.push_back(c.get());
    return out;
  }
  orva::ui::TabControl* FindTabControl(std::string_view name) override {
    return (tabs && name == "SSTab1") ? tabs.get() : nullptr;
  }
  orva::ui::Toolbar* FindToolbar(std::string_view name) override {
    return (toolbar && name == "Toolbar1") ? toolbar.get() : nullptr;
  }
  std::vector<std::unique_ptr<FakeControl>> controls;
  std::unique_ptr<FakeTabs> tabs;
  std::unique_ptr<FakeToolbar> toolbar;
};

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

}  // namespace

// ---------------------------------------------------------------------------
// The table itself

TEST(LanguageTable, EveryIdentifierHasACleanTextInAllFourLanguages) {
  for (int lang = 0; lang < 4; ++lang) {
    for (int id = 1; id <= 187; ++id) {
      const std::int64_t entry = lang * 1000 + id;
      if (id == 20) {
        EXPECT_FALSE(Table().Contains(entry)) << "identifier 20 has no text";
        continue;
      }
      ASSERT_TRUE(Table().Contains(entry)) << "missing entry " << entry;
      const std::string_view text = Table().LoadResString(entry);
      EXPECT_FALSE(text.empty()) << entry;
      EXPECT_FALSE(orva::strings::IsPadded(text)) << entry << " '" << text << "'";
      EXPECT_TRUE(orva::strings::IsValidUtf8(text)) << entry;
      EXPECT_EQ(text.find_first_of("\t\r\n"), std::string_view::npos) << entry;
    }
  }
  // Nothing beyond: four blocks of 186 texts.
  EXPECT_EQ(Table().Size(), 4u * 186u);
  for (const auto& e : Table()) {
    EXPECT_GE(e.number % 1000, 1);
    EXPECT_LE(e.number % 1000, 187);
    EXPECT_LT(e.number / 1000, 4);
  }
}

TEST(LanguageTable, TranslationsKeepTrailingColonsQuestionsAndEllipses) {
  // What a text ends in is part of how the window uses it (a label before a box,
  // a question before Yes/No, a progress message), so every language agrees.
  for (int id = 1; id <= 187; ++id) {
    if (id == 20) continue;
    const std::string_view en = Text(id, kEnglish);
    for (int lang : {kCatalan, kSpanish, kFrench}) {
      const std::string_view t = Text(id, lang);
      EXPECT_EQ(EndsWith(t, ":"), EndsWith(en, ":")) << id << " " << t;
      EXPECT_EQ(EndsWith(t, "?"), EndsWith(en, "?")) << id << " " << t;
      EXPECT_EQ(EndsWith(t, "..."), EndsWith(en, "...")) << id << " " << t;
    }
  }
}

TEST(LanguageTable, SampleIdentifiersInEachLanguage) {
  struct Row {
    int id;
    const char* text[4];
  };
  const Row rows[] = {
      {14, {"Carrega senyal de disc", "Carga señal de disco", "Load signal from disk", "Charger signal depuis disque"}},
      {26, {"Cursors", "Cursores", "Cursors", "Curseurs"}},
      {47, {"Canal 1", "Canal 1", "Channel 1", "Voie 1"}},
      {49, {"Base de dades de senyals", "Base de datos de señales", "Signal Database", "Base de données de signaux"}},
      {140, {"Guardar configuració de l'instrument", "Salvar configuración del instrumento",
             "Save instrument configuration", "Sauvegarder la configuration de l'instrument"}},
      {155, {"Mesures", "Medidas", "Measures", "Mesures"}},
      {162, {"Interpolació", "Interpolación", "Interpolation", "Interpolation"}},
      {173, {"No es troba la tarjeta. Error a la direcció d'E/S.",
             "No se encuentra la tarjeta. Error en la dirección de E/S.",
             "The card is not found. There's an error in I/O address.",
             "La carte est introuvable. Erreur dans l'adresse d'E/S."}},
      {184, {"Error. N'hi ha un altre instrument incompatible obert.", "Error. Hay otro instrumento incompatible abierto.",
             "Error. There are other incompatible instrument opened.",
             "Erreur. Un autre instrument incompatible est ouvert."}},
      {1, {"Ajust d'offset", "Ajuste offset", "Offset Correction", "Correction d'offset"}},
      {187, {"Cursor 2", "Cursor 2", "Cursor 2", "Curseur 2"}},
  };
  for (const Row& r : rows)
    for (int lang = 0; lang < 4; ++lang) EXPECT_EQ(Text(r.id, lang), r.text[lang]) << r.id << "/" << lang;
  // Texts are kept exactly as the instrument has always shown them, odd
  // spellings included.
  EXPECT_EQ(Text(17, kSpanish), "Copia senyal a números");
  EXPECT_EQ(Text(105, kEnglish), "Next pk Rigth");
}

TEST(LanguageTable, MissingEntriesRaiseResourceNotFound) {
  auto entry_of_failure = [](std::int64_t id, std::int64_t lang) -> std::int64_t {
    try {
      (void)Text(id, lang);
    } catch (const ResourceNotFound& e) {
      EXPECT_EQ(e.Number(), 326);
      return e.EntryNumber();
    }
    ADD_FAILURE() << id << "/" << lang << " did not fail";
    return 0;
  };
  EXPECT_EQ(entry_of_failure(20, kSpanish), 1020);
  EXPECT_EQ(entry_of_failure(188, kEnglish), 2188);
  EXPECT_EQ(entry_of_failure(0, kCatalan), 0);
  EXPECT_EQ(entry_of_failure(47, 4), 4047);
  EXPECT_EQ(entry_of_failure(47, -1), -953);
  // An identifier past its block must not spill into the next language.
  EXPECT_EQ(entry_of_failure(1047, kCatalan), 1047);
  EXPECT_EQ(entry_of_failure(-953, kSpanish), 47);
  EXPECT_EQ(entry_of_failure(INT64_MAX, kFrench), INT64_MAX);
}

// ---------------------------------------------------------------------------
// Tags

TEST(Tags, NumericTagsAndTheirIdentifiers) {
  EXPECT_EQ(NumericTag("47"), 47);
  EXPECT_EQ(NumericTag(" 47 "), 47);
  EXPECT_EQ(NumericTag("+47"), 47);
  EXPECT_EQ(NumericTag("47.0"), 47);
  EXPECT_EQ(NumericTag("4.7e1"), 47);
  EXPECT_EQ(NumericTag("46.5"), 46);  // half to even
  EXPECT_EQ(NumericTag("-3"), -3);
  for (const char* t : {"", "  ", "abc", "47a", "4 7", "0x2F", "&H2F", "inf", "nan", "-", ".", "1e400", "e5", "47,0"})
    EXPECT_FALSE(NumericTag(t).has_value()) << "'" << t << "'";
}

// ---------------------------------------------------------------------------
// traduce_*

TEST(TraduceFormulario, TranslatesNumericTagsOnlyThenTabsThenHelpFile) {
  FakeForm form;
  auto& label = form.Add("Label1", "47", "Label1");
  auto& empty = form.Add("Picture1", "", "keep me");
  auto& word = form.Add("Text1", "canal", "keep me too");
  auto& padded = form.Add("Label2", " 48 ", "Label2");
  auto& box = form.Add("Text2", "53", "typed by the user", /*has_caption=*/false);
  form.tabs = std::make_unique<FakeTabs>(3);
  form.tabs->current = 2;

  traduce_formulario(form, kSpanish, "C:\\Prog\\Scope ISA");
  EXPECT_EQ(label.Caption(), "Canal 1");
  EXPECT_EQ(padded.Caption(), "Canal 2");
  EXPECT_EQ(empty.Caption(), "keep me");
  EXPECT_EQ(word.Caption(), "keep me too");
  EXPECT_EQ(box.Caption(), "typed by the user");
  EXPECT_EQ(form.tabs->titles, (std::vector<std::string>{"Medidas", "Cursores", "Interpolación"}));
  EXPECT_EQ(form.tabs->current, 0) << "the first tab shows afterwards";
  EXPECT_EQ(form.tabs->selections, (std::vector<int>{0, 1, 2, 0}));
  EXPECT_EQ(HelpFile(), "C:\\Prog\\Scope1.hlp");

  traduce_formulario(form, kEnglish, "/opt/orvascope/bin");
  EXPECT_EQ(label.Caption(), "Channel 1");
  EXPECT_EQ(form.tabs->titles[0], "Measures");
  EXPECT_EQ(HelpFile(), "/opt/orvascope2.hlp");

  // No program folder: the help file stays as it was.
  traduce_formulario(form, kFrench, "   ");
  EXPECT_EQ(label.Caption(), "Voie 1");
  EXPECT_EQ(form.tabs->titles[1], "Curseurs");
  EXPECT_EQ(HelpFile(), "/opt/orvascope2.hlp");
}

TEST(TraduceFormulario, ABadTagStopsAtThatControlAndReachesTheCaller) {
  FakeForm form;
  auto& first = form.Add("Label1", "47", "Label1");
  form.Add("Label2", "20", "Label2");  // identifier 20 has no text
  auto& after = form.Add("Label3", "48", "Label3");
  form.tabs = std::make_unique<FakeTabs>(3);
  SetHelpFile("before");
  EXPECT_THROW(traduce_formulario(form, kEnglish, "/opt/orvascope/bin"), ResourceNotFound);
  EXPECT_EQ(first.Caption(), "Channel 1");
  EXPECT_EQ(after.Caption(), "Label3");
  EXPECT_EQ(form.tabs->titles[0], "SSTab") << "the tabs come after the controls";
  EXPECT_EQ(HelpFile(), "before");

  // A language without texts fails at the first numeric Tag.
  FakeForm other;
  auto& only = other.Add("Label1", "47", "Label1");
  EXPECT_THROW(traduce_formulario(other, 4, "/x/bin"), ResourceNotFound);
  EXPECT_EQ(only.Caption(), "Label1");
}

TEST(TraduceFormulario, ControlAndTabsOnTheirOwn) {
  FakeControl c("Label1", "47", "x");
  traduce_control(c, kCatalan);
  EXPECT_EQ(c.Caption(), "Canal 1");
  FakeControl word("Label2", "canal", "x");
  EXPECT_THROW(traduce_control(word, kCatalan), ResourceNotFound);
  EXPECT_EQ(word.Caption(), "x");

  // A tab control with fewer tabs than titles gets the titles it has room for.
  FakeForm two;
  two.tabs = std::make_unique<FakeTabs>(2);
  traduce_pestanas(two, kFrench);
  EXPECT_EQ(two.tabs->titles, (std::vector<std::string>{"Mesures", "Curseurs"}));
  EXPECT_EQ(two.tabs->current, 0);
  // A window without the tab control is left alone, but a bad language still fails.
  FakeForm none;
  EXPECT_NO_THROW(traduce_pestanas(none, kCatalan));
  EXPECT_THROW(traduce_pestanas(none, 9), ResourceNotFound);
}

TEST(TraduceBarraDeHerramientas, ToolTipsAndMenusByKeyInTableOrder) {
  FakeForm form;
  form.toolbar = std::make_unique<FakeToolbar>();
  std::set<std::string> keys;
  for (const auto& t : kToolbarTexts) keys.insert(std::string(t.key));
  for (const auto& k : keys) form.toolbar->buttons[k] = {"", {}};
  form.toolbar->buttons["guardar"].menu = {"diskCanal1", "diskCanal2"};
  form.toolbar->buttons["copiar_num"].menu = {"a", "b", "c"};
  form.toolbar->buttons["extra"] = {"untouched", {}};

  traduce_barra_de_herramientas(form, kEnglish);
  const auto& b = form.toolbar->buttons;
  EXPECT_EQ(b.at("abrir").tip, "Load signal from disk");
  EXPECT_EQ(b.at("guardar").tip, "Save signal to disk");
  EXPECT_EQ(b.at("guardar").menu, (std::vector<std::string>{"Channel 1", "Channel 2"}));
  EXPECT_EQ(b.at("copiar_num").menu, (std::vector<std::string>{"Channel 1", "Channel 2", "c"}));
  EXPECT_EQ(b.at("imprimir").tip, "Print signal");
  EXPECT_EQ(b.at("copiar_num").tip, "Copy signal to numbers");
  EXPECT_EQ(b.at("copiar").tip, "Copy screen to clipboard");
  EXPECT_EQ(b.at("foto").tip, "Freeze");
  EXPECT_EQ(b.at("borrar").tip, "Clear the screen");
  EXPECT_EQ(b.at("suma").tip, "Channels added");
  EXPECT_EQ(b.at("c1-c2").tip, "Channel1 - Channel2");
  EXPECT_EQ(b.at("c2-c1").tip, "Channel2 - Channel1");
  EXPECT_EQ(b.at("inva").tip, "Invert channel 1");
  EXPECT_EQ(b.at("invb").tip, "Invert channel 2");
  EXPECT_EQ(b.at("completa").tip, "Full screen");
  EXPECT_EQ(b.at("AbrirConfig").tip, "Load instrument configuration");
  EXPECT_EQ(b.at("GuardarConfig").tip, "Save instrument configuration");
  EXPECT_EQ(b.at("view").tip, "Change screen configuration");
  EXPECT_EQ(b.at("ayuda").tip, "Help");
  EXPECT_EQ(b.at("extra").tip, "untouched");
  const std::vector<std::string> order = {
      "abrir/0", "guardar/0", "guardar/1", "guardar/2", "imprimir/0", "copiar_num/0", "copiar_num/1",
      "copiar_num/2", "copiar/0", "foto/0", "borrar/0", "suma/0", "c1-c2/0", "c2-c1/0", "inva/0",
      "invb/0", "completa/0", "AbrirConfig/0", "GuardarConfig/0", "view/0", "ayuda/0"};
  EXPECT_EQ(form.toolbar->log, order);

  // Spanish, with buttons missing and a menu too short: what exists is set.
  FakeForm partial;
  partial.toolbar = std::make_unique<FakeToolbar>();
  partial.toolbar->buttons["guardar"] = {"", {"only one"}};
  partial.toolbar->buttons["ayuda"] = {"", {}};
  traduce_barra_de_herramientas(partial, kSpanish);
  EXPECT_EQ(partial.toolbar->buttons["guardar"].tip, "Guarda señal a disco");
  EXPECT_EQ(partial.toolbar->buttons["guardar"].menu, (std::vector<std::string>{"Canal 1"}));
  EXPECT_EQ(partial.toolbar->buttons["ayuda"].tip, "Ayuda");
  EXPECT_THROW(traduce_barra_de_herramientas(partial, -1), ResourceNotFound);
}

TEST(HelpFileRule, FolderWithoutItsLastFourCharactersThenLanguage) {
  EXPECT_EQ(HelpFileName("C:\\Prog\\Scope ISA", 1), "C:\\Prog\\Scope1.hlp");
  EXPECT_EQ(HelpFileName("  C:\\Prog\\Scope ISA  ", 1), "C:\\Prog\\Scope1.hlp");
  EXPECT_EQ(HelpFileName("/usr/local/bin", 3), "/usr/local3.hlp");
  EXPECT_EQ(HelpFileName("/opt/Oscil·loscopi", 0), "/opt/Oscil·los0.hlp");
  EXPECT_EQ(HelpFileName("/home/ana/Scope Eñé", 2), "/home/ana/Scope2.hlp")
      << "four characters, not four bytes";
  EXPECT_EQ(HelpFileName("abcd", 1), "1.hlp");
  EXPECT_FALSE(HelpFileName("abc", 1).has_value());
  EXPECT_FALSE(HelpFileName("", 1).has_value());
  EXPECT_FALSE(HelpFileName(" \t ", 1).has_value());
}
