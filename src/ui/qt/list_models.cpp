#include "ui/qt/list_models.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace corvane::ui {

namespace {
QString ToQ(const std::u16string& s) { return QString::fromStdU16String(s); }
}  // namespace

ListBoxModel::ListBoxModel(const ControlStore& store, int id, QObject* parent)
    : QAbstractListModel(parent), store_(store), id_(id), rows_(store.Count(id)) {}

int ListBoxModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

QVariant ListBoxModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  // A list line is one row: line breaks the logic keeps in its text (the RF monitor's lines
  // start with one) would push the words out of sight behind an ellipsis.
  QString line = ToQ(store_.Item(id_, index.row()));
  line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  return line.trimmed();
}

void ListBoxModel::ItemsInserted(int first, int count) {
  if (first == rows_ + pending_) {
    pending_ += count;
    if (!flush_queued_) {
      flush_queued_ = true;
      QTimer::singleShot(0, this, [this] { FlushAppends(); });
    }
    return;
  }
  FlushAppends();
  beginInsertRows(QModelIndex(), first, first + count - 1);
  rows_ += count;
  endInsertRows();
}

void ListBoxModel::ItemRemoved(int index) {
  FlushAppends();
  if (index < 0 || index >= rows_) return;
  beginRemoveRows(QModelIndex(), index, index);
  --rows_;
  endRemoveRows();
}

void ListBoxModel::Reset() {
  beginResetModel();
  rows_ = store_.Count(id_);
  pending_ = 0;
  endResetModel();
}

void ListBoxModel::FlushAppends() {
  flush_queued_ = false;
  if (pending_ == 0) return;
  beginInsertRows(QModelIndex(), rows_, rows_ + pending_ - 1);
  rows_ += pending_;
  pending_ = 0;
  endInsertRows();
}

ListBoxView::ListBoxView(ListBoxModel* model, bool multi_select, QWidget* parent)
    : QTableView(parent) {
  model->setParent(this);
  setModel(model);
  horizontalHeader()->hide();
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
  setShowGrid(false);
  setWordWrap(false);
  // Long lines (the RF monitor's frames) are shown whole: no ellipsis, a horizontal scroll bar
  // that moves by pixels rather than by the one wide column.
  setTextElideMode(Qt::ElideNone);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(multi_select ? QAbstractItemView::ExtendedSelection
                                : QAbstractItemView::SingleSelection);
  setTabKeyNavigation(false);
  connect(model, &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int last) { Measure(first, last); });
  connect(model, &QAbstractItemModel::rowsRemoved, this, [this] {
    // Removing one line does not shrink the column (that would mean measuring every line);
    // an emptied list starts again.
    if (this->model()->rowCount() == 0) widest_ = widest_estimate_ = 0;
    FitColumn();
  });
  connect(model, &QAbstractItemModel::modelReset, this, [this] {
    widest_ = widest_estimate_ = 0;
    Measure(0, this->model()->rowCount() - 1);
  });
  Measure(0, model->rowCount() - 1);
}

void ListBoxView::Measure(int first, int last) {
  const QFontMetrics metrics(font());
  // The item delegate keeps this margin on both sides of the text; the average character on top
  // covers what kerning may add to a line that is not shaped.
  const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) +
                      2 + metrics.averageCharWidth();
  auto* lines = static_cast<ListBoxModel*>(model());
  for (int row = first; row <= last; ++row) {
    const int estimate = Estimate(lines->Line(row));
    if (estimate <= widest_estimate_) continue;
    widest_estimate_ = estimate;
    const int shaped = metrics.horizontalAdvance(lines->index(row, 0).data().toString());
    widest_ = std::max(widest_, std::max(shaped, estimate) + margins);
  }
  FitColumn();
}

int ListBoxView::Estimate(const std::u16string& line) {
  // As data() shows it: line breaks become spaces and white space at both ends goes.
  auto blank = [](char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
  size_t begin = 0;
  size_t end = line.size();
  while (begin < end && blank(line[begin])) ++begin;
  while (end > begin && blank(line[end - 1])) --end;
  // Fractional advances: rounding each character would add up to many pixels on a long line.
  qreal width = 0;
  for (size_t i = begin; i < end; ++i) {
    const char16_t c = line[i];
    width += Advance(c == u'\r' || c == u'\n' ? u' ' : c);
  }
  return static_cast<int>(std::ceil(width));
}

qreal ListBoxView::Advance(char16_t c) {
  if (!latin1_known_) {
    const QFontMetricsF metrics(font());
    for (int i = 0; i < 256; ++i) {
      latin1_advance_[static_cast<size_t>(i)] = metrics.horizontalAdvance(QChar(i));
    }
    latin1_known_ = true;
  }
  if (c < 256) return latin1_advance_[c];
  auto it = other_advance_.constFind(c);
  if (it == other_advance_.constEnd()) {
    it = other_advance_.insert(c, QFontMetricsF(font()).horizontalAdvance(QChar(c)));
  }
  return it.value();
}

void ListBoxView::FitColumn() {
  const int width = std::max(viewport()->width(), widest_);
  if (columnWidth(0) != width) setColumnWidth(0, width);
}

bool ListBoxView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Resize) FitColumn();
  return QTableView::viewportEvent(event);
}

void ListBoxView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    // Every width was taken in the old font.
    latin1_known_ = false;
    other_advance_.clear();
    widest_ = widest_estimate_ = 0;
    Measure(0, model()->rowCount() - 1);
  }
  QTableView::changeEvent(event);
}

ListViewModel::ListViewModel(const ControlStore& store, int id, QObject* parent)
    : QAbstractTableModel(parent),
      store_(store),
      id_(id),
      rows_(store.RowCount(id)),
      columns_(store.ColumnCount(id)) {}

int ListViewModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int ListViewModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

QVariant ListViewModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  return ToQ(store_.Cell(id_, index.row(), index.column()));
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return ToQ(store_.Column(id_, section).caption);
}

void ListViewModel::RowCountChanged() {
  FlushCells();
  const int rows = store_.RowCount(id_);
  if (rows > rows_) {
    beginInsertRows(QModelIndex(), rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
  } else if (rows < rows_) {
    beginRemoveRows(QModelIndex(), rows, rows_ - 1);
    rows_ = rows;
    endRemoveRows();
  }
}

void ListViewModel::ColumnsChanged() {
  beginResetModel();
  rows_ = store_.RowCount(id_);
  columns_ = store_.ColumnCount(id_);
  dirty_first_ = dirty_last_ = -1;
  endResetModel();
}

void ListViewModel::CellChanged(int row, int /*column*/) {
  if (row >= rows_) return;
  dirty_first_ = dirty_first_ < 0 ? row : std::min(dirty_first_, row);
  dirty_last_ = std::max(dirty_last_, row);
  if (!flush_queued_) {
    flush_queued_ = true;
    QTimer::singleShot(0, this, [this] { FlushCells(); });
  }
}

void ListViewModel::FlushCells() {
  flush_queued_ = false;
  if (dirty_first_ < 0 || columns_ == 0) return;
  const QModelIndex top = index(dirty_first_, 0);
  const QModelIndex bottom = index(std::min(dirty_last_, rows_ - 1), columns_ - 1);
  dirty_first_ = dirty_last_ = -1;
  if (top.isValid() && bottom.isValid()) emit dataChanged(top, bottom, {Qt::DisplayRole});
}

}  // namespace corvane::ui
