#include "orva/localisation/qt_toolkit.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>
#include <QVariant>
#include <QWidget>

namespace orva::ui {

namespace {

QString ToQ(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string FromQ(const QString& s) { return s.toStdString(); }

void CollectControls(QObject* parent, std::vector<std::unique_ptr<QtControl>>& out) {
  for (QObject* child : parent->children()) {
    if (qobject_cast<QWidget*>(child) != nullptr || qobject_cast<QAction*>(child) != nullptr)
      out.push_back(std::make_unique<QtControl>(child));
    CollectControls(child, out);
  }
}

}  // namespace

QtControl::QtControl(QObject* object) : object_(object) {}

std::string QtControl::Name() const { return object_ ? FromQ(object_->objectName()) : std::string(); }

std::string QtControl::Tag() const {
  if (!object_) return {};
  const QVariant tag = object_->property("Tag");
  return tag.isValid() ? FromQ(tag.toString()) : std::string();
}

bool QtControl::HasCaption() const {
  QObject* o = object_.data();
  if (o == nullptr) return false;
  if (qobject_cast<QLabel*>(o) || qobject_cast<QAbstractButton*>(o) || qobject_cast<QGroupBox*>(o) ||
      qobject_cast<QMenu*>(o) || qobject_cast<QAction*>(o))
    return true;
  const auto* w = qobject_cast<QWidget*>(o);
  return w != nullptr && w->isWindow();
}

std::string QtControl::Caption() const {
  QObject* o = object_.data();
  if (o == nullptr) return {};
  if (auto* l = qobject_cast<QLabel*>(o)) return FromQ(l->text());
  if (auto* b = qobject_cast<QAbstractButton*>(o)) return FromQ(b->text());
  if (auto* g = qobject_cast<QGroupBox*>(o)) return FromQ(g->title());
  if (auto* m = qobject_cast<QMenu*>(o)) return FromQ(m->title());
  if (auto* a = qobject_cast<QAction*>(o)) return FromQ(a->text());
  if (auto* w = qobject_cast<QWidget*>(o); w != nullptr && w->isWindow()) return FromQ(w->windowTitle());
  return {};
}

void QtControl::SetCaption(const std::string& text) {
  QObject* o = object_.data();
  if (o == nullptr) return;
  const QString q = ToQ(text);
  if (auto* l = qobject_cast<QLabel*>(o)) {
    l->setText(q);
  } else if (auto* b = qobject_cast<QAbstractButton*>(o)) {
    b->setText(q);
  } else if (auto* g = qobject_cast<QGroupBox*>(o)) {
    g->setTitle(q);
  } else if (auto* m = qobject_cast<QMenu*>(o)) {
    m->setTitle(q);
  } else if (auto* a = qobject_cast<QAction*>(o)) {
    a->setText(q);
  } else if (auto* w = qobject_cast<QWidget*>(o); w != nullptr && w->isWindow()) {
    w->setWindowTitle(q);
  }
}

QtTabControl::QtTabControl(QTabWidget* tabs) : tabs_(tabs) {}

int QtTabControl::TabCount() const { return tabs_ ? tabs_->count() : 0; }
int QtTabControl::CurrentTab() const { return tabs_ ? tabs_->currentIndex() : -1; }

void QtTabControl::SetCurrentTab(int index) {
  if (tabs_ && index >= 0 && index < tabs_->count()) tabs_->setCurrentIndex(index);
}

std::string QtTabControl::CurrentTabCaption() const {
  if (!tabs_ || tabs_->currentIndex() < 0) return {};
  return FromQ(tabs_->tabText(tabs_->currentIndex()));
}

void QtTabControl::SetCurrentTabCaption(const std::string& text) {
  if (tabs_ && tabs_->currentIndex() >= 0) tabs_->setTabText(tabs_->currentIndex(), ToQ(text));
}

QtToolbar::QtToolbar(QToolBar* bar) : bar_(bar) {}

QAction* QtToolbar::Button(std::string_view key) const {
  if (!bar_) return nullptr;
  const QString k = ToQ(key);
  for (QAction* a : bar_->actions()) {
    const QVariant prop = a->property("Key");
    if (prop.isValid() ? prop.toString() == k : a->objectName() == k) return a;
  }
  return nullptr;
}

QAction* QtToolbar::MenuEntry(std::string_view key, int entry) const {
  QAction* button = Button(key);
  QMenu* menu = button ? button->menu() : nullptr;
  if (menu == nullptr || entry < 1) return nullptr;
  int k = 0;
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    if (++k == entry) return a;
  }
  return nullptr;
}

bool QtToolbar::HasButton(std::string_view key) const { return Button(key) != nullptr; }

std::string QtToolbar::ToolTip(std::string_view key) const {
  QAction* a = Button(key);
  return a ? FromQ(a->toolTip()) : std::string();
}

void QtToolbar::SetToolTip(std::string_view key, const std::string& text) {
  if (QAction* a = Button(key)) a->setToolTip(ToQ(text));
}

int QtToolbar::MenuCount(std::string_view key) const {
  QAction* button = Button(key);
  QMenu* menu = button ? button->menu() : nullptr;
  if (menu == nullptr) return 0;
  int k = 0;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) ++k;
  return k;
}

std::string QtToolbar::MenuText(std::string_view key, int entry) const {
  QAction* a = MenuEntry(key, entry);
  return a ? FromQ(a->text()) : std::string();
}

void QtToolbar::SetMenuText(std::string_view key, int entry, const std::string& text) {
  if (QAction* a = MenuEntry(key, entry)) a->setText(ToQ(text));
}

QtForm::QtForm(QWidget* window) : window_(window) {}

std::vector<Control*> QtForm::Controls() {
  controls_.clear();
  if (window_) CollectControls(window_.data(), controls_);
  std::vector<Control*> out;
  out.reserve(controls_.size());
  for (auto& c : controls_) out.push_back(c.get());
  return out;
}

TabControl* QtForm::FindTabControl(std::string_view name) {
  tabs_.reset();
  if (!window_) return nullptr;
  auto* tabs = window_->findChild<QTabWidget*>(ToQ(name));
  if (tabs == nullptr) return nullptr;
  tabs_ = std::make_unique<QtTabControl>(tabs);
  return tabs_.get();
}

Toolbar* QtForm::FindToolbar(std::string_view name) {
  toolbar_.reset();
  if (!window_) return nullptr;
  auto* bar = window_->findChild<QToolBar*>(ToQ(name));
  if (bar == nullptr) return nullptr;
  toolbar_ = std::make_unique<QtToolbar>(bar);
  return toolbar_.get();
}

}  // namespace orva::ui
