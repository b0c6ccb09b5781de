#include "ui/qt/list_models.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
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
      QTimer::singleShot(FrameDelayMs(), this, [this] { FlushAppends(); });
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

int ListBoxModel::FrameDelayMs() const {
  if (!last_flush_.isValid() || frame_ms_ <= 0) return 0;
  return static_cast<int>(std::max<qint64>(0, frame_ms_ - last_flush_.elapsed()));
}

void ListBoxModel::FlushAppends() {
  flush_queued_ = false;
  if (pending_ == 0) return;
  last_flush_.start();
  beginInsertRows(QModelIndex(), rows_, rows_ + pending_ - 1);
  rows_ += pending_;
  pending_ = 0;
  endInsertRows();
}

ListBoxView::ListBoxView(ListBoxModel* model, bool multi_select, QWidget* parent)
    : QAbstractItemView(parent), row_height_(fontMetrics().height() + 2) {
  model->setParent(this);
  setModel(model);
  // Long lines (the RF monitor's frames) are shown whole: no ellipsis, a horizontal scroll bar
  // that moves by pixels.
  setTextElideMode(Qt::ElideNone);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(multi_select ? QAbstractItemView::ExtendedSelection
                                : QAbstractItemView::SingleSelection);
  setTabKeyNavigation(false);
  connect(model, &QAbstractItemModel::rowsRemoved, this, [this] {
    // Removing one line does not shrink the rows (that would mean measuring every line); an
    // emptied list starts again.
    if (RowCount() == 0) widest_ = widest_estimate_ = 0;
    shown_text_.clear();
    FitColumn();
    updateGeometries();
    viewport()->update();
  });
  Measure(0, RowCount() - 1);
}

int ListBoxView::RowCount() const { return model()->rowCount(rootIndex()); }

int ListBoxView::FirstShownRow() const { return verticalScrollBar()->value(); }

int ListBoxView::PageRows() const { return std::max(1, viewport()->height() / row_height_); }

int ListBoxView::column_width() const { return std::max(viewport()->width(), widest_); }

QRect ListBoxView::visualRect(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != model()) return {};
  return {-horizontalOffset(), (index.row() - FirstShownRow()) * row_height_, column_width(),
          row_height_};
}

void ListBoxView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!index.isValid()) return;
  const int row = index.row();
  const int page = PageRows();
  int first = FirstShownRow();
  switch (hint) {
    case EnsureVisible:
      if (row < first) {
        first = row;
      } else if (row >= first + page) {
        first = row - page + 1;
      }
      break;
    case PositionAtTop:
      first = row;
      break;
    case PositionAtBottom:
      first = row - page + 1;
      break;
    case PositionAtCenter:
      first = row - page / 2;
      break;
  }
  // The scroll bar keeps the row sideways where the user put it.
  verticalScrollBar()->setValue(first);
}

QModelIndex ListBoxView::indexAt(const QPoint& point) const {
  if (point.y() < 0) return {};
  const int row = FirstShownRow() + point.y() / row_height_;
  return row < RowCount() ? model()->index(row, 0, rootIndex()) : QModelIndex();
}

QModelIndex ListBoxView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
  const int rows = RowCount();
  if (rows == 0) return {};
  const QModelIndex current = currentIndex();
  int row = current.isValid() ? current.row() : -1;
  switch (action) {
    case MoveUp:
    case MovePrevious:
      row = row < 0 ? 0 : row - 1;
      break;
    case MoveDown:
    case MoveNext:
      ++row;
      break;
    case MovePageUp:
      row -= PageRows();
      break;
    case MovePageDown:
      row = std::max(row, 0) + PageRows();
      break;
    case MoveHome:
      row = 0;
      break;
    case MoveEnd:
      row = rows - 1;
      break;
    case MoveLeft:
    case MoveRight:
      // One column: the arrows scroll a long line sideways.
      horizontalScrollBar()->triggerAction(action == MoveLeft
                                               ? QAbstractSlider::SliderSingleStepSub
                                               : QAbstractSlider::SliderSingleStepAdd);
      return current;
  }
  return model()->index(std::clamp(row, 0, rows - 1), 0, rootIndex());
}

int ListBoxView::horizontalOffset() const { return horizontalScrollBar()->value(); }

int ListBoxView::verticalOffset() const { return FirstShownRow() * row_height_; }

bool ListBoxView::isIndexHidden(const QModelIndex&) const { return false; }

void ListBoxView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
  const int rows = RowCount();
  const QRect r = rect.normalized();
  const int top = FirstShownRow() + std::max(r.top(), 0) / row_height_;
  const int bottom = std::min(FirstShownRow() + std::max(r.bottom(), 0) / row_height_, rows - 1);
  QItemSelection selection;
  if (top <= bottom) {
    selection.select(model()->index(top, 0, rootIndex()), model()->index(bottom, 0, rootIndex()));
  }
  selectionModel()->select(selection, command);
}

QRegion ListBoxView::visualRegionForSelection(const QItemSelection& selection) const {
  QRegion region;
  const int first = FirstShownRow();
  const int last = first + PageRows();
  for (const QItemSelectionRange& range : selection) {
    const int top = std::max(range.top(), first);
    const int bottom = std::min(range.bottom(), last);
    if (top > bottom) continue;
    region += QRect(0, (top - first) * row_height_, viewport()->width(),
                    (bottom - top + 1) * row_height_);
  }
  return region;
}

void ListBoxView::updateGeometries() {
  const int page = PageRows();
  QScrollBar* down = verticalScrollBar();
  down->setSingleStep(1);
  down->setPageStep(page);
  down->setRange(0, std::max(0, RowCount() - page));
  QScrollBar* across = horizontalScrollBar();
  across->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
  across->setPageStep(viewport()->width());
  across->setRange(0, std::max(0, widest_ - viewport()->width()));
  QAbstractItemView::updateGeometries();
}

void ListBoxView::scrollContentsBy(int dx, int dy) {
  // The vertical bar counts rows.
  QAbstractItemView::scrollContentsBy(dx, dy * row_height_);
}

void ListBoxView::rowsInserted(const QModelIndex& parent, int first, int last) {
  QAbstractItemView::rowsInserted(parent, first, last);
  // Lines inserted before the end move the rows after them.
  if (last + 1 < RowCount()) shown_text_.clear();
  Measure(first, last);
  updateGeometries();
  // Only the rows from the first new one down change on the screen (none, below the last row
  // in sight).
  const int top = (first - FirstShownRow()) * row_height_;
  if (top < viewport()->height()) {
    viewport()->update(QRect(0, std::max(top, 0), viewport()->width(), viewport()->height()));
  }
}

void ListBoxView::reset() {
  QAbstractItemView::reset();
  shown_text_.clear();
  widest_ = widest_estimate_ = 0;
  Measure(0, RowCount() - 1);
  updateGeometries();
  viewport()->update();
}

void ListBoxView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.setFont(font());
  const QRect area = event->rect();
  const int first = FirstShownRow();
  const int from = first + std::max(area.top(), 0) / row_height_;
  const int to = std::min(first + area.bottom() / row_height_, RowCount() - 1);
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  const QStyle::State base = option.state;
  const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                     : isActiveWindow() ? QPalette::Active
                                                        : QPalette::Inactive;
  const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  const int text_top = (row_height_ - fontMetrics().height()) / 2;
  const QModelIndex current = currentIndex();
  QItemSelectionModel* selected = selectionModel();
  for (int row = from; row <= to; ++row) {
    const QModelIndex index = model()->index(row, 0, rootIndex());
    option.rect = visualRect(index);
    option.state = base;
    const bool is_selected = selected->isSelected(index);
    if (is_selected) option.state |= QStyle::State_Selected;
    // The style's own row background (the selection), the text, and the focus frame: what the
    // item delegate draws, without laying the text out again at every paint.
    style()->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, &painter, this);
    painter.setPen(
        option.palette.color(group, is_selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawStaticText(option.rect.left() + margin, option.rect.top() + text_top,
                           LineText(row));
    if (index == current && hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.QStyleOption::operator=(option);
      focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
      focus.backgroundColor =
          option.palette.color(group, is_selected ? QPalette::Highlight : QPalette::Base);
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
  }
}

const QStaticText& ListBoxView::LineText(int row) {
  auto it = shown_text_.find(row);
  if (it != shown_text_.end()) return it->second;
  // Only the rows in sight are kept: a screenful or two, not the whole list.
  if (shown_text_.size() >= kShownTextRows) shown_text_.clear();
  QStaticText text(model()->index(row, 0, rootIndex()).data().toString());
  text.setTextFormat(Qt::PlainText);
  return shown_text_.emplace(row, std::move(text)).first->second;
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
  const int width = column_width();
  if (width == fitted_width_) return;
  fitted_width_ = width;
  updateGeometries();
  viewport()->update();
}

bool ListBoxView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Resize) {
    fitted_width_ = -1;
    FitColumn();
  }
  return QAbstractItemView::viewportEvent(event);
}

void ListBoxView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    // Every width was taken in the old font.
    row_height_ = fontMetrics().height() + 2;
    shown_text_.clear();
    latin1_known_ = false;
    other_advance_.clear();
    widest_ = widest_estimate_ = 0;
    Measure(0, RowCount() - 1);
    updateGeometries();
  }
  QAbstractItemView::changeEvent(event);
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
