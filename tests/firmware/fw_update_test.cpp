// The firmware-update dialog against a scripted target: what goes on the wire, every wait and
// retry, and what the user is told.
#include "firmware/fw_update.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "firmware/fw_rig.h"
#include "model/type_table.h"

namespace corvane::testing {
namespace {

using State = CFwUpdate::State;
using ui::kFwUpdateProgress;

Bytes Image(size_t n, uint8_t seed = 1) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
  return b;
}

// Opens the dialog and lets the target answer the information request.
void OpenAndIdentify(FwRig& rig, uint16_t boot = 0, uint16_t app = 403) {
  rig.host.Open(rig.dlg);
  rig.Take();
  rig.AnswerInfo(rig.device_id, rig.hardware, boot, app);
}

// Loads `image`, passes the jump and the bootloader check; block 0 is then in flight.
void ReachWriting(FwRig& rig, const Bytes& image) {
  rig.Start(rig.Container(410, image));
  rig.Take();
  rig.host.Advance(CFwUpdate::kJumpMs);
  rig.Take();
  rig.AnswerBootloader();
  ASSERT_EQ(rig.dlg.state(), State::kWriting);
}

TEST(FwUpdateOpen, DirectTargetGetsFiveReadsAndTheTitleNamesIt) {
  FwRig rig;
  rig.host.Open(rig.dlg);
  EXPECT_EQ(rig.dlg.Title(), u"Firmware Update " + DisplayName(FwRig::kNode));
  EXPECT_FALSE(rig.dlg.IsEnabled(ui::kFwUpdateStart));
  EXPECT_EQ(rig.dlg.Text(ui::kFwUpdateDeviceId), u"...");
  EXPECT_EQ(rig.TakeHex(), (std::vector<std::string>{
                               "96 09 02 05 70 00 6A 03 01 00 01",
                               "96 09 02 05 70 00 6A 03 05 00 0D",
                               "96 09 02 05 70 00 6A 03 C6 FE 09",
                               "96 09 02 05 70 00 6A 03 D0 FE 10",
                               "96 09 02 05 70 00 6A 03 E0 FE 08",
                           }));
  EXPECT_TRUE(CFwUpdate::AnyOpen());
  rig.host.Click(rig.dlg, ui::kIdOk);
  EXPECT_FALSE(CFwUpdate::AnyOpen());
  EXPECT_EQ(rig.dlg.unknown_id_uses(), 0);
}

TEST(FwUpdateOpen, DongleTargetIsAddressedWithoutWrapper) {
  FwRig rig(ADDR_DONGLE);
  rig.host.Open(rig.dlg);
  const std::vector<std::string> sent = rig.TakeHex();
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(sent[0], "6A 03 01 00 01");
  EXPECT_EQ(sent[4], "6A 03 E0 FE 08");
}

TEST(FwUpdateOpen, RoutedTargetGetsSixReadsInOneWrappedMessage) {
  FwRig rig(FwRig::kNode, FwRig::kRouter);
  rig.host.Open(rig.dlg);
  EXPECT_EQ(rig.TakeHex(),
            (std::vector<std::string>{"96 28 01 01 80 00 96 22 02 05 70 00 "
                                      "6A 03 01 00 01 6A 03 05 00 0D 6A 03 C6 FE 09 "
                                      "6A 03 D0 FE 08 6A 03 D8 FE 08 6A 03 E0 FE 08"}));
}

TEST(FwUpdateInfo, ItemsShowAsTheyArriveAndEnableTheButton) {
  FwRig rig;
  rig.host.Open(rig.dlg);
  rig.Reply(RegBlock(1, {403}));
  EXPECT_EQ(rig.dlg.Text(ui::kFwUpdateFwNum), u"4.03");
  EXPECT_FALSE(rig.dlg.IsEnabled(ui::kFwUpdateStart));
  rig.Reply(RegBlock(5, {0x42, 4, 0, 0x654E, 0x0077, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(rig.dlg.Text(ui::kFwUpdateDeviceId), u"66");
  EXPECT_EQ(rig.dlg.Text(ui::kFwUpdateHardware), u"4");
  EXPECT_EQ(rig.dlg.Text(ui::kFwUpdateBootNum), u"0");
  EXPECT_EQ(rig.dlg.Text(ui::kFwUpdateName), u"New");
  EXPECT_TRUE(rig.dlg.IsEnabled(ui::kFwUpdateStart));

  // RF calibration is signed; the names come from the high window.
  std::vector<uint16_t> cal(9, 0);
  cal[8] = static_cast<uint16_t>(-12);
  rig.Reply(RegBlock(0xFEC6, cal));
  EXPECT_EQ(rig.dlg.Text(ui::kFwUpdateRfCal), u"-12");
  std::vector<uint16_t> names(16, 0);
  names[0] = 0x4241;  // "AB"
  names[8] = 0x4948;  // "HI"
  rig.Reply(RegBlock(0xFED0, names));
  EXPECT_EQ(rig.dlg.Text(ui::kFwUpdateDevName), u"AB");
  EXPECT_EQ(rig.dlg.Text(ui::kFwUpdateHwName), u"HI");
  rig.Reply(RegBlock(0xFEE0, {0x5746, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(rig.dlg.Text(ui::kFwUpdateFwName), u"FW");
  EXPECT_EQ(rig.dlg.missing(), 0);
  EXPECT_EQ(rig.dlg.MirrorWord(0xFEE0), 0x5746);
  // Single-word layouts count too, and registers outside both windows are ignored.
  rig.Reply({0x84, 4, 0x06, 0x00, 0x05, 0x00});
  EXPECT_EQ(rig.dlg.Text(ui::kFwUpdateHardware), u"5");
  rig.Reply(RegBlock(60, {7}));
  EXPECT_EQ(rig.dlg.MirrorWord(60), 0);
}

TEST(FwUpdateInfo, ApplicationVersionIsTakenOnlyWhileTheApplicationRuns) {
  FwRig rig;
  OpenAndIdentify(rig, 0, 410);
  EXPECT_EQ(rig.dlg.app_version(), 410);
  // The bootloader reports its own number in register 1 and non-zero in register 7.
  rig.Reply(RegBlock(5, {0x42, 4, 105}));
  rig.Reply(RegBlock(1, {105}));
  EXPECT_EQ(rig.dlg.Text(ui::kFwUpdateFwNum), u"1.05");
  EXPECT_EQ(rig.dlg.app_version(), 410);
  // After the restart register 1 is answered first, while the mirror still shows the
  // bootloader; register 7 = 0 right after makes it the application's version.
  rig.Reply(RegBlock(1, {412}));
  EXPECT_EQ(rig.dlg.app_version(), 410);
  rig.Reply(RegBlock(5, {0x42, 4, 0}));
  EXPECT_EQ(rig.dlg.app_version(), 412);
}

TEST(FwUpdateInfo, OnlyTheTargetsAndTheRoutersMessagesAreConsumed) {
  FwRig rig(FwRig::kNode, FwRig::kRouter);
  rig.host.Open(rig.dlg);
  const Bytes data = RegBlock(5, {1, 2, 0});
  EXPECT_TRUE(rig.dlg.OfferMessage(FwRig::kNode, data[0], data[1], data.data() + 2));
  EXPECT_TRUE(rig.dlg.OfferMessage(FwRig::kRouter, data[0], data[1], data.data() + 2));
  EXPECT_FALSE(rig.dlg.OfferMessage(0x00300102, data[0], data[1], data.data() + 2));
  EXPECT_FALSE(rig.dlg.OfferMessage(ADDR_DONGLE, data[0], data[1], data.data() + 2));
  // Types it does not use, and cached data, pass on.
  const Bytes cached = RegBlock(5, {1}, MSG_CACHE_BLOCK);
  EXPECT_FALSE(rig.dlg.OfferMessage(FwRig::kNode, cached[0], cached[1], cached.data() + 2));
  const uint8_t ack[2] = {0, 0};
  EXPECT_FALSE(rig.dlg.OfferMessage(FwRig::kNode, MSG_FW_BLOCK_ACK, 2, ack));
}

TEST(FwUpdateTransfer, ImageOf513BytesGoesAsTwoBlocksWithProgress50Then100) {
  FwRig rig;
  OpenAndIdentify(rig);
  const Bytes image = Image(513);
  rig.Start(rig.Container(410, image));
  EXPECT_EQ(rig.dlg.RangeHigh(kFwUpdateProgress), 100);
  EXPECT_EQ(rig.TakeHex(), (std::vector<std::string>{"96 07 02 05 70 00 F0 01 FA"}));
  EXPECT_EQ(rig.dlg.state(), State::kJumpSent);
  EXPECT_EQ(rig.dlg.total_bytes(), 1024u);

  rig.host.Advance(CFwUpdate::kJumpMs - 1);
  EXPECT_TRUE(rig.Take().empty());
  rig.host.Advance(1);
  EXPECT_EQ(rig.TakeHex(), (std::vector<std::string>{"96 09 02 05 70 00 6A 03 05 00 02",
                                                     "96 09 02 05 70 00 6A 03 06 00 14",
                                                     "96 09 02 05 70 00 6A 03 C6 FE 22"}));
  EXPECT_EQ(rig.dlg.state(), State::kAwaitingBootloader);

  rig.AnswerBootloader();
  EXPECT_EQ(rig.dlg.state(), State::kWriting);
  Bytes block = rig.TakeBlock();
  ASSERT_EQ(block.size(), 522u);
  EXPECT_EQ(HexOf(block.data(), 10), "96 FA 02 05 70 00 15 FA 00 00");
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + 512, block.begin() + 10));
  EXPECT_EQ(rig.host.TimerDueIn(rig.dlg, CFwUpdate::kTimeoutTimer), CFwUpdate::kBlockMs);

  rig.Reply(BlockAck(0, 0));
  EXPECT_EQ(rig.dlg.Pos(kFwUpdateProgress), 50);
  block = rig.TakeBlock();
  ASSERT_EQ(block.size(), 522u);
  EXPECT_EQ(HexOf(block.data(), 10), "96 FA 02 05 70 00 15 FA 01 00");
  // The last image byte, then erased-flash fill.
  EXPECT_EQ(block[10], image[512]);
  EXPECT_TRUE(std::all_of(block.begin() + 11, block.end(), [](uint8_t b) { return b == 0xFF; }));

  rig.Reply(BlockAck(1, 0));
  EXPECT_EQ(rig.dlg.Pos(kFwUpdateProgress), 100);
  EXPECT_EQ(rig.BoxTexts(), (std::vector<std::u16string>{u"Update Complete"}));
  EXPECT_EQ(rig.TakeHex(), (std::vector<std::string>{"96 07 02 05 70 00 F0 01 00"}));
  EXPECT_EQ(rig.dlg.state(), State::kReturning);

  // 500 ms later the information is read again.
  rig.host.Advance(CFwUpdate::kReturnMs);
  EXPECT_EQ(rig.Take().size(), 5u);
  EXPECT_EQ(rig.dlg.state(), State::kIdle);
  // The image stays loaded; a further write attempt has nothing to send.
  EXPECT_TRUE(rig.dlg.image_loaded());
  rig.host.Click(rig.dlg, ui::kFwUpdateJumpBoot);
  rig.host.Advance(CFwUpdate::kJumpMs);
  rig.Take();
  rig.AnswerBootloader();
  EXPECT_EQ(rig.dlg.state(), State::kWriting);
  EXPECT_TRUE(rig.Take().empty());
}

TEST(FwUpdateTransfer, RoutedBlockIsWrappedForTheTargetThenForTheRouter) {
  FwRig rig(FwRig::kNode, FwRig::kRouter);
  OpenAndIdentify(rig);
  ReachWriting(rig, Image(600));
  const Bytes block = rig.TakeBlock();
  ASSERT_EQ(block.size(), 528u);
  EXPECT_EQ(HexOf(block.data(), 16), "96 FA 01 01 80 00 96 FA 02 05 70 00 15 FA 00 00");
}

TEST(FwUpdateTransfer, TargetAlreadyInItsBootloaderIsWrittenAtOnce) {
  FwRig rig;
  OpenAndIdentify(rig, 105);
  rig.Start(rig.Container(410, Image(100)));
  EXPECT_EQ(rig.dlg.state(), State::kWriting);
  EXPECT_EQ(rig.dlg.retries(), CFwUpdate::kBlockRetries);
  EXPECT_EQ(rig.TakeBlock().size(), 522u);
}

TEST(FwUpdateTransfer, DuplicateAcknowledgementIsIgnoredAndTheWaitGoesOn) {
  FwRig rig;
  OpenAndIdentify(rig);
  ReachWriting(rig, Image(1536));
  rig.TakeBlock();
  rig.Reply(BlockAck(0, 0));
  rig.TakeBlock();
  rig.host.Advance(1000);
  rig.Reply(BlockAck(0, 0));  // the previous block again
  EXPECT_EQ(rig.dlg.block_counter(), 1u);
  EXPECT_EQ(rig.host.TimerDueIn(rig.dlg, CFwUpdate::kTimeoutTimer), 2000);
  // A failure status for another block changes nothing either.
  rig.Reply(BlockAck(7, 3));
  EXPECT_EQ(rig.dlg.state(), State::kWriting);
  rig.Reply(BlockAck(1, 0));
  EXPECT_EQ(rig.dlg.block_counter(), 2u);
  EXPECT_EQ(rig.dlg.Pos(kFwUpdateProgress), 66);
}

TEST(FwUpdateTransfer, MissingAcknowledgementIsRetriedFourTimesThenReported) {
  FwRig rig;
  OpenAndIdentify(rig);
  ReachWriting(rig, Image(1024));
  rig.TakeBlock();
  for (int i = 0; i < CFwUpdate::kBlockRetries; ++i) {
    rig.host.Advance(CFwUpdate::kBlockMs);
    const Bytes again = rig.TakeBlock();
    ASSERT_EQ(again.size(), 522u) << "retry " << i;
    EXPECT_EQ(again[8], 0);
  }
  EXPECT_TRUE(rig.host.boxes().empty());
  rig.host.Advance(CFwUpdate::kBlockMs);
  EXPECT_EQ(rig.BoxTexts(), (std::vector<std::u16string>{u"Not received Write ack"}));
  EXPECT_TRUE(rig.Take().empty());
  EXPECT_EQ(rig.dlg.state(), State::kWriting);
  // A late acknowledgement still carries on.
  rig.Reply(BlockAck(0, 0));
  EXPECT_EQ(rig.TakeBlock()[8], 1);
}

TEST(FwUpdateTransfer, FlashErrorStopsInIdleWithTheStatusNamed) {
  FwRig rig;
  OpenAndIdentify(rig);
  ReachWriting(rig, Image(2048));
  rig.TakeBlock();
  rig.Reply(BlockAck(0, 0));
  rig.TakeBlock();
  rig.Reply(BlockAck(1, 3));
  EXPECT_EQ(rig.dlg.state(), State::kIdle);
  EXPECT_EQ(rig.BoxTexts(),
            (std::vector<std::u16string>{u"Write Flash Error e=3 FWU_ERR_PROGRAMM"}));
  EXPECT_FALSE(rig.host.TimerRunning(rig.dlg, CFwUpdate::kTimeoutTimer));
  EXPECT_TRUE(rig.Take().empty());
}

TEST(FwUpdateTransfer, StatusBeyondTheNameTableIsShownAsUnknown) {
  FwRig rig;
  OpenAndIdentify(rig);
  ReachWriting(rig, Image(10));
  rig.TakeBlock();
  rig.Reply(BlockAck(0, 200));
  EXPECT_EQ(rig.BoxTexts(), (std::vector<std::u16string>{u"Write Flash Error e=200 FWU_UNKNOWN"}));
}

TEST(FwUpdateBootloader, JumpIsRepeatedTenTimesThenReportedAndALateReportStillWrites) {
  FwRig rig;
  OpenAndIdentify(rig);
  rig.Start(rig.Container(410, Image(10)));
  int jumps = 0;
  int checks = 0;
  auto count = [&] {
    for (const Bytes& r : rig.Take()) {
      if (r[6] == MSG_FW_CMD && r[8] == 0xFA) ++jumps;
      if (r[6] == MSG_REG_READ && r[8] == 0x05) ++checks;
    }
  };
  count();
  for (int i = 0; i <= CFwUpdate::kJumpRetries; ++i) {
    rig.host.Advance(CFwUpdate::kJumpMs + CFwUpdate::kBootCheckMs);
    count();
  }
  EXPECT_EQ(jumps, 1 + CFwUpdate::kJumpRetries);
  EXPECT_EQ(checks, 1 + CFwUpdate::kJumpRetries);
  EXPECT_EQ(rig.BoxTexts(), (std::vector<std::u16string>{u"Jump to bootloader was unsuccessfull"}));
  EXPECT_EQ(rig.dlg.state(), State::kAwaitingBootloader);
  rig.AnswerBootloader();
  EXPECT_EQ(rig.dlg.state(), State::kWriting);
  EXPECT_EQ(rig.TakeBlock().size(), 522u);
}

TEST(FwUpdateBootloader, JumpToBootWithoutContainerComplainsAtEveryWriteAttempt) {
  FwRig rig;
  OpenAndIdentify(rig);
  rig.host.Click(rig.dlg, ui::kFwUpdateJumpBoot);
  EXPECT_EQ(rig.TakeHex(), (std::vector<std::string>{"96 07 02 05 70 00 F0 01 FA"}));
  rig.host.Advance(CFwUpdate::kJumpMs);
  rig.AnswerBootloader();
  for (int i = 0; i < CFwUpdate::kBlockRetries; ++i) rig.host.Advance(CFwUpdate::kBlockMs);
  rig.host.Advance(CFwUpdate::kBlockMs);
  std::vector<std::u16string> expected(1 + CFwUpdate::kBlockRetries, u"Not Valid Container loaded");
  expected.push_back(u"Not received Write ack");
  EXPECT_EQ(rig.BoxTexts(), expected);
}

TEST(FwUpdateBootloader, JumpToAppSendsStartWithoutWaiting) {
  FwRig rig;
  OpenAndIdentify(rig);
  rig.host.Click(rig.dlg, ui::kFwUpdateJumpApp);
  EXPECT_EQ(rig.TakeHex(), (std::vector<std::string>{"96 07 02 05 70 00 F0 01 00"}));
  EXPECT_EQ(rig.dlg.state(), State::kReturning);
  EXPECT_FALSE(rig.host.TimerRunning(rig.dlg, CFwUpdate::kTimeoutTimer));
}

TEST(FwUpdateBootloader, UnknownDeviceDefersTheContainerCheckUntilItAnswers) {
  FwRig rig;
  rig.host.Open(rig.dlg);
  rig.Take();
  // A target that says device ID 0: known to be unknown.
  rig.AnswerInfo(0, 4, 0, 403);
  ASSERT_TRUE(rig.dlg.IsEnabled(ui::kFwUpdateStart));
  rig.Start(rig.Container(410, Image(10), 0x0042));
  EXPECT_TRUE(rig.dlg.deferred_check());
  EXPECT_EQ(rig.dlg.state(), State::kIdle);
  EXPECT_EQ(rig.Take().size(), 5u);  // the information request again, no jump
  // Refresh now also jumps; the target then shows its real ID and its bootloader.
  rig.host.Click(rig.dlg, ui::kFwUpdateRefresh);
  EXPECT_EQ(rig.dlg.state(), State::kJumpSent);
  rig.AnswerInfo(0x0042, 4, 105, 403);
  EXPECT_FALSE(rig.dlg.deferred_check());
  EXPECT_EQ(rig.dlg.state(), State::kWriting);
}

TEST(FwUpdateBootloader, DeferredCheckRefusesAContainerForAnotherDevice) {
  FwRig rig;
  rig.host.Open(rig.dlg);
  rig.AnswerInfo(0, 4, 0, 403);
  rig.Start(rig.Container(410, Image(10), 0x0099));
  rig.AnswerInfo(0x0042, 4, 0, 403);
  EXPECT_EQ(rig.BoxTexts(), (std::vector<std::u16string>{u"Container is not for this device"}));
  EXPECT_EQ(rig.dlg.state(), State::kIdle);
  EXPECT_FALSE(rig.dlg.deferred_check());
}

TEST(FwUpdateContainer, ContainerWithoutImageIsRefusedAndNothingIsSent) {
  FwRig rig;
  OpenAndIdentify(rig);
  rig.Take();
  rig.Start(rig.Container(410, {}));
  EXPECT_EQ(rig.BoxTexts(), (std::vector<std::u16string>{u"Container holds no firmware image"}));
  EXPECT_TRUE(rig.Take().empty());
  EXPECT_FALSE(rig.dlg.image_loaded());
  EXPECT_EQ(rig.dlg.state(), State::kIdle);
}

TEST(FwUpdateContainer, ImageBeyondWhatABlockNumberReachesIsRefused) {
  FwRig rig;
  OpenAndIdentify(rig);
  rig.Take();
  const std::u16string path = rig.Container(410, Image(10));
  // Sparse: 65536 blocks and one byte more, without writing 32 MiB.
  std::filesystem::resize_file(ui::Utf16ToUtf8(path), kContainerHeaderBytes + kMaxImageBytes + 1);
  rig.Start(path);
  EXPECT_EQ(rig.BoxTexts(), (std::vector<std::u16string>{u"Container image too large"}));
  EXPECT_TRUE(rig.Take().empty());
  EXPECT_FALSE(rig.dlg.image_loaded());
}

TEST(FwUpdateContainer, RefusedContainerKeepsThePreviousImage) {
  FwRig rig;
  OpenAndIdentify(rig, 105);
  rig.Start(rig.Container(410, Image(700)));
  ASSERT_EQ(rig.dlg.total_bytes(), 1024u);
  rig.Reply(BlockAck(0, 2));  // erase failed: idle again
  rig.host.ClearBoxes();
  rig.Start(rig.Container(410, {}));
  EXPECT_TRUE(rig.dlg.image_loaded());
  EXPECT_EQ(rig.dlg.total_bytes(), 1024u);
  rig.Start(rig.Container(410, Image(10), 0x0043));
  EXPECT_EQ(rig.dlg.total_bytes(), 1024u);
}

TEST(FwUpdateContainer, DowngradeIsAskedAndNoEndsIt) {
  FwRig rig;
  OpenAndIdentify(rig, 0, 101);
  rig.Take();
  rig.Start(rig.Container(100, Image(10)));  // no queued answer: the first button, Yes
  ASSERT_EQ(rig.host.boxes().size(), 1u);
  const auto& box = rig.host.boxes()[0];
  EXPECT_EQ(box.text,
            u"Firmware in device is newer, than Firmware in update container\r\n(1.01 -> "
            u"1.00)\r\nContinue?");
  EXPECT_EQ(box.caption, u"Downgrade?");
  EXPECT_EQ(box.buttons, ui::Buttons::kYesNo);
  EXPECT_EQ(box.icon, ui::Icon::kWarning);
  EXPECT_EQ(rig.dlg.state(), State::kJumpSent);

  FwRig no;
  OpenAndIdentify(no, 0, 101);
  no.Take();
  no.host.QueueAnswer(ui::kIdNo);
  no.Start(no.Container(100, Image(10)));
  EXPECT_TRUE(no.Take().empty());
  EXPECT_FALSE(no.dlg.image_loaded());
}

TEST(FwUpdateContainer, VersionsBelowOneNeverAsk) {
  for (uint16_t device : {uint16_t{0}, uint16_t{99}}) {
    FwRig rig;
    OpenAndIdentify(rig, 0, device);
    rig.Start(rig.Container(50, Image(10)));
    EXPECT_TRUE(rig.host.boxes().empty()) << device;
    EXPECT_EQ(rig.dlg.state(), State::kJumpSent);
  }
}

TEST(FwUpdateContainer, ContainerForAnotherDeviceOrHardwareIsRefused) {
  FwRig rig;
  OpenAndIdentify(rig);
  rig.Take();
  rig.Start(rig.Container(410, Image(10), 0x0043));
  rig.hardware = 7;
  rig.AnswerInfo(rig.device_id, 7, 0, 403);
  rig.Start(rig.Container(410, Image(10)));
  EXPECT_EQ(rig.BoxTexts(),
            (std::vector<std::u16string>{
                u"Container is not for this device",
                u"Container is not for this Hardware version\ndevice HW 7, container for HW 2-6"}));
  EXPECT_FALSE(rig.dlg.image_loaded());
  rig.Take();
  // The ends of the range are accepted.
  for (uint16_t hw : {uint16_t{2}, uint16_t{6}}) {
    rig.AnswerInfo(rig.device_id, hw, 0, 403);
    rig.Start(rig.Container(410, Image(10)));
    EXPECT_TRUE(rig.dlg.image_loaded()) << hw;
  }
}

TEST(FwUpdateContainer, FileProblemsAreNamed) {
  FwRig rig;
  OpenAndIdentify(rig);
  const std::u16string missing = ui::Utf8ToUtf16((rig.dir / "none.bin").string());
  rig.Start(missing);
  const std::u16string folder = ui::Utf8ToUtf16(rig.dir.string());
  rig.Start(folder);
  const std::u16string file = rig.WriteFile("plain", {1, 2, 3});
  rig.Start(file + u"/below");
  rig.Start(rig.WriteFile("short.bin", Bytes(511, 0)));
  Bytes bad = MakeContainer({0x42, 2, 6, 410}, Image(10));
  bad[100] ^= 1;
  rig.Start(rig.WriteFile("bad.bin", bad));
  // A named pipe nobody writes to must not hang the dialog, and is no container.
  const std::filesystem::path pipe = rig.dir / "pipe.bin";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  rig.Start(ui::Utf8ToUtf16(pipe.string()));
  EXPECT_EQ(rig.BoxTexts(),
            (std::vector<std::u16string>{
                u"File " + missing + u" not found",
                u"File " + folder + u" not possible to open",
                u"",
                u"Invalid Container (1)",
                u"Invalid Container (2)",
                u"File " + ui::Utf8ToUtf16(pipe.string()) + u" not possible to open",
            }));
  EXPECT_FALSE(rig.dlg.image_loaded());
  // The file dialog as the user sees it; cancelling it does nothing.
  ASSERT_FALSE(rig.host.file_requests().empty());
  const ui::FileDialogSpec& request = rig.host.file_requests()[0].spec;
  EXPECT_EQ(request.initial_name, u"*.bin");
  ASSERT_EQ(request.filters.size(), 2u);
  EXPECT_EQ(request.filters[0].name, u"BIN Files (*.bin)");
  EXPECT_EQ(request.filters[1].pattern, u"*.*");
  rig.host.ClearBoxes();
  rig.Take();
  rig.host.QueueFileResult(std::nullopt);
  rig.host.Click(rig.dlg, ui::kFwUpdateStart);
  EXPECT_TRUE(rig.Take().empty());
}

}  // namespace
}  // namespace corvane::testing
