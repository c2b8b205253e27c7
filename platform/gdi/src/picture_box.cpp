// The picture box widget and the Qt-backed draw targets.
#include "orva/picture_box.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace orva::gdi {
namespace {

QColor ToQColor(COLORREF c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

bool DirectFormat(QImage::Format f) {
  return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
         f == QImage::Format_ARGB32_Premultiplied;
}

QPen ToQPen(const Pen& pen) {
  QPen q(ToQColor(pen.colour));
  q.setWidth(std::clamp(pen.width, 1, kMaxPenWidth));
  q.setCapStyle(Qt::FlatCap);
  q.setJoinStyle(Qt::MiterJoin);
  switch (pen.style) {
    case PS_DASH: q.setDashPattern({18, 6}); break;
    case PS_DOT: q.setDashPattern({3, 3}); break;
    case PS_DASHDOT: q.setDashPattern({9, 6, 3, 6}); break;
    case PS_DASHDOTDOT: q.setDashPattern({9, 3, 3, 3, 3, 3}); break;
    case PS_NULL: q.setStyle(Qt::NoPen); break;
    default: break;
  }
  return q;
}

}  // namespace

// --- ImageTarget ---

ImageTarget::ImageTarget(QImage& image) {
  if (image.isNull()) return;
  if (!DirectFormat(image.format())) image = image.convertToFormat(QImage::Format_RGB32);
  const qsizetype bpl = image.bytesPerLine();
  // bits() detaches the image from any shallow copy before it is written.
  Reset(reinterpret_cast<std::uint32_t*>(image.bits()), image.width(), image.height(),
        static_cast<std::int32_t>(bpl / 4));
}

// --- PainterTarget ---

PainterTarget::PainterTarget(QPainter* painter) : painter_(painter) {}

std::int32_t PainterTarget::Width() const {
  return painter_ && painter_->isActive() ? painter_->device()->width() : 0;
}

std::int32_t PainterTarget::Height() const {
  return painter_ && painter_->isActive() ? painter_->device()->height() : 0;
}

void PainterTarget::DrawPolyline(const POINT* pts, int n, const Pen& pen, bool include_last) {
  if (!painter_ || !painter_->isActive() || pts == nullptr || n < 1 || pen.style == PS_NULL) {
    return;
  }
  painter_->save();
  painter_->setPen(ToQPen(pen));
  if (n == 1) {
    if (include_last) painter_->drawPoint(pts[0].x, pts[0].y);
  } else {
    scratch_.resize(n);
    for (int i = 0; i < n; ++i) scratch_[i] = QPoint(pts[i].x, pts[i].y);
    painter_->drawPolyline(scratch_);
    (void)include_last;  // vector output: the end point's single pixel is immaterial
  }
  painter_->restore();
}

bool PainterTarget::DrawPixel(std::int32_t x, std::int32_t y, COLORREF colour) {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return false;
  painter_->save();
  painter_->setPen(QPen(ToQColor(colour), 1));
  painter_->drawPoint(x, y);
  painter_->restore();
  return true;
}

void PainterTarget::FillRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                             COLORREF colour) {
  if (!painter_ || !painter_->isActive()) return;
  const QRect r = QRect(QPoint(std::min(x0, x1), std::min(y0, y1)),
                        QPoint(std::max(x0, x1) - 1, std::max(y0, y1) - 1))
                      .intersected(QRect(0, 0, Width(), Height()));
  if (!r.isEmpty()) painter_->fillRect(r, ToQColor(colour));
}

void PainterTarget::Fill(COLORREF colour) { FillRect(0, 0, Width(), Height(), colour); }

// --- PictureBox ---

// The image's raster that asks the widget for one repaint after drawing.
// While repaints are held, drawing only marks the image as changed; the
// release asks for the one repaint.
class PictureBox::WidgetTarget : public RasterTarget {
 public:
  explicit WidgetTarget(QWidget* widget) : widget_(widget) {}
  void Painted() { pending_ = false; }
  void Hold(bool hold) {
    held_ = hold;
    if (!held_ && changed_) Drawn();
  }

 protected:
  void Drawn() override {
    if (held_) {
      changed_ = true;
      return;
    }
    changed_ = false;
    if (!pending_) {
      pending_ = true;
      widget_->update();
    }
  }

 private:
  QWidget* widget_;
  bool pending_ = false;
  bool held_ = false;
  bool changed_ = false;
};

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent), target_(std::make_unique<WidgetTarget>(this)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  SetTarget(target_.get());
  SyncImageSize();
}

PictureBox::~PictureBox() = default;

void PictureBox::HoldRepaints(bool hold) { target_->Hold(hold); }

void PictureBox::SyncImageSize() {
  const QSize want(std::max(width(), 0), std::max(height(), 0));
  if (!image_.isNull() && image_.size() == want) return;
  if (image_.isNull() && (want.width() < 1 || want.height() < 1)) {
    target_->Reset(nullptr, 0, 0, 0);
    return;
  }
  if (want.width() < 1 || want.height() < 1) {
    image_ = QImage();
    target_->Reset(nullptr, 0, 0, 0);
  } else {
    image_ = QImage(want, QImage::Format_RGB32);
    target_->Reset(reinterpret_cast<std::uint32_t*>(image_.bits()), want.width(),
                   want.height(), static_cast<std::int32_t>(image_.bytesPerLine() / 4));
    target_->Fill(BackColor());
  }
  if (on_resize_) on_resize_();
}

void PictureBox::PrepareTarget() { SyncImageSize(); }

QImage PictureBox::Image() {
  SyncImageSize();
  return image_.copy();
}

void PictureBox::SetPicture(const QImage& picture) {
  SyncImageSize();
  if (image_.isNull() || picture.isNull()) return;
  {
    QPainter p(&image_);
    p.drawImage(0, 0, picture);
  }
  // QPainter may not detach, but make sure the raster still points at the pixels.
  target_->Reset(reinterpret_cast<std::uint32_t*>(image_.bits()), image_.width(),
                 image_.height(), static_cast<std::int32_t>(image_.bytesPerLine() / 4));
  target_->MarkDrawn();
}

void PictureBox::paintEvent(QPaintEvent* event) {
  SyncImageSize();
  target_->Painted();
  QPainter p(this);
  if (image_.isNull()) {
    p.fillRect(event->rect(), ToQColor(BackColor()));
  } else {
    p.drawImage(event->rect().topLeft(), image_, event->rect());
  }
  for (const LineObject& line : lines_) {
    if (!line.visible || line.style == PS_NULL) continue;
    const double x1 = ToPixelX(line.x1), y1 = ToPixelY(line.y1);
    const double x2 = ToPixelX(line.x2), y2 = ToPixelY(line.y2);
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
      continue;
    }
    const double lim = kDeviceLimit;
    p.setPen(ToQPen(Pen{line.style, line.width, line.colour}));
    p.drawLine(QPointF(std::clamp(x1, -lim, lim), std::clamp(y1, -lim, lim)),
               QPointF(std::clamp(x2, -lim, lim), std::clamp(y2, -lim, lim)));
  }
}

void PictureBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  SyncImageSize();
}

namespace {

int ButtonCode(Qt::MouseButtons b) {
  int code = 0;
  if (b & Qt::LeftButton) code |= 1;
  if (b & Qt::RightButton) code |= 2;
  if (b & Qt::MiddleButton) code |= 4;
  return code;
}

int ShiftCode(Qt::KeyboardModifiers m) {
  int code = 0;
  if (m & Qt::ShiftModifier) code |= 1;
  if (m & Qt::ControlModifier) code |= 2;
  if (m & Qt::AltModifier) code |= 4;
  return code;
}

}  // namespace

void PictureBox::Forward(const MouseHandler& handler, QMouseEvent* event, bool held_buttons) {
  if (!handler) return;
  const QPointF pos = event->position();
  const int button = held_buttons ? ButtonCode(event->buttons()) : ButtonCode(event->button());
  handler(button, ShiftCode(event->modifiers()), FromPixelX(pos.x()), FromPixelY(pos.y()));
}

void PictureBox::mousePressEvent(QMouseEvent* event) { Forward(on_down_, event, false); }
void PictureBox::mouseMoveEvent(QMouseEvent* event) { Forward(on_move_, event, true); }
void PictureBox::mouseReleaseEvent(QMouseEvent* event) { Forward(on_up_, event, false); }

// --- line objects ---

int PictureBox::AddLineObject(const LineObject& line) {
  lines_.push_back(line);
  update();
  return static_cast<int>(lines_.size()) - 1;
}

PictureBox::LineObject PictureBox::GetLineObject(int index) const {
  if (index < 0 || index >= LineObjectCount()) return LineObject{};
  return lines_[static_cast<std::size_t>(index)];
}

void PictureBox::SetLineObject(int index, const LineObject& line) {
  if (index < 0 || index >= LineObjectCount()) return;
  lines_[static_cast<std::size_t>(index)] = line;
  update();
}

void PictureBox::MoveLineObject(int index, double x1, double y1, double x2, double y2) {
  if (index < 0 || index >= LineObjectCount()) return;
  LineObject& l = lines_[static_cast<std::size_t>(index)];
  l.x1 = x1;
  l.y1 = y1;
  l.x2 = x2;
  l.y2 = y2;
  update();
}

void PictureBox::ShowLineObject(int index, bool visible) {
  if (index < 0 || index >= LineObjectCount()) return;
  lines_[static_cast<std::size_t>(index)].visible = visible;
  update();
}

}  // namespace orva::gdi
