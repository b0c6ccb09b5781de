// Item models over the control store for the two kinds of big lists. The store holds the text;
// the models only tell the views what changed, so refreshing a table changes cells instead of
// recreating items, and a burst of appended lines becomes one row insertion per event-loop turn.
#pragma once

#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <QHash>
#include <QTableView>
#include <array>
#include <string>

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
  // Tells the views about appended lines still waiting for the next event-loop turn.
  void FlushAppends();
  int pending_appends() const { return pending_; }

 private:
  const ControlStore& store_;
  int id_;
  int rows_ = 0;  // rows the views know about
  int pending_ = 0;
  bool flush_queued_ = false;
};

// A list box shown as a one-column table without headers or grid. A table view places rows by
// its fixed-size row header instead of laying out every item, so a line appended to a list of
// 100,000 costs the same as one appended to a list of ten. Lines are never shortened or
// wrapped: the column is as wide as the longest line, and the list scrolls sideways to it.
class ListBoxView : public QTableView {
  Q_OBJECT

 public:
  ListBoxView(ListBoxModel* model, bool multi_select, QWidget* parent);
  // Width of the longest line so far, with the item's text margins.
  int widest_line() const { return widest_; }

 protected:
  bool viewportEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Only the new lines are measured, and only those that may be wider than every line so far:
  // a burst of 10,000 monitor lines costs a table lookup per character, not 10,000 shapings.
  void Measure(int first, int last);
  // The sum of the characters' advances of a line as the model shows it (one row, trimmed):
  // a cheap stand-in for shaping that differs from it only by kerning.
  int Estimate(const std::u16string& line);
  qreal Advance(char16_t c);
  // The column fills the viewport and reaches the end of the longest line.
  void FitColumn();

  int widest_ = 0;           // column width the lines need, margins included
  int widest_estimate_ = 0;  // the largest estimate of any line so far
  // Character advances in the view's font; emptied when the font changes.
  std::array<qreal, 256> latin1_advance_{};
  bool latin1_known_ = false;
  QHash<char16_t, qreal> other_advance_;
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
