// CCorvaneDlg: the main window and the composition root. It owns the project, the message
// layer, the request queues, the dongle connection, the dialog slots and the device-access
// pieces, and wires them together; each piece keeps its own state behind a narrow interface.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "access/device_access.h"
#include "access/dialog_slots.h"
#include "access/request_queues.h"
#include "app/edit_project.h"
#include "app/heard_frames.h"
#include "app/profile.h"
#include "modbus/modbus_dlg.h"
#include "link/dongle_link.h"
#include "link/message_layer.h"
#include "link/transport.h"
#include "model/project.h"
#include "ui/dialog.h"

namespace corvane {

class CMonitor;

inline constexpr std::u16string_view kVersionText = u"4.61 ";
inline constexpr std::u16string_view kProgramTitle = u"Pellmar 4.61 ";

class CCorvaneDlg : public ui::Dialog,
                    public DongleLinkClient,
                    public Scheduler,
                    public RequestQueuesClient,
                    public ReportSink,
                    public VersionWarning,
                    public HeardFramesClient,
                    public EditProjectClient,
                    public ModbusDongleSteps {
 public:
  // Timers of the main window.
  enum Timer : int {
    kTimerLink = 2,
    kTimerStatistics = 6,
    kTimerInUse = 7,
    kTimerLog = DeviceLog::kTimer,
    kTimerWrite = RequestQueues::kWriteTimer,
    kTimerRead = RequestQueues::kReadTimer,
    kTimerServiceCode = 42,
    kTimerHelp = 43,
    kTimerHeardList = 48,
    kTimerPump = 97,
    kTimerScheduledFirst = 200,
  };

  struct Environment {
    Profile* profile = nullptr;
    // The project named on the command line (quotes already removed); empty for none.
    std::u16string command_line_file;
    // False for runs without a user (the command line): no project is opened or created at
    // start, so nothing is written into the working folder.
    bool open_start_project = true;
    // Ends the program at once with the exit code.
    std::function<void(int)> exit;
    // Replaces the dongle's firmware update (tests that drive it themselves); empty = built in.
    std::function<void(ui::Dialog&)> dongle_update;
    // Diagnostic lines (no dialog for a device class yet, ...).
    std::function<void(const std::u16string&)> log;
    // Appended to the window title ("[simulated network]"), so no one mistakes the network.
    std::u16string title_suffix;
    // Help: the help file beside the program when it exists, otherwise the user guide.
    std::u16string help_file;
    std::u16string user_guide;
  };

  CCorvaneDlg(ui::Host& host, Transport& transport, Environment environment);
  ~CCorvaneDlg() override;

  // Parts, for the dialogs that need them and for tests.
  Project& project() { return project_; }
  MessageLayer& layer() { return layer_; }
  RequestQueues& queues() { return queues_; }
  DongleLink& dongle() { return dongle_; }
  DialogSlots& dialog_slots() { return slots_; }
  DeviceOpener& opener() { return opener_; }
  DeviceLog& device_log() { return log_; }
  HeardFrames& heard_frames() { return heard_; }
  CMonitor* monitor() { return monitor_.get(); }
  int oem_mode() const { return oem_mode_; }
  const std::u16string& file_name() const { return file_name_; }
  bool modified() const { return modified_; }
  void SetModified() { modified_ = true; }
  RfAddress selected_address() const { return selected_address_; }

  // Calls `work` every `period_ms` (the simulated network's clock in --simulate mode).
  void SetPump(int period_ms, std::function<void()> work);

  // A USB device came or went: 100 ms later, look for the dongle again.
  void OnDeviceChange();
  // Files dropped on the window: project files load.
  void OnDropFiles(const std::vector<std::u16string>& names) override;

  // Project.
  // False when the file was refused; the open project then stays as it was.
  bool LoadProject(const std::u16string& name);
  // False when nothing was saved (failed, or the name dialog was cancelled).
  bool SaveProject();
  bool SaveProjectAs();
  void LoadProjectDialog();
  void NewProject();
  bool AskSaveIfModified();
  void ShowProjectSettings() override;
  void RefreshDeviceList() override;
  std::u16string ListLine(int entry) const;
  void EditProject();

  // Devices.
  void UploadProjectList();
  void Scan() override;
  void OpenDevice();
  // Runs the firmware update of `target` (ADDR_DONGLE for the dongle) above `owner`.
  void RunFirmwareUpdate(ui::Dialog& owner, RfAddress target, RfAddress route);
  void ChangePassword();
  void ShowMonitor();
  void ServiceCodePrompt();
  void OnHelp();

  // DongleLinkClient.
  DongleSettings CurrentSettings() override;
  void ShowConnection(std::u16string_view text) override;
  void ShowDongleAddress(std::u16string_view text) override;
  void ShowUptime(std::u16string_view text) override;
  void ShowBackgroundRssi(std::u16string_view text) override;
  void ShowBandwidth(std::u16string_view text) override;
  void ShowPassword(std::u16string_view text) override;
  void ShowFrequency(std::u16string_view text) override;
  void SelectRfPower(int position) override;
  void AskSharedDongle() override;
  void DongleUpdateNecessary() override;
  void SetStatisticsPolling(bool on) override;
  void OnActivationState(uint8_t state) override;
  void OnHeardListBlock(bool complete) override;

  // Scheduler.
  void After(int ms, std::function<void()> work) override;

  // RequestQueuesClient.
  void SetQueueTimer(int id, int ms) override { SetTimer(id, ms); }
  void KillQueueTimer(int id) override { KillTimer(id); }
  void ShowWriteProgress(int backlog, int position, bool visible) override;

  // ReportSink: may be called on any thread; the report is handled on the UI thread.
  void OnReport(const Report& report) override;

  // VersionWarning.
  void WarnIncompatibleVersion(bool newer) override;

  // EditProjectClient (the rest is above).
  void ApplyDongleSettings() override { dongle_.ApplyDongleSettings(); }
  void CleanList() override;
  std::vector<HeardEntry> HeardList() override;

  // ModbusDongleSteps (the rest is above).
  uint16_t AccessMode(RfAddress address) override { return AccessModeFor(address); }

  // HeardFramesClient.
  ui::LocalTime LocalNow() override { return host().Now(); }
  RfAddress SelectedAddress() const override { return selected_address_; }
  void MonitorLine(const std::u16string& line) override;
  void InRangeChanged() override;

 protected:
  void OnInit() override;
  void OnCommand(int id) override;
  void OnDoubleClick(int id, int row, int column) override;
  bool OnKey(int key, bool down) override;
  void OnTimer(int id) override;
  void OnOk() override {}
  void OnCancel() override;

 private:
  void StartLinkTimer();
  void ReadHeardList();
  void SetWindowTitle();
  void OpenStartProject(const std::u16string& remembered);
  bool SaveProjectTo(const std::u16string& name);
  // The device the user picked: the selected list line, else the "Select Device" dialog.
  RfAddress ChooseDevice();
  static uint16_t AccessModeFor(RfAddress address);

  Transport& transport_;
  Environment env_;
  Project project_;
  std::u16string file_name_;
  bool modified_ = false;
  MessageLayer layer_;
  RequestQueues queues_;
  DongleLink dongle_;
  DialogSlots slots_;
  DeviceLog log_;
  DeviceOpener opener_;
  ActivationWait activation_;
  HeardFrames heard_;
  std::unique_ptr<CMonitor> monitor_;
  CEditProject* edit_project_ = nullptr;  // while the project editor is open
  bool ctrl_held_ = false;
  bool dongle_update_pending_ = false;  // the "Dongle update necessary" path is under way
  RfAddress selected_address_ = 0;
  int oem_mode_ = 0;
  bool link_timer_running_ = false;
  std::function<void()> pump_;
  int next_scheduled_ = kTimerScheduledFirst;
  std::map<int, std::function<void()>> scheduled_;
  // Work posted from other threads checks this before touching the dialog.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace corvane
