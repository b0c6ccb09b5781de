// Item models over the control store for the two kinds of big lists. The store holds the text;
// the models only tell the views what changed, so refreshing a table changes cells instead of
// recreating items, and a burst of appended lines becomes one row insertion per event-loop turn.
#pragma once

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QHash>
#include <QStaticText>
#include <array>
#include <string>
#include <unordered_map>

#include "ui/control_store.h"

namespace corvane::ui {

class ListBoxModel : public QAbstractListModel {
  Q_OBJECT

 public:
  ListBoxModel(const ControlStore& store, int id, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // The stored text of a line, before data() makes it one row.
  const std::u16string& Line(int row) const { return store_.Item(id_, row); }

  // Store changes, in the order they happened.
  void ItemsInserted(int first, int count);
  void ItemRemoved(int index);
  void Reset();
  // Tells the views about appended lines still waiting.
  void FlushAppends();
  int pending_appends() const { return pending_; }
  // Appended lines reach the views at most once a frame: at the next event-loop turn when the
  // last lines came a frame ago or more, else when the frame is over. A burst of 1,000 lines a
  // second is then 60 insertions and paints, not 1,000. The caret follows at the same time.
  static constexpr int kFrameMs = 16;
  int FrameDelayMs() const;
  // 0: every event-loop turn (what a line that comes alone gets; benchmarks measure it so).
  static void SetFrameMs(int ms) { frame_ms_ = ms; }

 private:
  const ControlStore& store_;
  int id_;
  int rows_ = 0;  // rows the views know about
  int pending_ = 0;
  bool flush_queued_ = false;
  QElapsedTimer last_flush_;  // invalid until the first flush
  static inline int frame_ms_ = kFrameMs;
};

// A list box: one line per row, every row the same height, so where a row lies, which row a
// point hits and how far the list scrolls are a multiplication each. A line appended to a list
// of 100,000 costs the same as one appended to a list of ten, and only the rows that changed
// or came into sight are painted. Lines are never shortened or wrapped: the rows are as wide as
// the longest line, and the list scrolls sideways to it by pixels (downwards by rows).
class ListBoxView : public QAbstractItemView {
  Q_OBJECT

 public:
  ListBoxView(ListBoxModel* model, bool multi_select, QWidget* parent);
  // Width of the longest line so far, with the item's text margins.
  int widest_line() const { return widest_; }
  // Width of every row: the viewport's, or the longest line's when that is wider.
  int column_width() const;
  int row_height() const { return row_height_; }

  QRect visualRect(const QModelIndex& index) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  QModelIndex indexAt(const QPoint& point) const override;

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  int horizontalOffset() const override;
  int verticalOffset() const override;
  bool isIndexHidden(const QModelIndex& index) const override;
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
  QRegion visualRegionForSelection(const QItemSelection& selection) const override;
  void updateGeometries() override;
  void scrollContentsBy(int dx, int dy) override;
  void rowsInserted(const QModelIndex& parent, int first, int last) override;
  void reset() override;
  void paintEvent(QPaintEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int RowCount() const;
  int FirstShownRow() const;
  // Rows that fit the viewport whole (at least one).
  int PageRows() const;
  // Only the new lines are measured, and only those that may be wider than every line so far:
  // a burst of 10,000 monitor lines costs a table lookup per character, not 10,000 shapings.
  void Measure(int first, int last);
  // The sum of the characters' advances of a line as the model shows it (one row, trimmed):
  // a cheap stand-in for shaping that differs from it only by kerning.
  int Estimate(const std::u16string& line);
  qreal Advance(char16_t c);
  // The rows reach the end of the longest line; the scroll bars follow.
  void FitColumn();
  // A row's text laid out once for painting.
  const QStaticText& LineText(int row);

  static constexpr size_t kShownTextRows = 512;

  int row_height_ = 0;
  int widest_ = 0;           // width the lines need, margins included
  int widest_estimate_ = 0;  // the largest estimate of any line so far
  int fitted_width_ = -1;    // column width the scroll bars were last set for
  // Character advances in the view's font; emptied when the font changes.
  std::array<qreal, 256> latin1_advance_{};
  bool latin1_known_ = false;
  QHash<char16_t, qreal> other_advance_;
  std::unordered_map<int, QStaticText> shown_text_;
};

class ListViewModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  ListViewModel(const ControlStore& store, int id, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void RowCountChanged();
  void ColumnsChanged();
  // Collected and reported as one range when the event loop comes round.
  void CellChanged(int row, int column);
  void FlushCells();

 private:
  const ControlStore& store_;
  int id_;
  int rows_ = 0;
  int columns_ = 0;
  int dirty_first_ = -1;
  int dirty_last_ = -1;
  bool flush_queued_ = false;
};

}  // namespace corvane::ui
