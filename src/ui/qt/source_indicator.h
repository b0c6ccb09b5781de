// Painted controls: the data-source indicator (an image button whose picture says where the
// data on screen came from), plain image buttons, and the 20 x 20 colour squares.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QWidget>

#include "ui/control_store.h"

namespace corvane::ui {

class SourceIndicatorButton : public QAbstractButton {
  Q_OBJECT

 public:
  static constexpr int kWidth = 101;
  static constexpr int kHeight = 39;

  explicit SourceIndicatorButton(QWidget* parent);
  void SetState(SourceState state);
  SourceState state() const { return state_; }
  QSize sizeHint() const override { return {kWidth, kHeight}; }

  // The picture of one state; also used by tests to check the colours.
  static QImage Render(SourceState state);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  SourceState state_ = SourceState::kProject;
};

class ColorSquareWidget : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kSide = 20;

  explicit ColorSquareWidget(QWidget* parent);
  void SetColor(uint32_t rgb);
  QSize sizeHint() const override { return {kSide, kSide}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_ = Qt::white;
};

}  // namespace corvane::ui
