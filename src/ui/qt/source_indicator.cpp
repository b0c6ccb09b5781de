#include "ui/qt/source_indicator.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>

namespace corvane::ui {
namespace {

const QColor kYellow(255, 230, 40);
const QColor kGreen(70, 200, 70);
const QColor kRed(230, 50, 40);
const QColor kGrey(175, 175, 175);

// The two "in progress" states split the picture along its diagonal: Read goes from yellow
// (project) to green (device), Write the other way.
void PaintDiagonal(QPainter& p, const QRect& r, const QColor& upper_left,
                   const QColor& lower_right) {
  p.fillRect(r, lower_right);
  const QPolygon upper({r.topLeft(), r.topRight() + QPoint(1, 0), r.bottomLeft() + QPoint(0, 1)});
  p.setPen(Qt::NoPen);
  p.setBrush(upper_left);
  p.drawPolygon(upper);
}

void PaintState(QPainter& p, const QRect& r, SourceState state, bool enabled) {
  switch (state) {
    case SourceState::kProject:
      p.fillRect(r, kYellow);
      break;
    case SourceState::kRead:
      PaintDiagonal(p, r, kYellow, kGreen);
      break;
    case SourceState::kDevice:
      p.fillRect(r, kGreen);
      break;
    case SourceState::kError:
      p.fillRect(r, kRed);
      break;
    case SourceState::kCache:
      p.fillRect(r, kGrey);
      break;
    case SourceState::kWrite:
      PaintDiagonal(p, r, kGreen, kYellow);
      break;
  }
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0, 0, -1, -1));
  QFont font = p.font();
  font.setBold(true);
  font.setPixelSize(17);
  p.setFont(font);
  p.setPen(enabled ? Qt::black : Qt::darkGray);
  p.drawText(r, Qt::AlignCenter, QString::fromStdU16String(std::u16string(SourceWord(state))));
}

}  // namespace

SourceIndicatorButton::SourceIndicatorButton(QWidget* parent) : QAbstractButton(parent) {
  setFixedSize(kWidth, kHeight);
  setFocusPolicy(Qt::NoFocus);
}

void SourceIndicatorButton::SetState(SourceState state) {
  if (state_ == state) return;
  state_ = state;
  setAccessibleName(QString::fromStdU16String(std::u16string(SourceWord(state))));
  update();
}

QImage SourceIndicatorButton::Render(SourceState state) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  QPainter p(&image);
  PaintState(p, image.rect(), state, true);
  return image;
}

void SourceIndicatorButton::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  PaintState(p, rect(), state_, isEnabled());
}

ColorSquareWidget::ColorSquareWidget(QWidget* parent) : QWidget(parent) {
  setFixedSize(kSide, kSide);
}

void ColorSquareWidget::SetColor(uint32_t rgb) {
  const QColor color((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  if (color == color_) return;
  color_ = color;
  update();
}

void ColorSquareWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  p.fillRect(rect(), color_);
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace corvane::ui
