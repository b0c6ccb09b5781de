// The Qt window of one Dialog: widgets built from the dialog's template, kept in step with its
// control store in both directions. User input is written into the store first (without being
// echoed back) and then delivered as the dialog's event; store changes made by the logic are
// applied to the widgets as they happen.
#pragma once

#include <QDialog>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/control_store.h"
#include "ui/dialog.h"

class QGridLayout;
class QMimeData;

namespace corvane::ui {

class ListBoxModel;
class ListViewModel;
class WindowGrid;

class DialogWindow : public QDialog, public StoreObserver {
  Q_OBJECT

 public:
  DialogWindow(Dialog& dialog, QWidget* parent, bool modeless);
  ~DialogWindow() override;

  Dialog& dialog() const { return dialog_; }
  bool modeless() const { return modeless_; }
  // The widget of a control, or null.
  QWidget* Widget(int id) const;
  ListBoxModel* ListModel(int id) const;
  ListViewModel* TableModel(int id) const;
  // The control a widget (or one of its inner parts) belongs to; 0 for none.
  int ControlOf(const QObject* object) const;
  // Dropped local files go to Dialog::OnDropFiles, one event-loop turn after the drop.
  void AcceptFileDrops(bool accept) { setAcceptDrops(accept); }
  // The local files a drag carries, as native paths; other URLs are left out.
  static std::vector<std::u16string> LocalFiles(const QMimeData* data);

  void OnStoreChange(int id, Change change, int first, int count) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void reject() override;
  void accept() override;

 private:
  void Build(int container, QWidget* parent, QGridLayout* grid);
  QWidget* Create(const ControlSpec& spec, QWidget* parent);
  void ApplyAll();
  void Apply(int id, Change change, int first, int count);
  void ApplyItems(int id);
  void ApplySelection(int id);
  // Moves a list box's caret line once per event-loop turn, after the appended lines arrived:
  // following every line of a burst would lay the list out again for each of them.
  void ApplyCaret(int id);
  // Writes user input into the store without echoing it to the widget, then delivers `event`.
  template <class Write>
  void FromUser(int id, Write write, Event event);
  // Delivers an event while the window is alive; returns whether it was consumed.
  bool Send(const Event& event);
  // A drop is for this window only while no other modal window sits above it.
  bool TakesDrop(const QMimeData* data) const;
  // Keeps the window wide enough for its title beside the frame's buttons.
  void FitTitle();

  Dialog& dialog_;
  bool modeless_;
  bool alive_ = true;
  WindowGrid* grid_ = nullptr;
  bool syncing_ = false;  // the widgets are being set from the store
  int echo_id_ = 0;       // the store is being set from this control's widget
  std::unordered_map<int, QWidget*> widgets_;
  std::unordered_map<const QObject*, int> ids_;
  std::unordered_map<int, ListBoxModel*> list_models_;
  std::unordered_map<int, ListViewModel*> table_models_;
  std::unordered_map<int, bool> caret_queued_;
};

}  // namespace corvane::ui
