#include "app/edit_project.h"

#include <utility>

#include "access/address_text.h"
#include "model/radio_settings.h"
#include "app/edit_project_template.h"

namespace corvane {

using namespace ui;  // NOLINT(build/namespaces): the template's control ids

CEditProject::CEditProject(Host& host, Project& project, EditProjectClient& client,
                           RecordAllocator allocate)
    : Dialog(EditProjectTemplate(), host),
      project_(project),
      client_(client),
      allocate_(std::move(allocate)) {}

void CEditProject::OnInit() {
  ResetContent(kEditProjectFrequency);
  for (std::u16string_view name : kFrequencyNames) AddString(kEditProjectFrequency, name);
  // An index the list does not know (a damaged file) leaves the combo empty and the project
  // untouched until the user picks a frequency.
  const uint32_t frequency = project_.FrequencyIndex();
  SetCurSel(kEditProjectFrequency,
            frequency < kFrequencyNames.size() ? static_cast<int>(frequency) : -1);

  SetText(kEditProjectPassword, project_.Password());
  SetText(kEditProjectName, project_.Name());
  SetText(kEditProjectNotes, project_.Notes());

  ResetContent(kEditProjectDevices);
  for (int i = 0; i < Project::kMaxDevices; ++i) {
    if (project_.Address(i) != 0) AddString(kEditProjectDevices, DeviceLine(project_.Address(i)));
  }

  SetCurSel(kEditProjectSortBy, static_cast<int>(InRangeSort::kAddress));
  RefreshInRange();

  ResetContent(kEditProjectManualAddress);
  for (const std::u16string& line : ManualEntryLines()) {
    AddString(kEditProjectManualAddress, line);
  }
}

void CEditProject::RefreshInRange() {
  const int sort = CurSel(kEditProjectSortBy);
  const InRangeSort order = (sort >= 0 && sort < static_cast<int>(kInRangeSortNames.size()))
                                ? static_cast<InRangeSort>(sort)
                                : InRangeSort::kAddress;
  ResetContent(kEditProjectInRange);
  for (const std::u16string& line : InRangeLines(client_.HeardList(), order)) {
    AddString(kEditProjectInRange, line);
  }
}

void CEditProject::OnCommand(int id) {
  switch (id) {
    case kEditProjectScan:
      client_.Scan();
      break;
    case kEditProjectCleanList:
      client_.CleanList();
      break;
    case kEditProjectAddHeard:
      AddSelectedHeard();
      break;
    case kEditProjectAddManual:
      AddManual();
      break;
    case kEditProjectRemove:
      RemoveSelected();
      break;
    default:
      break;
  }
}

void CEditProject::OnSelChange(int id) {
  switch (id) {
    case kEditProjectFrequency:
      StoreFrequency();
      SettingsChanged();
      break;
    case kEditProjectSortBy:
      RefreshInRange();
      break;
    default:
      break;
  }
}

void CEditProject::OnEditChange(int id) {
  if (id != kEditProjectPassword) return;
  StorePassword();
  SettingsChanged();
}

void CEditProject::OnDoubleClick(int id, int /*row*/, int /*column*/) {
  if (id == kEditProjectInRange) AddSelectedHeard();
}

void CEditProject::OnDelete(int list_id) {
  // Removing later lets the key finish with the list as it was when it was pressed.
  if (list_id == kEditProjectDevices) SetTimer(kTimerDelete, kDeleteMs);
}

void CEditProject::OnTimer(int id) {
  switch (id) {
    case kTimerRefresh:
      KillTimer(kTimerRefresh);
      RefreshInRange();
      break;
    case kTimerDelete:
      KillTimer(kTimerDelete);
      RemoveSelected();
      break;
    default:
      break;
  }
}

void CEditProject::OnOk() {
  project_.SetName(Text(kEditProjectName));
  project_.SetNotes(Text(kEditProjectNotes));
  StoreFrequency();
  StorePassword();
  EndDialog(kIdOk);
}

void CEditProject::AddSelectedHeard() {
  std::vector<int> selected = SelectedItems(kEditProjectInRange);
  if (selected.size() > kMaxMoved) selected.resize(kMaxMoved);
  // The lines are parsed before the first addition: nothing below changes this list, but the
  // project list is rebuilt only once for the whole batch.
  std::vector<RfAddress> addresses;
  for (int index : selected) {
    addresses.push_back(ParseAddressText(Item(kEditProjectInRange, index)));
  }
  for (RfAddress address : addresses) {
    if (!Add(address)) break;
  }
  RefreshProjectDevices();
}

void CEditProject::AddManual() {
  Add(ParseAddressText(Text(kEditProjectManualAddress)));
  RefreshProjectDevices();
}

bool CEditProject::Add(RfAddress address) {
  if (AddProjectDevice(project_, address, allocate_) == AddDeviceResult::kNoMemory) {
    MessageBox(u"Malloc Error", u"", {Buttons::kOk, Icon::kError, 0});
    return false;
  }
  return true;
}

void CEditProject::RemoveSelected() {
  std::vector<int> selected = SelectedItems(kEditProjectDevices);
  if (selected.size() > kMaxMoved) selected.resize(kMaxMoved);
  std::vector<RfAddress> addresses;
  for (int index : selected) {
    addresses.push_back(ParseAddressText(Item(kEditProjectDevices, index)));
  }
  for (RfAddress address : addresses) RemoveProjectDevice(project_, address);
  RefreshProjectDevices();
}

void CEditProject::RefreshProjectDevices() {
  ResetContent(kEditProjectDevices);
  for (const std::u16string& line : ProjectDeviceLines(project_)) {
    AddString(kEditProjectDevices, line);
  }
}

void CEditProject::StoreFrequency() {
  const int index = CurSel(kEditProjectFrequency);
  if (index >= 0) project_.SetFrequencyIndex(static_cast<uint32_t>(index));
}

void CEditProject::StorePassword() { project_.SetPassword(Text(kEditProjectPassword)); }

void CEditProject::SettingsChanged() {
  client_.ShowProjectSettings();
  client_.ApplyDongleSettings();
}

}  // namespace corvane
