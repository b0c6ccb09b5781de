#include "firmware/fw_update.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <span>

#include "firmware/fw_update_template.h"
#include "link/messages.h"
#include "model/device_text.h"
#include "model/le.h"
#include "model/type_table.h"
#include "model/user_file.h"
#include "ui/text.h"

namespace corvane {
namespace {

using ui::Format;

constexpr int kBlockMessageBytes = 4 + kFirmwareBlockBytes;  // [0x15][250][block u16][512]

}  // namespace

int CFwUpdate::open_count_ = 0;

CFwUpdate::CFwUpdate(ui::Host& host, MessageLayer& layer, RfAddress target, RfAddress route)
    : Dialog(ui::FwUpdateTemplate(), host), layer_(layer), target_(target), route_(route) {}

CFwUpdate::~CFwUpdate() {
  if (hooked_) {
    layer_.SetFirmwareHook(nullptr);
    --open_count_;
  }
}

uint16_t CFwUpdate::MirrorWord(int reg) const {
  if (reg >= 0 && reg < kLowWindow) return low_[static_cast<size_t>(reg)];
  if (reg >= kHighFirst && reg < kHighFirst + kHighWindow) {
    return high_[static_cast<size_t>(reg - kHighFirst)];
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Life of the dialog

void CFwUpdate::OnInit() {
  if (!hooked_) {
    layer_.SetFirmwareHook(this);
    hooked_ = true;
    ++open_count_;
  }
  SetTitle(u"Firmware Update " + DisplayName(target_));
  low_.fill(0);
  high_.fill(0);
  missing_ = 0xFF;
  for (int id : {ui::kFwUpdateName, ui::kFwUpdateDeviceId, ui::kFwUpdateHardware,
                 ui::kFwUpdateDevName, ui::kFwUpdateHwName, ui::kFwUpdateFwName, ui::kFwUpdateFwNum,
                 ui::kFwUpdateBootNum, ui::kFwUpdateRfCal}) {
    SetText(id, u"...");
  }
  Enable(ui::kFwUpdateStart, false);
  RefreshStep();
}

void CFwUpdate::Close(int result) {
  KillTimer(kTimeoutTimer);
  if (hooked_) {
    layer_.SetFirmwareHook(nullptr);
    hooked_ = false;
    --open_count_;
  }
  EndDialog(result);
}

void CFwUpdate::OnOk() { Close(ui::kIdOk); }
void CFwUpdate::OnCancel() { Close(ui::kIdCancel); }

void CFwUpdate::OnCommand(int id) {
  switch (id) {
    case ui::kFwUpdateStart:
      StartUpdate();
      return;
    case ui::kFwUpdateRefresh:
      missing_ = 0xFF;
      RefreshStep();
      return;
    case ui::kFwUpdateJumpApp:
      // The target restarts on its own; the user refreshes when it is back.
      state_ = State::kReturning;
      SendCommand(kCmdStartApplication);
      return;
    case ui::kFwUpdateJumpBoot:
      state_ = State::kJumpSent;
      SendCommand(kCmdEnterBootloader);
      Arm(kJumpMs);
      return;
    default:
      return;
  }
}

// ---------------------------------------------------------------------------------------------
// Sending

void CFwUpdate::Send(const uint8_t* message, int length, bool acknowledged) {
  if (route_ == 0) {
    layer_.SendMsg(target_, message, length, acknowledged);
    return;
  }
  // The routing node gets [MSG_RF_SEND][length + 4][target][message]; the message layer wraps
  // that once more for the routing node itself.
  uint8_t wrapped[kMaxMessage];
  if (length + 6 > kMaxMessage) return;
  wrapped[0] = MSG_RF_SEND;
  wrapped[1] = static_cast<uint8_t>(std::min(length + 4, int{kLengthToEnd}));
  PutU32(wrapped + 2, target_);
  std::memcpy(wrapped + 6, message, static_cast<size_t>(length));
  layer_.SendMsg(route_, wrapped, length + 6, acknowledged);
}

void CFwUpdate::SendRead(uint16_t first, uint8_t count) {
  uint8_t m[5] = {MSG_REG_READ, 3, 0, 0, count};
  PutU16(m + 2, first);
  Send(m, sizeof m, false);
}

void CFwUpdate::SendCommand(uint8_t command) {
  const uint8_t m[3] = {MSG_FW_CMD, 1, command};
  Send(m, sizeof m, false);
}

void CFwUpdate::SendInfoRequest() {
  if (route_ == 0) {
    SendRead(1, 1);
    SendRead(5, 13);
    SendRead(0xFEC6, 9);
    SendRead(0xFED0, 16);
    SendRead(0xFEE0, 8);
    return;
  }
  // Through a routing node every message costs a radio round trip: the six reads travel
  // together in one wrapped message.
  static constexpr struct {
    uint16_t first;
    uint8_t count;
  } kReads[] = {{1, 1}, {5, 13}, {0xFEC6, 9}, {0xFED0, 8}, {0xFED8, 8}, {0xFEE0, 8}};
  uint8_t inner[6 * 5];
  uint8_t* p = inner;
  for (const auto& r : kReads) {
    p[0] = MSG_REG_READ;
    p[1] = 3;
    PutU16(p + 2, r.first);
    p[4] = r.count;
    p += 5;
  }
  uint8_t wrapped[6 + sizeof inner];
  wrapped[0] = MSG_RF_SEND;
  wrapped[1] = static_cast<uint8_t>(sizeof inner + 4);
  PutU32(wrapped + 2, target_);
  std::memcpy(wrapped + 6, inner, sizeof inner);
  layer_.SendMsg(route_, wrapped, sizeof wrapped, false);
}

void CFwUpdate::SendBootCheck() {
  SendRead(5, 2);
  SendRead(6, 20);
  SendRead(0xFEC6, 34);
}

void CFwUpdate::SendCurrentBlock() {
  if (image_ == nullptr) {
    Box(u"Not Valid Container loaded");
    return;
  }
  // Everything written already: a further attempt has nothing to send.
  if (remaining_ == 0 || current_ + kFirmwareBlockBytes > total_) return;
  uint8_t m[kBlockMessageBytes];
  m[0] = MSG_FW_BLOCK;
  m[1] = kLengthToEnd;
  PutU16(m + 2, static_cast<uint16_t>(block_counter_));
  std::memcpy(m + 4, image_.get() + current_, kFirmwareBlockBytes);
  Send(m, sizeof m, true);
}

// ---------------------------------------------------------------------------------------------
// Container selection and checks

void CFwUpdate::StartUpdate() {
  SetStep(ui::kFwUpdateProgress, 1);
  SetRange(ui::kFwUpdateProgress, 0, 100);
  SetPos(ui::kFwUpdateProgress, 0);
  ui::FileDialogSpec request;
  request.filters = {{u"BIN Files (*.bin)", u"*.bin"}, {u"All Files (*.*)", u"*.*"}};
  request.initial_name = u"*.bin";
  request.must_exist = true;
  const std::optional<std::u16string> path = host().OpenFileName(this, request);
  if (!path) return;
  if (LoadContainer(*path)) StartTransfer();
}

bool CFwUpdate::LoadContainer(const std::u16string& path) {
  const std::string name = ui::Utf16ToUtf8(path);
  FileError error;
  UserFile file = UserFile::Open(name, error);
  if (!file.is_open()) {
    // A bad path or an I/O error gets an empty box: there is no file name worth showing.
    Box(ui::Utf8ToUtf16(ChosenFileMessage(error, name, true)));
    return false;
  }

  std::array<uint8_t, kContainerHeaderBytes> header{};
  if (file.Read(header.data(), header.size()) != kContainerHeaderBytes) {
    Box(u"Invalid Container (1)");
    return false;
  }
  header_ = header;
  if (CheckHeader(header) != ContainerError::kNone) {
    Box(u"Invalid Container (2)");
    return false;
  }
  const ContainerHeader h = ParseHeader(header);
  const ContainerError target = CheckTarget(h, device_id_, hardware_);
  if (target != ContainerError::kNone) {
    ShowTargetMismatch(target, hardware_);
    return false;
  }
  // An empty or oversized image is refused before any question: it can never be sent.
  const uint64_t file_bytes = file.size();
  const uint64_t announced =
      file_bytes > kContainerHeaderBytes ? file_bytes - kContainerHeaderBytes : 0;
  if (CheckImageLength(announced) == ContainerError::kNoImage) {
    Box(u"Container holds no firmware image");
    return false;
  }
  if (CheckImageLength(announced) == ContainerError::kImageTooLarge) {
    Box(u"Container image too large");
    return false;
  }
  if (IsDowngrade(app_version_, h.version)) {
    const std::u16string question = Format(
        "Firmware in device is newer, than Firmware in update container\r\n(%d.%02d -> "
        "%u.%02u)\r\nContinue?",
        app_version_ / 100, app_version_ % 100, h.version / 100, h.version % 100);
    const int answer =
        MessageBox(question, u"Downgrade?", {ui::Buttons::kYesNo, ui::Icon::kWarning, 0});
    if (answer != ui::kIdYes) return false;
  }

  // Whole blocks: the fill after the image's last byte is part of the buffer.
  const uint64_t capacity = PaddedImageLength(announced);
  std::unique_ptr<uint8_t[]> image(new (std::nothrow) uint8_t[capacity]);
  if (image == nullptr) {
    Box(u"malloc error");
    return false;
  }
  const int64_t got = file.Read(image.get(), announced);
  if (got <= 0) {
    Box(u"Container holds no firmware image");
    return false;
  }
  const uint64_t bytes = static_cast<uint64_t>(got);
  const uint64_t padded = PaddedImageLength(bytes);
  std::fill(image.get() + bytes, image.get() + padded, kFirmwareFill);
  image_ = std::move(image);
  total_ = remaining_ = padded;
  current_ = 0;
  block_counter_ = 0;
  return true;
}

void CFwUpdate::ShowTargetMismatch(ContainerError error, uint16_t hardware) {
  if (error == ContainerError::kWrongDevice) {
    Box(u"Container is not for this device");
    return;
  }
  const ContainerHeader h = ParseHeader(header_);
  Box(Format("Container is not for this Hardware version\ndevice HW %d, container for HW %d-%d",
             hardware, h.hardware_low, h.hardware_high));
}

void CFwUpdate::StartTransfer() {
  if (boot_number_ != 0 && device_id_ != 0) {
    // The target runs its bootloader already.
    StartWriting();
    return;
  }
  retries_ = kJumpRetries;
  EnterBootloaderStep();
}

// ---------------------------------------------------------------------------------------------
// Steps

void CFwUpdate::RefreshStep() {
  SendInfoRequest();
  if (deferred_) {
    state_ = State::kJumpSent;
    SendCommand(kCmdEnterBootloader);
    Arm(kJumpMs);
  }
}

void CFwUpdate::EnterBootloaderStep() {
  if (device_id_ == 0) {
    // The container is checked once the target has said what it is.
    SendInfoRequest();
    deferred_ = true;
    state_ = State::kIdle;
    return;
  }
  state_ = State::kJumpSent;
  SendCommand(kCmdEnterBootloader);
  Arm(kJumpMs);
}

void CFwUpdate::StartWriting() {
  retries_ = kBlockRetries;
  state_ = State::kWriting;
  SendCurrentBlock();
  Arm(kBlockMs);
}

void CFwUpdate::OnTimer(int id) {
  if (id != kTimeoutTimer) return;
  KillTimer(kTimeoutTimer);  // one timer, armed anew for every wait
  switch (state_) {
    case State::kIdle:
      return;
    case State::kJumpSent:
      SendBootCheck();
      state_ = State::kAwaitingBootloader;
      Arm(kBootCheckMs);
      return;
    case State::kAwaitingBootloader:
      if (retries_ > 0) {
        --retries_;
        EnterBootloaderStep();
      } else {
        // A late bootloader report still starts the write.
        Box(u"Jump to bootloader was unsuccessfull");
      }
      return;
    case State::kWriting:
      if (retries_ > 0) {
        --retries_;
        SendCurrentBlock();
        Arm(kBlockMs);
      } else {
        // A late acknowledgement still continues.
        Box(u"Not received Write ack");
      }
      return;
    case State::kReturning:
      state_ = State::kIdle;
      RefreshStep();
      return;
  }
}

// ---------------------------------------------------------------------------------------------
// Received messages

bool CFwUpdate::OfferMessage(RfAddress source, uint8_t type, int length, const uint8_t* payload) {
  if (source != target_ && (route_ == 0 || source != route_)) return false;
  if (length < 0 || (length > 0 && payload == nullptr)) return false;
  switch (type) {
    case MSG_REG_BLOCK:
    case MSG_REG_BLOCK_82:
    case MSG_REG_BLOCK_86:
    case MSG_REG_BLOCK_C1: {
      if (length < 3) return false;
      // A block shorter than its count holds only the whole words it carries.
      const int count = std::min<int>(payload[2], (length - 3) / 2);
      uint16_t words[255];
      for (int i = 0; i < count; ++i) words[i] = GetU16(payload + 3 + 2 * i);
      OnRegisters(GetU16(payload), count, words);
      return true;
    }
    case MSG_REG_WORD:
    case MSG_REG_WORD_84:
    case MSG_REG_WORD_87:
    case MSG_REG_WORD_C0: {
      if (length < 4) return false;
      const uint16_t word = GetU16(payload + 2);
      OnRegisters(GetU16(payload), 1, &word);
      return true;
    }
    case MSG_FW_BLOCK_ACK:
      if (length < 3) return false;
      OnBlockAck(GetU16(payload), payload[2]);
      return true;
    default:
      return false;
  }
}

void CFwUpdate::OnRegisters(uint16_t first, int count, const uint16_t* words) {
  const int end = first + count;
  for (int i = 0; i < count; ++i) {
    const int reg = first + i;
    if (reg < kLowWindow) {
      low_[static_cast<size_t>(reg)] = words[i];
    } else if (reg >= kHighFirst && reg < kHighFirst + kHighWindow) {
      high_[static_cast<size_t>(reg - kHighFirst)] = words[i];
    }
  }
  ShowItems(first, end);

  if (Covered(first, end, 7) && low_[7] != 0 && state_ == State::kAwaitingBootloader &&
      !deferred_) {
    StartWriting();
    return;
  }
  if ((missing_ & (kMissDeviceId | kMissHardware | kMissBootloader)) == 0) {
    Enable(ui::kFwUpdateStart, true);
    if (deferred_) CheckDeferred();
  }
}

void CFwUpdate::ShowItems(int first, int end) {
  // A text item of eight registers is shown when the reply reaches any of them.
  auto touches = [&](int reg) { return first < reg + 8 && end > reg; };
  auto text = [&](int id, int reg) {
    std::array<uint16_t, kDeviceTextWords> words{};
    for (int i = 0; i < 8; ++i) words[static_cast<size_t>(i)] = MirrorWord(reg + i);
    SetText(id, DecodeDeviceTextWords(words));
  };
  if (Covered(first, end, 5)) {
    device_id_ = low_[5];
    missing_ &= static_cast<uint8_t>(~kMissDeviceId);
    SetText(ui::kFwUpdateDeviceId, Format("%d", device_id_));
  }
  if (Covered(first, end, 6)) {
    hardware_ = low_[6];
    missing_ &= static_cast<uint8_t>(~kMissHardware);
    SetText(ui::kFwUpdateHardware, Format("%d", hardware_));
  }
  if (Covered(first, end, 7)) {
    boot_number_ = low_[7];
    missing_ &= static_cast<uint8_t>(~kMissBootloader);
    SetText(ui::kFwUpdateBootNum, Format("%d", boot_number_));
    // Register 1 is asked before register 7: when it came while the mirror still showed the
    // bootloader (the read after an update), it is the application's as soon as 7 says so.
    if (boot_number_ == 0 && (missing_ & kMissAppVersion) == 0) app_version_ = low_[1];
  }
  if (touches(8)) text(ui::kFwUpdateName, 8);
  if (Covered(first, end, 1)) {
    // While the bootloader runs, register 1 is its own number: keep the application's.
    if (low_[7] == 0) app_version_ = low_[1];
    missing_ &= static_cast<uint8_t>(~kMissAppVersion);
    SetText(ui::kFwUpdateFwNum, Format("%d.%02d", low_[1] / 100, low_[1] % 100));
  }
  if (touches(0xFED0)) {
    missing_ &= static_cast<uint8_t>(~kMissDevName);
    text(ui::kFwUpdateDevName, 0xFED0);
  }
  if (touches(0xFEE0) && first <= 0xFEE8) {
    missing_ &= static_cast<uint8_t>(~kMissFwName);
    text(ui::kFwUpdateFwName, 0xFEE0);
  }
  if (touches(0xFED8)) {
    missing_ &= static_cast<uint8_t>(~kMissHwName);
    text(ui::kFwUpdateHwName, 0xFED8);
  }
  if (Covered(first, end, 0xFECE)) {
    missing_ &= static_cast<uint8_t>(~kMissRfCal);
    SetText(ui::kFwUpdateRfCal, Format("%d", static_cast<int16_t>(MirrorWord(0xFECE))));
  }
}

void CFwUpdate::CheckDeferred() {
  deferred_ = false;
  const ContainerHeader h = ParseHeader(header_);
  const uint16_t device = low_[5];
  if (h.device_id != device) {
    state_ = State::kIdle;
    ShowTargetMismatch(ContainerError::kWrongDevice, hardware_);
    return;
  }
  if (hardware_ < h.hardware_low || hardware_ > h.hardware_high) {
    state_ = State::kIdle;
    ShowTargetMismatch(ContainerError::kWrongHardware, hardware_);
    return;
  }
  // With the application still running the user starts again, now with the device known.
  if (boot_number_ != 0) StartWriting();
}

void CFwUpdate::OnBlockAck(uint16_t block, uint8_t status) {
  // Anything but the answer for the block in flight leaves the time-out running.
  if (state_ != State::kWriting || block != static_cast<uint16_t>(block_counter_)) return;
  KillTimer(kTimeoutTimer);
  if (status != 0) {
    state_ = State::kIdle;
    Box(Format("Write Flash Error e=%d ", status) + FlashStatusName(status));
    return;
  }
  ++block_counter_;
  current_ += kFirmwareBlockBytes;
  remaining_ = remaining_ >= kFirmwareBlockBytes ? remaining_ - kFirmwareBlockBytes : 0;
  retries_ = kBlockRetries;
  SetPos(ui::kFwUpdateProgress, ProgressPercent(total_, remaining_));
  if (remaining_ > 0) {
    SendCurrentBlock();
    Arm(kBlockMs);
    return;
  }
  Box(u"Update Complete");
  state_ = State::kReturning;
  SendCommand(kCmdStartApplication);
  Arm(kReturnMs);
}

}  // namespace corvane
