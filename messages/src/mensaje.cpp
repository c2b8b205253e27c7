#include "mensajes/mensaje.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "mensajes/textos.h"
#include "orva/hosting.h"

namespace orva::mensajes {

namespace {
QString ToQ(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
constexpr int kCancel = 3;
}  // namespace

Mensaje::Mensaje(int language, QWidget* parent) : QDialog(parent) {
  // Load: the captions of the current language replace the design-time ones.
  const QString load_captions[3] = {ToQ(Texto(137, language)), ToQ(Texto(166, language)), ToQ(Texto(138, language))};
  const char* design_captions[3] = {"ACEPTAR", "AYUDA", "CANCELAR"};

  setObjectName("Mensaje");
  setWindowTitle("OrvaScope");
  setModal(true);
  setSizeGripEnabled(false);

  auto* layout = new QVBoxLayout(this);
  for (int i = 0; i < 2; ++i) {
    label1_[static_cast<std::size_t>(i)] = new QLabel(this);
    label1_[static_cast<std::size_t>(i)]->setObjectName(QString("Label1_%1").arg(i));
    label1_[static_cast<std::size_t>(i)]->setWordWrap(true);
    label1_[static_cast<std::size_t>(i)]->setTextFormat(Qt::PlainText);
    layout->addWidget(label1_[static_cast<std::size_t>(i)]);
  }

  auto* panels = new QHBoxLayout;
  QFrame* panel[2] = {new QFrame(this), new QFrame(this)};
  for (int p = 0; p < 2; ++p) {
    panel[p]->setObjectName(QString("Panel%1").arg(p + 1));
    panel[p]->setFrameShape(QFrame::Panel);
    panel[p]->setFrameShadow(QFrame::Raised);
    new QHBoxLayout(panel[p]);
    panels->addWidget(panel[p]);
  }
  for (int k = 0; k < 3; ++k) {
    QFrame* host = k < 2 ? panel[0] : panel[1];
    auto* b = new QPushButton(design_captions[k], host);
    b->setObjectName(QString("SSCommand1_%1").arg(k));
    b->setAutoDefault(false);
    b->setText(load_captions[k]);
    host->layout()->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, k] { done(k + 1); });
    sscommand1_[static_cast<std::size_t>(k)] = b;
  }
  layout->addLayout(panels);

  // A minimal button whose only duty is to hold the focus.
  command1_ = new QPushButton(this);
  command1_->setObjectName("Command1");
  command1_->setAutoDefault(false);
  command1_->setFlat(true);
  command1_->setFixedSize(1, 1);
  command1_->setFocusPolicy(Qt::StrongFocus);
  layout->addWidget(command1_);
}

QLabel* Mensaje::Label1(int index) const {
  return (index >= 0 && index < 2) ? label1_[static_cast<std::size_t>(index)] : nullptr;
}

QPushButton* Mensaje::SSCommand1(int index) const {
  return (index >= 0 && index < 3) ? sscommand1_[static_cast<std::size_t>(index)] : nullptr;
}

void Mensaje::reject() { done(kCancel); }

bool Mensaje::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) command1_->setFocus(Qt::ActiveWindowFocusReason);
  return QDialog::event(e);
}

void Mensaje::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  command1_->setFocus(Qt::OtherFocusReason);
}

int ShowMessageWindow(int language, const std::string& first_line, const std::string& second_line,
                      const std::array<std::string, 3>& captions) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
    throw hosting::ControlError(5, "Invalid procedure call or argument: no window system to show the message");
  // No parent: the window is application-modal and owned by this frame alone,
  // so nothing else can delete it while it is on screen.
  Mensaje window(language);
  window.setWindowModality(Qt::ApplicationModal);
  window.Label1(0)->setText(ToQ(first_line));
  window.Label1(1)->setText(ToQ(second_line));
  for (int k = 0; k < 3; ++k) window.SSCommand1(k)->setText(ToQ(captions[static_cast<std::size_t>(k)]));
  const int result = window.exec();
  return (result >= 1 && result <= 3) ? result : kCancel;
}

}  // namespace orva::mensajes
