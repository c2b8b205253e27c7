// The window toolkit as the language module sees it: controls that carry a Tag
// and show a caption, the tab control, the tool bar with buttons found by key,
// and the window that holds them. The Qt adapter (qt_toolkit.h) implements it
// over real widgets; tests and other callers may implement it over anything.
//
// Qt-free.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orva::ui {

// One control of a window.
class Control {
 public:
  virtual ~Control() = default;
  virtual std::string Name() const = 0;
  // The control's Tag as text ("" when it has none).
  virtual std::string Tag() const = 0;
  // Whether the control shows a caption at all (labels, buttons, frames, menu
  // entries, windows do; text boxes, lists, scroll bars do not).
  virtual bool HasCaption() const = 0;
  virtual std::string Caption() const = 0;
  // Ignored by controls without a caption.
  virtual void SetCaption(const std::string& text) = 0;
};

// A tab control: one tab is current at a time, and the title that is set is the
// current tab's, as the tab control of the design documents works.
class TabControl {
 public:
  virtual ~TabControl() = default;
  virtual int TabCount() const = 0;
  virtual int CurrentTab() const = 0;
  // Out-of-range indexes are ignored.
  virtual void SetCurrentTab(int index) = 0;
  virtual std::string CurrentTabCaption() const = 0;
  virtual void SetCurrentTabCaption(const std::string& text) = 0;
};

// A tool bar whose buttons are found by their key. Drop-down menu entries are
// numbered from 1. Operations on a key or entry that does not exist do nothing
// (getters return "" / 0).
class Toolbar {
 public:
  virtual ~Toolbar() = default;
  virtual bool HasButton(std::string_view key) const = 0;
  virtual std::string ToolTip(std::string_view key) const = 0;
  virtual void SetToolTip(std::string_view key, const std::string& text) = 0;
  virtual int MenuCount(std::string_view key) const = 0;
  virtual std::string MenuText(std::string_view key, int entry) const = 0;
  virtual void SetMenuText(std::string_view key, int entry, const std::string& text) = 0;
};

// A window.
class Form {
 public:
  virtual ~Form() = default;
  // Every control of the window in the window's control order. The pointers
  // stay valid until the next call of Controls() or the end of the form object.
  virtual std::vector<Control*> Controls() = 0;
  // The tab control / tool bar of that name, or nullptr when the window has none.
  virtual TabControl* FindTabControl(std::string_view name) = 0;
  virtual Toolbar* FindToolbar(std::string_view name) = 0;
};

}  // namespace orva::ui
