// CEditProject: the project editor. It works directly on the main window's project: the
// frequency and password are stored (and sent to the dongle) at every change, devices are added
// and removed at once, and OK also takes over the name and the notes. Closing it any other way
// keeps what was already stored.
#pragma once

#include <vector>

#include "app/project_devices.h"
#include "model/project.h"
#include "ui/dialog.h"

namespace corvane {

// What the editor needs from the main window.
class EditProjectClient {
 public:
  // Writes the main window's password, frequency and RF power into the dongle.
  virtual void ApplyDongleSettings() = 0;
  // Shows the project's password and frequency in the main window.
  virtual void ShowProjectSettings() = 0;
  // Uploads the project device list and reads the heard list (the main window's "Scan").
  virtual void Scan() = 0;
  // Clears the dongle's heard list.
  virtual void CleanList() = 0;
  // The heard list as the dongle last reported it, in list order (see ParseHeardList).
  virtual std::vector<HeardEntry> HeardList() = 0;

 protected:
  ~EditProjectClient() = default;
};

class CEditProject : public ui::Dialog {
 public:
  // Refreshes "Devices in range" once, 500 ms after a partial heard-list block.
  static constexpr int kTimerRefresh = 98;
  static constexpr int kRefreshMs = 500;
  // The Delete key removes the selected project devices this much later.
  static constexpr int kTimerDelete = 1;
  static constexpr int kDeleteMs = 20;
  // At most this many selected lines are moved by one "-->" or "X <--".
  static constexpr int kMaxMoved = 10;

  CEditProject(ui::Host& host, Project& project, EditProjectClient& client,
               RecordAllocator allocate = AllocateRecord);

  // A complete heard-list block arrived: rebuild "Devices in range" now.
  void RefreshInRange();
  // A partial block arrived: rebuild it once, 500 ms from now.
  void StartRefreshTimer() { SetTimer(kTimerRefresh, kRefreshMs); }

 protected:
  void OnInit() override;
  void OnCommand(int id) override;
  void OnSelChange(int id) override;
  void OnEditChange(int id) override;
  void OnDoubleClick(int id, int row, int column) override;
  void OnDelete(int list_id) override;
  void OnTimer(int id) override;
  void OnOk() override;

 private:
  void AddSelectedHeard();
  void AddManual();
  void RemoveSelected();
  // Adds one device; false after a "Malloc Error", so a batch stops there.
  bool Add(RfAddress address);
  void RefreshProjectDevices();
  void StoreFrequency();
  void StorePassword();
  void SettingsChanged();

  Project& project_;
  EditProjectClient& client_;
  RecordAllocator allocate_;
};

}  // namespace corvane
