#include "ui/qt/dialog_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimeEdit>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <set>

#include "ui/qt/key_map.h"
#include "ui/qt/list_models.h"
#include "ui/qt/source_indicator.h"

namespace corvane::ui {
namespace {

QString ToQ(std::u16string_view s) {
  return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}
std::u16string FromQ(const QString& s) { return s.toStdU16String(); }

// Room for the title bar's buttons (close, maximise, minimise) and the window icon, which the
// window manager draws in its own sizes: about two lines of text each is what common themes use.
int FrameButtonsWidth(const QFontMetrics& metrics) { return 4 * 2 * metrics.height() + 16; }

// Titles longer than this may be cut by the window manager: a project path in the main
// window's title must not make the window wider than the screen.
constexpr int kMaxTitleWidth = 560;

}  // namespace

// The window's grid, never narrower than the title needs: a small dialog ("Select Device")
// would otherwise show its caption as a few letters and an ellipsis.
class WindowGrid : public QGridLayout {
 public:
  explicit WindowGrid(QWidget* parent) : QGridLayout(parent) {}
  void SetLeastWidth(int width) {
    if (width == least_width_) return;
    least_width_ = width;
    invalidate();
  }
  QSize minimumSize() const override { return Widen(QGridLayout::minimumSize()); }
  QSize sizeHint() const override { return Widen(QGridLayout::sizeHint()); }

 private:
  QSize Widen(QSize size) const {
    size.setWidth(std::max(size.width(), least_width_));
    return size;
  }
  int least_width_ = 0;
};

DialogWindow::DialogWindow(Dialog& dialog, QWidget* parent, bool modeless)
    : QDialog(parent), dialog_(dialog), modeless_(modeless) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* grid = new WindowGrid(this);
  grid_ = grid;
  grid->setSizeConstraint(QLayout::SetMinimumSize);
  Build(0, this, grid);
  for (int column : dialog.Template().stretch_columns) grid->setColumnStretch(column, 1);
  // Keys are seen on the widget that has the focus, before that widget acts on them.
  installEventFilter(this);
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  ApplyAll();
  dialog_.SetObserver(this);
}

DialogWindow::~DialogWindow() {
  // Widgets being torn down may still signal (focus, selection); none of it is user input.
  alive_ = false;
  dialog_.SetObserver(nullptr);
}

bool DialogWindow::Send(const Event& event) { return alive_ && dialog_.Deliver(event); }

QWidget* DialogWindow::Widget(int id) const {
  auto it = widgets_.find(id);
  return it == widgets_.end() ? nullptr : it->second;
}

ListBoxModel* DialogWindow::ListModel(int id) const {
  auto it = list_models_.find(id);
  return it == list_models_.end() ? nullptr : it->second;
}

ListViewModel* DialogWindow::TableModel(int id) const {
  auto it = table_models_.find(id);
  return it == table_models_.end() ? nullptr : it->second;
}

int DialogWindow::ControlOf(const QObject* object) const {
  for (const QObject* o = object; o != nullptr && o != this; o = o->parent()) {
    auto it = ids_.find(o);
    if (it != ids_.end()) return it->second;
  }
  return 0;
}

void DialogWindow::Build(int container, QWidget* parent, QGridLayout* grid) {
  const DialogTemplate& tpl = dialog_.Template();
  std::set<int> used_columns;
  int last_column = -1;
  for (const ControlSpec& spec : tpl.controls) {
    if (spec.cell.parent != container) continue;
    QWidget* w = Create(spec, parent);
    Qt::Alignment align;
    if (spec.kind == ControlKind::kColorSquare) align = Qt::AlignCenter;
    if (spec.kind == ControlKind::kImageButton && (spec.flags & kSourceIndicator)) {
      align = Qt::AlignTop | Qt::AlignHCenter;
    }
    grid->addWidget(w, spec.cell.row, spec.cell.col, spec.cell.row_span, spec.cell.col_span, align);
    for (int c = spec.cell.col; c < spec.cell.col + spec.cell.col_span; ++c) used_columns.insert(c);
    last_column = std::max(last_column, spec.cell.col + spec.cell.col_span - 1);
    if (spec.kind == ControlKind::kGroupBox) {
      auto* inner = new QGridLayout(w);
      if (spec.caption.empty()) inner->setContentsMargins(0, 0, 0, 0);
      Build(spec.id, w, inner);
    }
  }
  // An empty column takes the spare width, pushing what follows it to the right.
  if (container != 0 || tpl.stretch_columns.empty()) {
    for (int c = 0; c <= last_column; ++c) {
      if (!used_columns.contains(c)) grid->setColumnStretch(c, 1);
    }
  }
}

QWidget* DialogWindow::Create(const ControlSpec& spec, QWidget* parent) {
  const int id = spec.id;
  QWidget* widget = nullptr;
  switch (spec.kind) {
    case ControlKind::kStatic: {
      auto* label = new QLabel(ToQ(spec.caption), parent);
      if (spec.flags & kRightAlign) label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (spec.flags & kCenter) label->setAlignment(Qt::AlignCenter);
      widget = label;
      break;
    }
    case ControlKind::kEdit:
      if (spec.flags & kMultiLine) {
        auto* edit = new QPlainTextEdit(parent);
        edit->setReadOnly(spec.flags & kReadOnly);
        edit->setTabChangesFocus(true);
        const int lines = 3;
        edit->setMinimumHeight(edit->fontMetrics().lineSpacing() * lines + 2 * edit->frameWidth() +
                               8);
        // A template that gives a height means it: a short read-only hint must not take the
        // editor's large default size.
        if (spec.min_height > 0)
          edit->setFixedHeight(std::max(spec.min_height, edit->minimumHeight()));
        connect(edit, &QPlainTextEdit::textChanged, this, [this, id, edit] {
          if (syncing_) return;
          FromUser(
              id, [&] { dialog_.SetText(id, FromQ(edit->toPlainText())); },
              Event{.kind = Event::Kind::kEditChange, .id = id});
        });
        widget = edit;
      } else {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(spec.flags & kReadOnly);
        if (spec.flags & kPassword) edit->setEchoMode(QLineEdit::Password);
        if (spec.flags & kRightAlign) edit->setAlignment(Qt::AlignRight);
        connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
          FromUser(
              id, [&] { dialog_.SetText(id, FromQ(text)); },
              Event{.kind = Event::Kind::kEditChange, .id = id});
        });
        widget = edit;
      }
      break;
    case ControlKind::kButton: {
      auto* button = new QPushButton(ToQ(spec.caption), parent);
      // Enter is the dialog's (OnOk), not a default button's.
      button->setAutoDefault(false);
      connect(button, &QPushButton::clicked, this,
              [this, id] { Send(Event{.kind = Event::Kind::kCommand, .id = id}); });
      widget = button;
      break;
    }
    case ControlKind::kImageButton:
      if (spec.flags & kSourceIndicator) {
        auto* indicator = new SourceIndicatorButton(parent);
        connect(indicator, &QAbstractButton::clicked, this,
                [this, id] { Send(Event{.kind = Event::Kind::kCommand, .id = id}); });
        widget = indicator;
      } else {
        auto* button = new QPushButton(ToQ(spec.caption), parent);
        button->setAutoDefault(false);
        QFont font = button->font();
        font.setBold(true);
        button->setFont(font);
        connect(button, &QPushButton::clicked, this,
                [this, id] { Send(Event{.kind = Event::Kind::kCommand, .id = id}); });
        widget = button;
      }
      break;
    case ControlKind::kCheckBox: {
      auto* box = new QCheckBox(ToQ(spec.caption), parent);
      connect(box, &QCheckBox::clicked, this, [this, id](bool checked) {
        FromUser(
            id, [&] { dialog_.SetCheck(id, checked); },
            Event{.kind = Event::Kind::kCheck, .id = id});
      });
      widget = box;
      break;
    }
    case ControlKind::kComboList:
    case ControlKind::kComboEdit: {
      auto* combo = new QComboBox(parent);
      combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
      if (spec.kind == ControlKind::kComboEdit) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, id](const QString& text) {
          FromUser(
              id, [&] { dialog_.SetText(id, FromQ(text)); },
              Event{.kind = Event::Kind::kEditChange, .id = id});
        });
      }
      connect(combo, &QComboBox::activated, this, [this, id](int index) {
        FromUser(
            id, [&] { dialog_.SetCurSel(id, index); },
            Event{.kind = Event::Kind::kSelChange, .id = id});
      });
      widget = combo;
      break;
    }
    case ControlKind::kListBox: {
      auto* model = new ListBoxModel(dialog_, id, nullptr);
      auto* view = new ListBoxView(model, spec.flags & kMultiSelect, parent);
      list_models_[id] = model;
      connect(
          view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, id, view] {
            if (syncing_) return;
            FromUser(
                id,
                [&] {
                  const QModelIndexList rows = view->selectionModel()->selectedRows();
                  if (rows.size() == 1 || !(dialog_.Template().Find(id)->flags & kMultiSelect)) {
                    dialog_.SetCurSel(id, rows.isEmpty() ? -1 : rows.front().row());
                  } else {
                    dialog_.SetSel(id, -1, false);
                    for (const QModelIndex& i : rows) dialog_.SetSel(id, i.row(), true);
                  }
                  const QModelIndex current = view->currentIndex();
                  if (current.isValid()) dialog_.SetCaret(id, current.row());
                },
                Event{.kind = Event::Kind::kSelChange, .id = id});
          });
      connect(view, &QAbstractItemView::doubleClicked, this, [this, id](const QModelIndex& index) {
        Send(Event{.kind = Event::Kind::kDoubleClick, .id = id, .row = index.row(), .column = 0});
      });
      if (spec.min_width > 0) view->setMinimumWidth(spec.min_width);
      if (spec.min_height > 0) view->setMinimumHeight(spec.min_height);
      widget = view;
      break;
    }
    case ControlKind::kListView: {
      auto* view = new QTableView(parent);
      auto* model = new ListViewModel(dialog_, id, view);
      view->setModel(model);
      view->setEditTriggers(QAbstractItemView::NoEditTriggers);
      view->setSelectionMode(QAbstractItemView::SingleSelection);
      view->setSelectionBehavior((spec.flags & kFullRowSelect) ? QAbstractItemView::SelectRows
                                                               : QAbstractItemView::SelectItems);
      view->setShowGrid(spec.flags & kGridLines);
      view->setWordWrap(false);
      view->verticalHeader()->hide();
      view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
      view->horizontalHeader()->setHighlightSections(false);
      view->horizontalHeader()->setStretchLastSection(true);
      view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      table_models_[id] = model;
      connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
              [this, id](const QModelIndex& current) {
                if (syncing_) return;
                FromUser(
                    id, [&] { dialog_.SetCurSel(id, current.isValid() ? current.row() : -1); },
                    Event{.kind = Event::Kind::kSelChange, .id = id});
              });
      connect(view, &QTableView::doubleClicked, this, [this, id](const QModelIndex& index) {
        FromUser(
            id, [&] { dialog_.SetCurSel(id, index.row()); },
            Event{.kind = Event::Kind::kDoubleClick,
                  .id = id,
                  .row = index.row(),
                  .column = index.column()});
      });
      if (spec.min_height > 0) view->setMinimumHeight(spec.min_height);
      widget = view;
      break;
    }
    case ControlKind::kProgress: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      bar->setMaximumHeight(bar->fontMetrics().height() + 4);
      widget = bar;
      break;
    }
    case ControlKind::kDatePicker: {
      auto* date = new QDateEdit(parent);
      date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
      date->setCalendarPopup(true);
      connect(date, &QDateEdit::dateChanged, this, [this, id](QDate d) {
        if (syncing_) return;
        FromUser(
            id,
            [&] {
              dialog_.SetDate(id, Date{d.year(), d.month(), d.day()});
            },
            Event{.kind = Event::Kind::kEditChange, .id = id});
      });
      widget = date;
      break;
    }
    case ControlKind::kTimePicker: {
      auto* time = new QTimeEdit(parent);
      time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
      connect(time, &QTimeEdit::timeChanged, this, [this, id](QTime t) {
        if (syncing_) return;
        FromUser(
            id,
            [&] {
              dialog_.SetTime(id, TimeOfDay{t.hour(), t.minute(), t.second()});
            },
            Event{.kind = Event::Kind::kEditChange, .id = id});
      });
      widget = time;
      break;
    }
    case ControlKind::kColorSquare:
      widget = new ColorSquareWidget(parent);
      break;
    case ControlKind::kGroupBox:
      if (spec.caption.empty()) {
        widget = new QWidget(parent);
      } else {
        widget = new QGroupBox(ToQ(spec.caption), parent);
      }
      break;
  }
  if (spec.min_width > 0 && spec.kind != ControlKind::kListBox) {
    widget->setMinimumWidth(spec.min_width);
  }
  if (spec.flags & kKeepsPlace) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
  }
  if (id != kNoId) {
    widgets_[id] = widget;
    ids_[widget] = id;
    widget->setObjectName(QStringLiteral("ctl%1").arg(id));
  }
  return widget;
}

template <class Write>
void DialogWindow::FromUser(int id, Write write, Event event) {
  if (!alive_) return;
  const int saved = echo_id_;
  echo_id_ = id;
  write();
  echo_id_ = saved;
  Send(event);
}

void DialogWindow::FitTitle() {
  const QFontMetrics metrics(font());
  // Title bars tend to a bold font a little larger than the window's own.
  const int title = metrics.horizontalAdvance(windowTitle()) * 5 / 4;
  grid_->SetLeastWidth(std::min(title + FrameButtonsWidth(metrics), kMaxTitleWidth));
}

void DialogWindow::ApplyAll() {
  setWindowTitle(ToQ(dialog_.Title()));
  FitTitle();
  for (const auto& [id, widget] : widgets_) {
    const ControlSpec* spec = dialog_.Template().Find(id);
    widget->setVisible(dialog_.IsVisible(id));
    widget->setEnabled(dialog_.IsEnabled(id));
    widget->setToolTip(ToQ(dialog_.ToolTip(id)));
    switch (spec->kind) {
      case ControlKind::kComboList:
      case ControlKind::kComboEdit:
        ApplyItems(id);
        break;
      case ControlKind::kListBox:
        list_models_[id]->Reset();
        ApplySelection(id);
        break;
      case ControlKind::kListView:
        table_models_[id]->ColumnsChanged();
        Apply(id, Change::kColumns, 0, 0);
        break;
      case ControlKind::kProgress:
        Apply(id, Change::kProgress, 0, 0);
        break;
      case ControlKind::kDatePicker:
        Apply(id, Change::kDate, 0, 0);
        break;
      case ControlKind::kTimePicker:
        Apply(id, Change::kTime, 0, 0);
        break;
      case ControlKind::kColorSquare:
        Apply(id, Change::kColor, 0, 0);
        break;
      case ControlKind::kCheckBox:
        Apply(id, Change::kCheck, 0, 0);
        Apply(id, Change::kText, 0, 0);
        break;
      case ControlKind::kImageButton:
        Apply(id, Change::kSource, 0, 0);
        Apply(id, Change::kText, 0, 0);
        Apply(id, Change::kImage, 0, 0);
        break;
      default:
        Apply(id, Change::kText, 0, 0);
        break;
    }
  }
}

void DialogWindow::OnStoreChange(int id, Change change, int first, int count) {
  if (id == echo_id_ && id != 0) return;
  Apply(id, change, first, count);
}

void DialogWindow::Apply(int id, Change change, int first, int count) {
  if (change == Change::kTitle) {
    setWindowTitle(ToQ(dialog_.Title()));
    FitTitle();
    return;
  }
  QWidget* w = Widget(id);
  if (w == nullptr) return;
  const ControlSpec* spec = dialog_.Template().Find(id);
  const bool was_syncing = syncing_;
  syncing_ = true;
  switch (change) {
    case Change::kTitle:
      break;
    case Change::kVisible:
      w->setVisible(dialog_.IsVisible(id));
      break;
    case Change::kEnabled:
      w->setEnabled(dialog_.IsEnabled(id));
      break;
    case Change::kToolTip:
      w->setToolTip(ToQ(dialog_.ToolTip(id)));
      break;
    case Change::kText: {
      const QString text = ToQ(dialog_.Text(id));
      if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(text);
      } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
        if (line->text() != text) line->setText(text);
      } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        if (plain->toPlainText() != text) plain->setPlainText(text);
      } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (combo->isEditable() && combo->currentText() != text) combo->setEditText(text);
      } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setTitle(text);
      } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        if (!qobject_cast<SourceIndicatorButton*>(w)) button->setText(text);
      }
      break;
    }
    case Change::kCheck:
      if (auto* box = qobject_cast<QCheckBox*>(w)) box->setChecked(dialog_.IsChecked(id));
      break;
    case Change::kItemsReset:
    case Change::kItemsInserted:
    case Change::kItemRemoved:
      if (spec->kind == ControlKind::kListBox) {
        ListBoxModel* model = list_models_[id];
        if (change == Change::kItemsReset) model->Reset();
        if (change == Change::kItemsInserted) model->ItemsInserted(first, count);
        if (change == Change::kItemRemoved) model->ItemRemoved(first);
      } else {
        ApplyItems(id);
      }
      break;
    case Change::kSelection:
      ApplySelection(id);
      break;
    case Change::kCaret:
      if (!caret_queued_[id]) {
        caret_queued_[id] = true;
        const auto model = list_models_.find(id);
        QTimer::singleShot(model != list_models_.end() ? model->second->FrameDelayMs() : 0, this,
                           [this, id] { ApplyCaret(id); });
      }
      break;
    case Change::kColumns:
      if (auto* view = qobject_cast<QTableView*>(w)) {
        table_models_[id]->ColumnsChanged();
        int total = 0;
        for (int c = 0; c < dialog_.ColumnCount(id); ++c) {
          view->horizontalHeader()->resizeSection(c, dialog_.Column(id, c).width);
          total += dialog_.Column(id, c).width;
        }
        // Wide enough to show every column without clipping when the window is at its minimum,
        // unless the list may scroll sideways to them.
        const int full =
            total + 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width();
        const ControlSpec* spec = dialog_.Template().Find(id);
        const bool sideways =
            spec != nullptr && (spec->flags & kScrollSideways) != 0 && spec->min_width > 0;
        view->setMinimumWidth(sideways ? std::min(full, spec->min_width) : full);
      }
      break;
    case Change::kRowsReset:
      table_models_[id]->RowCountChanged();
      break;
    case Change::kCells:
      table_models_[id]->CellChanged(first, count);
      break;
    case Change::kProgress:
      if (auto* bar = qobject_cast<QProgressBar*>(w)) {
        bar->setRange(dialog_.RangeLow(id), dialog_.RangeHigh(id));
        bar->setValue(dialog_.Pos(id));
      }
      break;
    case Change::kDate:
      if (auto* edit = qobject_cast<QDateEdit*>(w)) {
        const Date d = dialog_.GetDate(id);
        edit->setDate(QDate(d.year, d.month, d.day));
      }
      break;
    case Change::kTime:
      if (auto* edit = qobject_cast<QTimeEdit*>(w)) {
        const TimeOfDay t = dialog_.GetTime(id);
        edit->setTime(QTime(t.hour, t.minute, t.second));
      }
      break;
    case Change::kColor:
      if (auto* square = qobject_cast<ColorSquareWidget*>(w)) square->SetColor(dialog_.Color(id));
      break;
    case Change::kSource:
      if (auto* indicator = qobject_cast<SourceIndicatorButton*>(w)) {
        indicator->SetState(dialog_.Source(id));
      }
      break;
    case Change::kImage:
      // A plain image button shows the picture registered for its number (a Qt resource
      // ":/images/<n>.svg" of the program) beside its caption, when there is one.
      if (auto* button = qobject_cast<QPushButton*>(w)) {
        const QString path = QStringLiteral(":/images/%1.svg").arg(dialog_.Image(id));
        if (QFile::exists(path)) {
          button->setIcon(QIcon(path));
          button->setIconSize(QSize(28, 28));
        }
      }
      break;
  }
  syncing_ = was_syncing;
}

void DialogWindow::ApplyItems(int id) {
  auto* combo = qobject_cast<QComboBox*>(Widget(id));
  if (combo == nullptr) return;
  const bool was_syncing = syncing_;
  syncing_ = true;
  const QString edit_text = combo->isEditable() ? ToQ(dialog_.Text(id)) : QString();
  combo->clear();
  QStringList items;
  for (int i = 0; i < dialog_.Count(id); ++i) items << ToQ(dialog_.Item(id, i));
  combo->addItems(items);
  combo->setCurrentIndex(dialog_.CurSel(id));
  if (combo->isEditable()) combo->setEditText(edit_text);
  syncing_ = was_syncing;
}

void DialogWindow::ApplyCaret(int id) {
  caret_queued_[id] = false;
  auto* view = qobject_cast<ListBoxView*>(Widget(id));
  if (view == nullptr) return;
  ListBoxModel* model = list_models_[id];
  model->FlushAppends();
  const QModelIndex index = model->index(dialog_.Caret(id), 0);
  if (!index.isValid()) return;
  const bool was_syncing = syncing_;
  syncing_ = true;
  view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  view->scrollTo(index);
  syncing_ = was_syncing;
}

void DialogWindow::ApplySelection(int id) {
  QWidget* w = Widget(id);
  const bool was_syncing = syncing_;
  syncing_ = true;
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    combo->setCurrentIndex(dialog_.CurSel(id));
    if (combo->isEditable()) combo->setEditText(ToQ(dialog_.Text(id)));
  } else if (auto* list = qobject_cast<ListBoxView*>(w)) {
    ListBoxModel* model = list_models_[id];
    model->FlushAppends();
    QItemSelection selection;
    const std::vector<int> rows = dialog_.SelectedItems(id);
    for (size_t i = 0; i < rows.size();) {
      size_t j = i;
      while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1) ++j;
      selection.select(model->index(rows[i], 0), model->index(rows[j], 0));
      i = j + 1;
    }
    list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  } else if (auto* table = qobject_cast<QTableView*>(w)) {
    const int row = dialog_.CurSel(id);
    if (row < 0) {
      table->clearSelection();
    } else {
      table->selectionModel()->setCurrentIndex(
          table->model()->index(row, 0),
          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
  }
  syncing_ = was_syncing;
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
    // A key the focus widget ignores travels up to its parents; handle it once, at the start.
    QWidget* focus = focusWidget();
    if (watched != (focus != nullptr ? static_cast<QObject*>(focus) : this)) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const int code = VirtualKey(*key);
    if (code == 0) return false;
    const int focus_id = focus != nullptr ? ControlOf(focus) : 0;
    return Send(Event{
        .kind = Event::Kind::kKey, .id = focus_id, .key = code, .down = type == QEvent::KeyPress});
  }
  if (type == QEvent::MouseButtonDblClick && qobject_cast<QLineEdit*>(watched) != nullptr) {
    // A double-click in an edit opens what the window offers for its value (the command
    // editor of the lighting windows); the edit still selects the word under the mouse.
    const int id = ControlOf(watched);
    if (id != 0 && widgets_.contains(id) && watched == widgets_[id]) {
      Send(Event{.kind = Event::Kind::kDoubleClick, .id = id, .row = 0, .column = 0});
    }
    return false;
  }
  if (type == QEvent::FocusOut) {
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    // Opening a drop-down or another window does not move the focus within the dialog.
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) return false;
    const int id = ControlOf(watched);
    if (id != 0 && widgets_.contains(id) &&
        (watched == widgets_[id] || watched == widgets_[id]->focusProxy())) {
      Send(Event{.kind = Event::Kind::kKillFocus, .id = id});
    }
  }
  return false;
}

void DialogWindow::closeEvent(QCloseEvent* event) {
  Send(Event{.kind = Event::Kind::kClose});
  // The logic decides: ending the dialog closes (or hides) the window, anything else keeps it.
  event->ignore();
}

std::vector<std::u16string> DialogWindow::LocalFiles(const QMimeData* data) {
  std::vector<std::u16string> names;
  if (data == nullptr || !data->hasUrls()) return names;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) names.push_back(FromQ(QDir::toNativeSeparators(url.toLocalFile())));
  }
  return names;
}

bool DialogWindow::TakesDrop(const QMimeData* data) const {
  if (!acceptDrops() || !alive_) return false;
  // Loading a project under an open device dialog would pull the project from under it.
  const QWidget* modal = QApplication::activeModalWidget();
  if (modal != nullptr && modal != this) return false;
  return !LocalFiles(data).empty();
}

void DialogWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (TakesDrop(event->mimeData())) event->acceptProposedAction();
}

void DialogWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (TakesDrop(event->mimeData())) event->acceptProposedAction();
}

void DialogWindow::dropEvent(QDropEvent* event) {
  if (!TakesDrop(event->mimeData())) return;
  event->acceptProposedAction();
  // The logic may show message boxes; the program that started the drag waits for the drop
  // to finish, so it runs after this event returns.
  QTimer::singleShot(0, this, [this, names = LocalFiles(event->mimeData())] {
    if (alive_) dialog_.OnDropFiles(names);
  });
}

void DialogWindow::reject() { Send(Event{.kind = Event::Kind::kClose}); }

void DialogWindow::accept() { Send(Event{.kind = Event::Kind::kCommand, .id = kIdOk}); }

}  // namespace corvane::ui
