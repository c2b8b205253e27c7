// Qt adapter of the window toolkit layer (toolkit.h).
//
// - A control's Tag is the dynamic property "Tag" of its QObject (text or number).
// - Captions: QLabel and button texts, QGroupBox and QMenu titles, QAction
//   texts, and the window title of a top-level widget. Other widgets show no
//   caption.
// - The window's controls are its QWidget and QAction descendants in
//   depth-first creation order (a parent before its children).
// - The tab control is the QTabWidget of that object name; the tool bar the
//   QToolBar of that name, whose buttons are its QActions, found by the
//   dynamic property "Key" or, failing that, by object name. Drop-down entries
//   are the non-separator actions of the button's menu.
#pragma once

#include <QPointer>
#include <memory>
#include <vector>

#include "orva/localisation/toolkit.h"

class QObject;
class QWidget;
class QTabWidget;
class QToolBar;
class QAction;

namespace orva::ui {

class QtControl : public Control {
 public:
  explicit QtControl(QObject* object);
  std::string Name() const override;
  std::string Tag() const override;
  bool HasCaption() const override;
  std::string Caption() const override;
  void SetCaption(const std::string& text) override;

 private:
  QPointer<QObject> object_;
};

class QtTabControl : public TabControl {
 public:
  explicit QtTabControl(QTabWidget* tabs);
  int TabCount() const override;
  int CurrentTab() const override;
  void SetCurrentTab(int index) override;
  std::string CurrentTabCaption() const override;
  void SetCurrentTabCaption(const std::string& text) override;

 private:
  QPointer<QTabWidget> tabs_;
};

class QtToolbar : public Toolbar {
 public:
  explicit QtToolbar(QToolBar* bar);
  bool HasButton(std::string_view key) const override;
  std::string ToolTip(std::string_view key) const override;
  void SetToolTip(std::string_view key, const std::string& text) override;
  int MenuCount(std::string_view key) const override;
  std::string MenuText(std::string_view key, int entry) const override;
  void SetMenuText(std::string_view key, int entry, const std::string& text) override;

 private:
  QAction* Button(std::string_view key) const;
  QAction* MenuEntry(std::string_view key, int entry) const;
  QPointer<QToolBar> bar_;
};

class QtForm : public Form {
 public:
  explicit QtForm(QWidget* window);
  std::vector<Control*> Controls() override;
  TabControl* FindTabControl(std::string_view name) override;
  Toolbar* FindToolbar(std::string_view name) override;

 private:
  QPointer<QWidget> window_;
  std::vector<std::unique_ptr<QtControl>> controls_;
  std::unique_ptr<QtTabControl> tabs_;
  std::unique_ptr<QtToolbar> toolbar_;
};

}  // namespace orva::ui
