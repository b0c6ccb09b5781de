#include "app/corvane_dlg.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "access/access_dialogs.h"
#include "access/address_text.h"
#include "app/main_template.h"
#include "app/shell_dialogs.h"
#include "firmware/fw_update.h"
#include "model/le.h"
#include "model/radio_settings.h"
#include "model/type_table.h"
#include "model/user_file.h"
#include "monitor/monitor.h"
#include "ui/text.h"

namespace corvane {

using namespace ui;

CCorvaneDlg::CCorvaneDlg(Host& host, Transport& transport, Environment environment)
    : Dialog(MainDialogTemplate(), host),
      transport_(transport),
      env_(std::move(environment)),
      layer_(transport),
      queues_(layer_, *this),
      dongle_(transport, layer_, *this, *this, *this),
      slots_(this),
      log_(*this, layer_),
      opener_(*this, project_, slots_),
      activation_({*this, queues_, log_, slots_, [] { return CFwUpdate::AnyOpen(); },
                   [this] { return selected_address_; }}),
      heard_(*this) {
  layer_.SetRequestBookkeeping(&queues_);
  layer_.SetRegisterFanOut(&slots_);
  layer_.SetDongleRegisterHandler(&dongle_);
  layer_.SetDeviceLogHandler(&log_);
  layer_.SetHeardFrameHandler(&heard_);
  if (env_.log) opener_.set_log(env_.log);
}

CCorvaneDlg::~CCorvaneDlg() {
  *alive_ = false;
  if (monitor_) host().Forget(*monitor_);
  transport_.Close();
}

// ---------------------------------------------------------------------------------------------
// Start-up and leaving

void CCorvaneDlg::OnInit() {
  // F1 and Ctrl+H in any of the program's dialogs bring up this window's help.
  host().SetHelpHandler([this, alive = std::weak_ptr<bool>(alive_)] {
    if (auto a = alive.lock(); a && *a) SetTimer(kTimerHelp, 20);
  });
  ProfileValues profile;
  if (env_.profile != nullptr) profile = ReadProfile(*env_.profile);
  // Until a run has ended normally no mode has been chosen: the normal names meanwhile.
  oem_mode_ = (profile.oem >= 0 && profile.oem < 3) ? profile.oem : 0;
  SetOemMode(oem_mode_);
  if (profile.oem >= 3 || profile.oem < 0) SetTimer(kTimerServiceCode, 100);

  project_.Reset();
  const int pwr = (profile.pwr >= 1 && profile.pwr <= 7) ? profile.pwr : 2;
  SetCurSel(kMainRfPower, pwr - 1);

  StartLinkTimer();

  if (env_.open_start_project) OpenStartProject(profile.file_name);

  // Buttons of work that is not in this program yet stay visible but disabled.

  SetImage(kMainScan, 165);
  SetImage(kMainLogo, 162);
  Show(kMainOpenDevice, true);
  RefreshDeviceList();
  if (dongle_.ConnectCheck([this] {
        dongle_.StartInUseCheck();
        SetTimer(kTimerInUse, 1500);
      })) {
  }
  Show(kMainWriteProgress, false);
}

void CCorvaneDlg::OnCancel() {
  if (!AskSaveIfModified()) return;
  dongle_.Release();
  // Give the release 100 ms to reach the dongle before the window goes.
  After(100, [this] {
    if (env_.profile != nullptr) {
      WriteProfile(*env_.profile, {oem_mode_, CurSel(kMainRfPower) + 1, file_name_});
    }
    EndDialog(kIdCancel);
  });
}

void CCorvaneDlg::StartLinkTimer() {
  SetTimer(kTimerLink, 250);
  link_timer_running_ = true;
}

void CCorvaneDlg::OnDeviceChange() {
  After(100, [this] {
    const bool was_open = transport_.IsOpen();
    if (dongle_.ConnectCheck()) {
      // Without this the keep-alive and the long-transfer time-outs would stay dead after
      // the first unplug.
      if (!link_timer_running_) StartLinkTimer();
    } else if (!transport_.IsOpen()) {
      KillTimer(kTimerLink);
      link_timer_running_ = false;
    }
    if (was_open != transport_.IsOpen()) {
      // What was sent while no dongle was there went nowhere. Waiting out its retries would
      // hold back what the dialogs ask next: a gateway's EEPROM confirmation, queued behind
      // them, then timed out although the gateway had stored. The dialogs time out and ask
      // again on their own.
      queues_.DropReads();
      queues_.DropWrites();
    }
  });
}

void CCorvaneDlg::SetPump(int period_ms, std::function<void()> work) {
  pump_ = std::move(work);
  SetTimer(kTimerPump, period_ms);
}

void CCorvaneDlg::After(int ms, std::function<void()> work) {
  const int id = next_scheduled_++;
  if (next_scheduled_ > kTimerScheduledFirst + 10000) next_scheduled_ = kTimerScheduledFirst;
  scheduled_[id] = std::move(work);
  SetTimer(id, ms);
}

void CCorvaneDlg::OnReport(const Report& report) {
  std::weak_ptr<bool> alive = alive_;
  host().Post([this, alive, report] {
    if (auto a = alive.lock(); a && *a) layer_.ProcessBuffer(ADDR_DONGLE, report.data(), 64);
  });
}

void CCorvaneDlg::OnTimer(int id) {
  switch (id) {
    case kTimerLink:
      dongle_.Tick();
      return;
    case kTimerStatistics:
      dongle_.PollStatistics();
      return;
    case kTimerInUse:
      KillTimer(kTimerInUse);
      dongle_.InUseWaitExpired();
      return;
    case kTimerLog:
      log_.OnTimeout();
      return;
    case kTimerWrite:
      queues_.OnWriteTimeout();
      return;
    case kTimerRead:
      queues_.OnReadTimeout();
      return;
    case kTimerServiceCode:
      KillTimer(kTimerServiceCode);
      ServiceCodePrompt();
      return;
    case kTimerHelp:
      KillTimer(kTimerHelp);
      OnHelp();
      return;
    case kTimerHeardList:
      KillTimer(kTimerHeardList);
      ReadHeardList();
      return;
    case kTimerPump:
      if (pump_) pump_();
      return;
    default:
      break;
  }
  if (auto it = scheduled_.find(id); it != scheduled_.end()) {
    KillTimer(id);
    auto work = std::move(it->second);
    scheduled_.erase(it);
    work();
  }
}

void CCorvaneDlg::OnCommand(int id) {
  switch (id) {
    case kMainLoadProject:
      LoadProjectDialog();
      break;
    case kMainNewProject:
      NewProject();
      break;
    case kMainSaveProject:
      SaveProject();
      break;
    case kMainSaveAs:
      SaveProjectAs();
      break;
    case kMainOpenDevice:
      OpenDevice();
      break;
    case kMainScan:
      Scan();
      break;
    case kMainMonitor:
      ShowMonitor();
      break;
    case kMainEditProject:
      EditProject();
      break;
    case kMainModbus:
      if (const RfAddress address = ChooseDevice(); address != 0) {
        selected_address_ = address;
        RunModbusDialog(*this, *this, layer_, queues_, address);
      }
      break;
    case kMainChangePassword:
      ChangePassword();
      break;
    case kMainHelp:
      SetTimer(kTimerHelp, 20);
      break;
    case kMainDongleUpdate:
      RunFirmwareUpdate(*this, ADDR_DONGLE, 0);
      break;
    default:
      break;
  }
}

void CCorvaneDlg::OnDoubleClick(int id, int, int) {
  if (id == kMainDeviceList) OpenDevice();
}

bool CCorvaneDlg::OnKey(int key, bool down) {
  if (key == vk::kControl) {
    ctrl_held_ = down;
    return false;
  }
  if (!down) return false;
  if (key == 0x7A) {  // F11
    SetTimer(kTimerServiceCode, 20);
    return true;
  }
  if (key == vk::kF1) {
    SetTimer(kTimerHelp, 20);
    return true;
  }
  if (ctrl_held_ && (key == 0x53 || key == 0x73)) {  // Ctrl+S, Ctrl+F4
    ctrl_held_ = false;
    SetTimer(kTimerServiceCode, 20);
    return true;
  }
  if (ctrl_held_ && (key == 0x48 || key == 0x68)) {  // Ctrl+H, Ctrl+numeric 8
    ctrl_held_ = false;
    SetTimer(kTimerHelp, 20);
    return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// Project

void CCorvaneDlg::SetWindowTitle() {
  SetTitle(std::u16string(kProgramTitle) + file_name_ + env_.title_suffix);
}

void CCorvaneDlg::OpenStartProject(const std::u16string& remembered) {
  // The command line's project, else the remembered one when it can be read.
  if (!env_.command_line_file.empty()) {
    if (LoadProject(env_.command_line_file)) return;
  } else if (!remembered.empty()) {
    FileError error;
    if (UserFile::Open(Utf16ToUtf8(remembered), error).is_open() && LoadProject(remembered)) {
      return;
    }
  }
  // Else "new_project.cvp": an installation may already be kept in it, so it is loaded when
  // it is there and only created when it is not.
  const std::u16string fallback = u"new_project.cvp";
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::path(Utf16ToUtf8(fallback)), ec)) {
    LoadProject(fallback);
    return;
  }
  project_.Reset();
  file_name_ = fallback;
  SaveProject();
  SetWindowTitle();
}

bool CCorvaneDlg::LoadProject(const std::u16string& name) {
  // Read into a project of its own: a file that is refused leaves the open project, its file
  // name, its title and the dongle's settings exactly as they were.
  auto loaded = std::make_unique<Project>();
  const ProjectLoadResult result = LoadProjectFile(Utf16ToUtf8(name), *loaded);
  if (result.status == ProjectLoadResult::Status::kCannotOpen) {
    MessageBox(Format("File %s could not be opened %d", Utf16ToUtf8(name).c_str(), result.error));
    return false;
  }
  if (result.status != ProjectLoadResult::Status::kOk) {
    MessageBox(u"Invalid file");
    return false;
  }
  project_ = std::move(*loaded);
  file_name_ = name;
  // The changes the flag stood for belonged to the project that was just replaced.
  modified_ = false;
  SetWindowTitle();
  Show(kMainOpenDevice, true);
  RefreshDeviceList();
  return true;
}

bool CCorvaneDlg::SaveProject() {
  // A new project that was never given a name is saved under one the user picks.
  if (file_name_.empty()) return SaveProjectAs();
  return SaveProjectTo(file_name_);
}

bool CCorvaneDlg::SaveProjectTo(const std::u16string& name) {
  const ProjectSaveResult result = SaveProjectFile(Utf16ToUtf8(name), project_);
  if (!result.ok) {
    MessageBox(Format("File %s could not be opened %d", Utf16ToUtf8(name).c_str(), result.error));
    return false;
  }
  modified_ = false;
  return true;
}

namespace {

FileDialogSpec ProjectFileSpec(bool save) {
  FileDialogSpec spec;
  spec.filters = {{u"project files (*.cvp)", u"*.cvp"}};
  spec.default_extension = u"cvp";
  spec.initial_name = u"new_project";
  spec.overwrite_prompt = save;
  spec.must_exist = true;
  return spec;
}

}  // namespace

bool CCorvaneDlg::SaveProjectAs() {
  const auto name = host().SaveFileName(this, ProjectFileSpec(true));
  if (!name) return false;
  // The name is taken only once the project is in it: after a failed save, Save must not
  // point at a place that cannot be written.
  if (!SaveProjectTo(*name)) return false;
  file_name_ = *name;
  SetWindowTitle();
  return true;
}

void CCorvaneDlg::LoadProjectDialog() {
  if (!AskSaveIfModified()) return;
  const auto name = host().OpenFileName(this, ProjectFileSpec(false));
  if (name) LoadProject(*name);
}

void CCorvaneDlg::NewProject() {
  if (!AskSaveIfModified()) return;
  project_.Reset();
  // The new project has no file yet; keeping the old name would let the next Save write the
  // empty project over the installation that was open.
  file_name_.clear();
  SetWindowTitle();
  Show(kMainOpenDevice, true);
  RefreshDeviceList();
  EditProject();
  SaveProjectAs();
}

bool CCorvaneDlg::AskSaveIfModified() {
  if (!modified_) return true;
  const int answer = MessageBox(u"Save Project?", u"Warning before Project Exit",
                                {Buttons::kYesNoCancel, Icon::kWarning, 0});
  if (answer == kIdCancel) return false;
  // A save that fails (read-only folder, medium gone) keeps everything as it was.
  if (answer == kIdYes) return SaveProject();
  return true;
}

void CCorvaneDlg::OnDropFiles(const std::vector<std::u16string>& names) {
  bool asked = false;
  for (const std::u16string& name : names) {
    if (name.size() > 260) continue;
    const size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos) continue;
    std::u16string extension = name.substr(dot + 1);
    for (auto& c : extension) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    if (extension != u"CVP") continue;
    if (!asked) {
      if (!AskSaveIfModified()) return;
      asked = true;
    }
    LoadProject(name);
  }
}

void CCorvaneDlg::ShowProjectSettings() {
  SetText(kMainPassword, project_.Password());
  const uint32_t index = project_.FrequencyIndex();
  if (index < kFrequencyNames.size()) SetText(kMainFrequency, kFrequencyNames[index]);
}

std::vector<HeardEntry> CCorvaneDlg::HeardList() { return HeardListOf(dongle_); }

std::u16string CCorvaneDlg::ListLine(int entry) const {
  return ProjectListLine(project_, entry, const_cast<CCorvaneDlg*>(this)->HeardList());
}

void CCorvaneDlg::RefreshDeviceList() {
  ShowProjectSettings();
  SetText(kMainNotes, project_.Notes());
  ResetContent(kMainDeviceList);
  const std::vector<HeardEntry> heard = HeardList();
  for (int i = 0; i < Project::kMaxDevices; ++i) {
    if (project_.Address(i) != 0) AddString(kMainDeviceList, ProjectListLine(project_, i, heard));
  }
}

// ---------------------------------------------------------------------------------------------
// Devices

void CCorvaneDlg::UploadProjectList() {
  dongle_.ApplyDongleSettings();
  std::vector<uint16_t> list(2, 0);
  for (int i = 0; i < Project::kMaxDevices; ++i) {
    const RfAddress address = project_.Address(i);
    if (address == 0) continue;
    list.push_back(static_cast<uint16_t>(address));
    list.push_back(static_cast<uint16_t>(address >> 16));
  }
  const uint32_t count = static_cast<uint32_t>(list.size() / 2 - 1);
  list[0] = static_cast<uint16_t>(count);
  list[1] = static_cast<uint16_t>(count >> 16);
  queues_.QueueWrite(0, ADDR_DONGLE, DongleLink::kRegProjectList, static_cast<int>(list.size()),
                     list.data(), 0, false);
  dongle_.SetMirror(DongleLink::kRegListState, 2);
  dongle_.WriteRegister(DongleLink::kRegListState, 2);
}

void CCorvaneDlg::ReadHeardList() {
  queues_.QueueRead(0, ADDR_DONGLE, DongleLink::kRegHeardList, 401, 0, false);
}

void CCorvaneDlg::Scan() {
  UploadProjectList();
  ReadHeardList();
  SetTimer(kTimerHeardList, 500);
}

RfAddress CCorvaneDlg::ChooseDevice() {
  const int sel = CurSel(kMainDeviceList);
  if (sel >= 0) return ParseAddressText(Item(kMainDeviceList, sel));
  CChoiseDevice choose(host(), project_);
  if (RunModal(choose) != kIdOk) return 0;
  return choose.chosen();
}

uint16_t CCorvaneDlg::AccessModeFor(RfAddress address) {
  uint16_t mode = 0;
  switch (TypeOf(address)) {
    case 0x003:
    case 0x00A:
    case 0x00B:
    case 0x00D:
    case 0x00E:
    case 0x00F:
    case 0x011:
    case 0x012:
      mode = 4;
      break;
    default:
      break;
  }
  // Devices that do not listen must be caught awake.
  if (!Listens(address)) mode |= 0x10;
  return mode;
}

void CCorvaneDlg::OpenDevice() {
  modified_ = true;
  const RfAddress address = ChooseDevice();
  if (address == 0) return;
  selected_address_ = address;

  dongle_.ApplyDongleSettings();
  queues_.SetAccessTarget(address, AccessModeFor(address), 32);
  Scan();

  opener_.OpenDialogFor(*this, address, 0);

  // The access is over: whatever is still queued for it goes, and the dongle is released.
  queues_.DropReads();
  queues_.DropWrites();
  dongle_.WriteRegister(DongleLink::kRegAccessMode, 32);
  dongle_.WriteRegister(DongleLink::kRegAccessParameter, 22);
  RefreshDeviceList();
}

void CCorvaneDlg::RunFirmwareUpdate(Dialog& owner, RfAddress target, RfAddress route) {
  if (target == ADDR_DONGLE && env_.dongle_update) {
    env_.dongle_update(owner);
    return;
  }
  CFwUpdate update(host(), layer_, target, route);
  owner.RunModal(update);
}

void CCorvaneDlg::ChangePassword() {
  const RfAddress address = ChooseDevice();
  if (address == 0) return;
  selected_address_ = address;
  dongle_.ApplyDongleSettings();
  const uint16_t mode = AccessModeFor(address);
  if (mode != 0) dongle_.WriteRegister(DongleLink::kRegAccessMode, mode);
  queues_.SetAccessTarget(address, 0, 0);
  CPassChange dialog(host());
  RunModal(dialog);
  queues_.DropReads();
  queues_.DropWrites();
  dongle_.WriteRegister(DongleLink::kRegAccessMode, 32);
  dongle_.WriteRegister(DongleLink::kRegAccessParameter, 22);
}

// ---------------------------------------------------------------------------------------------
// Shell: service code, help, RF monitor

void CCorvaneDlg::ServiceCodePrompt() {
  CServiceCode prompt(host());
  RunModal(prompt);
  const auto found = LookUpServiceCode(prompt.code());
  if (!found) return;
  oem_mode_ = found->mode;
  SetOemMode(oem_mode_);
  MessageBox(found->message);
  RefreshDeviceList();
}

void CCorvaneDlg::OnHelp() {
  std::error_code ec;
  if (!env_.help_file.empty() &&
      std::filesystem::exists(std::filesystem::path(Utf16ToUtf8(env_.help_file)), ec)) {
    host().ShellOpen(env_.help_file);
  } else if (!env_.user_guide.empty()) {
    host().ShellOpen(env_.user_guide);
  } else {
    // Neither beside the program nor installed: say where it is looked for, rather than
    // doing nothing at all.
    MessageBox(
        u"The user guide was not found.\nIt is looked for as share/corvane/user-guide.html "
        u"beside the program's folder, or as docs/user-guide.html in the source tree.",
        u"Help", {ui::Buttons::kOk, ui::Icon::kInformation, 0});
  }
}

void CCorvaneDlg::ShowMonitor() {
  dongle_.ApplyDongleSettings();
  if (!monitor_) {
    monitor_ = std::make_unique<CMonitor>(host());
    monitor_->OpenLog();
  }
  ShowModeless(*monitor_);
}

void CCorvaneDlg::MonitorLine(const std::u16string& line) {
  if (monitor_) monitor_->AddLine(line);
}

void CCorvaneDlg::InRangeChanged() {
  slots_.NotifyInRange();
  if (CurSel(kMainDeviceList) < 0) RefreshDeviceList();
}

// ---------------------------------------------------------------------------------------------
// What the dongle link shows and asks

DongleSettings CCorvaneDlg::CurrentSettings() {
  return {Text(kMainPassword), Text(kMainFrequency), std::max(0, CurSel(kMainRfPower))};
}

void CCorvaneDlg::ShowConnection(std::u16string_view text) { SetText(kMainConnection, text); }
void CCorvaneDlg::ShowDongleAddress(std::u16string_view text) { SetText(kMainDongleAddress, text); }
void CCorvaneDlg::ShowUptime(std::u16string_view text) { SetText(kMainUptime, text); }
void CCorvaneDlg::ShowBackgroundRssi(std::u16string_view text) { SetText(kMainRssi, text); }
void CCorvaneDlg::ShowBandwidth(std::u16string_view text) { SetText(kMainBandwidth, text); }
void CCorvaneDlg::ShowPassword(std::u16string_view text) { SetText(kMainPassword, text); }
void CCorvaneDlg::ShowFrequency(std::u16string_view text) { SetText(kMainFrequency, text); }
void CCorvaneDlg::SelectRfPower(int position) { SetCurSel(kMainRfPower, position); }

void CCorvaneDlg::AskSharedDongle() {
  const int answer =
      MessageBox(u"Strixa used by another application, some problems are possible. Continue?",
                 u"Strixa used", {Buttons::kYesNo, Icon::kQuestion, 1});
  if (answer != kIdYes && env_.exit) env_.exit(5);
}

void CCorvaneDlg::DongleUpdateNecessary() {
  // Not from inside the dispatch of the report that told us: the box and the update run their
  // own loops, whose reports would reuse buffers the outer dispatch is still reading.
  if (dongle_update_pending_) return;
  dongle_update_pending_ = true;
  After(0, [this] {
    MessageBox(u"Dongle update necessary", u"", {Buttons::kOk, Icon::kInformation, 0});
    RunFirmwareUpdate(*this, ADDR_DONGLE, 0);
    dongle_update_pending_ = false;
  });
}

void CCorvaneDlg::SetStatisticsPolling(bool on) {
  if (on) {
    SetTimer(kTimerStatistics, 3000);
  } else {
    KillTimer(kTimerStatistics);
  }
}

void CCorvaneDlg::OnActivationState(uint8_t state) { activation_.OnActivationState(state); }

void CCorvaneDlg::OnHeardListBlock(bool complete) {
  // Device dialogs show their buttons only for devices in the heard list.
  slots_.NotifyInRange();
  if (edit_project_ != nullptr) {
    if (complete) {
      edit_project_->RefreshInRange();
    } else {
      edit_project_->StartRefreshTimer();
    }
  }
  RefreshDeviceList();
}

void CCorvaneDlg::EditProject() {
  CEditProject editor(host(), project_, *this);
  edit_project_ = &editor;
  RunModal(editor);
  edit_project_ = nullptr;
  dongle_.ApplyDongleSettings();
  modified_ = true;
  Show(kMainOpenDevice, true);
  RefreshDeviceList();
}

void CCorvaneDlg::CleanList() {
  dongle_.SetMirror(DongleLink::kRegListState, 1);
  dongle_.WriteRegister(DongleLink::kRegListState, 1);
}

void CCorvaneDlg::ShowWriteProgress(int backlog, int position, bool visible) {
  if (visible) {
    SetRange(kMainWriteProgress, 0, backlog);
    SetStep(kMainWriteProgress, 1);
  }
  SetPos(kMainWriteProgress, position);
  Show(kMainWriteProgress, visible);
}

void CCorvaneDlg::WarnIncompatibleVersion(bool newer) {
  MessageBox(newer ? u"In Gatrix is newer version than expected, it is necessary Window reopen"
                   : u"In Gatrix is older version than expected, it is necessary Window reopen",
             u"Incompatible version", {Buttons::kOk, Icon::kWarning, 0});
}

}  // namespace corvane
