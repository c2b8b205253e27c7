// The modal message window of the messages control: two text lines (Label1
// elements 0 and 1, object names "Label1_0", "Label1_1"), three buttons
// SSCommand1 elements 0 Accept, 1 Help, 2 Cancel ("SSCommand1_0" .. "_2") on
// two panels ("Panel1": Accept and Help, "Panel2": Cancel), and the button
// "Command1", which takes the keyboard focus whenever the window becomes
// active, so that a stray Enter or Space presses no answer. Command1 does
// nothing when pressed.
//
// A click on SSCommand1 element k ends the window with result k + 1; closing it
// any other way (Escape, the window's close button) ends it as Cancel (3).
#pragma once

#include <QDialog>
#include <array>
#include <string>

class QLabel;
class QPushButton;
class QEvent;
class QShowEvent;

namespace orva::mensajes {

class Mensaje : public QDialog {
 public:
  // Loading the window sets the button captions to texts 137, 166 and 138 of
  // language (raises ResourceNotFound before any widget is made when missing).
  explicit Mensaje(int language, QWidget* parent = nullptr);

  QLabel* Label1(int index) const;           // index 0..1, else nullptr
  QPushButton* SSCommand1(int index) const;  // index 0..2, else nullptr
  QPushButton* Command1() const { return command1_; }

  void reject() override;

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  std::array<QLabel*, 2> label1_{};
  std::array<QPushButton*, 3> sscommand1_{};
  QPushButton* command1_ = nullptr;
};

// Shows the message modally; returns the Estado it ends with (1, 2 or 3).
int ShowMessageWindow(int language, const std::string& first_line, const std::string& second_line,
                      const std::array<std::string, 3>& captions);

}  // namespace orva::mensajes
