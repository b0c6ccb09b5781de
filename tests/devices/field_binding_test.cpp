// The field-binding engine on its own: encodings both ways and which blocks refresh a field.
#include "devices/field_binding.h"

#include <gtest/gtest.h>

#include <vector>

#include "ui/control_store.h"
#include "ui/template.h"

namespace corvane::devices {
namespace {

enum : int { kA = 1, kB, kC, kCheck, kCombo };

const ui::DialogTemplate& Fields() {
  static const ui::DialogTemplate t{
      .controls = {ui::Edit(kA, ui::At(0, 0)), ui::Edit(kB, ui::At(1, 0)),
                   ui::Edit(kC, ui::At(2, 0)), ui::CheckBox(kCheck, u"", ui::At(3, 0)),
                   ui::ComboList(kCombo, ui::At(4, 0), {u"a", u"b", u"c"})}};
  return t;
}

TEST(FieldBinding, SecondsNeedBothWordsOtherFieldsAnyOverlap) {
  EXPECT_FALSE(Covers(Seconds32(kA, 28), 0, 29));
  EXPECT_FALSE(Covers(Seconds32(kA, 28), 29, 5));
  EXPECT_TRUE(Covers(Seconds32(kA, 28), 28, 2));
  EXPECT_TRUE(Covers(DeviceText(kA, 8), 15, 1));
  EXPECT_FALSE(Covers(DeviceText(kA, 8), 16, 1));
  EXPECT_FALSE(Covers(Unsigned(kA, 5), 0, 5));
}

TEST(FieldBinding, ShowsEachEncoding) {
  ui::ControlStore store(Fields());
  std::vector<uint16_t> record(60, 0);
  record[28] = 0xFFFF;  // -1 s
  record[29] = 0xFFFF;
  record[31] = 0x0A1E;  // 3.0 V, state nibble 10
  record[54] = static_cast<uint16_t>(-1234);
  const FieldBinding fields[] = {Seconds32(kA, 28), Battery(kB, 31, 0), NibbleTens(kC, 31, 1)};
  RefreshFields(store, fields, record, 0, 60);
  EXPECT_EQ(store.Text(kA), u"-1 s");
  EXPECT_EQ(store.Text(kB), u"3.0V");
  EXPECT_EQ(store.Text(kC), u"100");
  const FieldBinding more[] = {Hundredths(kA, 54, true), SignedByte(kB, 31, 0), Version(kC, 54)};
  record[31] = 0x00A0;
  RefreshFields(store, more, record, 0, 60);
  EXPECT_EQ(store.Text(kA), u"-12.34");
  EXPECT_EQ(store.Text(kB), u"-96");
  EXPECT_EQ(store.Text(kC), u"643.02");
}

TEST(FieldBinding, HundredthsTruncateTowardsZeroAndKeepOnBadText) {
  ui::ControlStore store(Fields());
  std::vector<uint16_t> record(60, 0);
  const FieldBinding fields[] = {Hundredths(kA, 55, true), Hundredths(kB, 56, true),
                                 Hundredths(kC, 54, false)};
  record[56] = 77;
  record[54] = 5;
  store.SetText(kA, u"-1.239");
  store.SetText(kB, u"warm");
  store.SetText(kC, u"9");
  CollectFields(store, fields, record);
  EXPECT_EQ(static_cast<int16_t>(record[55]), -123);
  EXPECT_EQ(record[56], 77);
  EXPECT_EQ(record[54], 5);  // shown only
  store.SetText(kA, u"999");
  CollectFields(store, fields, record);
  EXPECT_EQ(static_cast<int16_t>(record[55]), 32767);
}

TEST(FieldBinding, DecimalsOfEveryScaleCollectWhatIsShown) {
  ui::ControlStore store(Fields());
  std::vector<uint16_t> record(60, 0);
  const FieldBinding fields[] = {Decimal(kA, 40, 1, true), Hundredths(kB, 41, true),
                                 Decimal(kC, 42, 3, true)};
  record[40] = static_cast<uint16_t>(-1234);
  record[41] = 29;  // 0.29 x 100 is 28.999... in binary
  record[42] = static_cast<uint16_t>(-5);
  RefreshFields(store, fields, record, 40, 3);
  EXPECT_EQ(store.Text(kA), u"-123.4");
  EXPECT_EQ(store.Text(kB), u"0.29");
  EXPECT_EQ(store.Text(kC), u"-0.005");
  record.assign(60, 0);
  CollectFields(store, fields, record);
  EXPECT_EQ(static_cast<int16_t>(record[40]), -1234);
  EXPECT_EQ(record[41], 29);
  EXPECT_EQ(static_cast<int16_t>(record[42]), -5);
  // Typed values truncate toward zero at the field's own scale, and clamp to a signed word.
  store.SetText(kA, u"1.99");
  store.SetText(kB, u"-1e6");
  store.SetText(kC, u"0.0209");
  CollectFields(store, fields, record);
  EXPECT_EQ(record[40], 19);
  EXPECT_EQ(static_cast<int16_t>(record[41]), -32768);
  EXPECT_EQ(record[42], 20);
}

TEST(FieldBinding, ScaledBytesClampAndLeaveTheOtherByte) {
  ui::ControlStore store(Fields());
  std::vector<uint16_t> record(60, 0);
  record[53] = 0x00AB;
  const FieldBinding fields[] = {ScaledByte(kA, 53, 1, 2, 2, 2, 512),
                                 ScaledByte(kB, 52, 0, 250, 0, 0, 255 * 250)};
  store.SetText(kA, u"600");
  store.SetText(kB, u"99999");
  CollectFields(store, fields, record);
  EXPECT_EQ(record[53], 0xFFAB);
  EXPECT_EQ(record[52], 0x00FF);
  store.SetText(kB, u"-5");
  CollectFields(store, fields, record);
  EXPECT_EQ(record[52], 0);
}

TEST(FieldBinding, ComboCheckAndFlagText) {
  ui::ControlStore store(Fields());
  std::vector<uint16_t> record(60, 0);
  const FieldBinding fields[] = {ComboIndex(kCombo, 26, 1, 1), CheckWord(kCheck, 58, 1),
                                 FlagText(kA, 57, 2, u"UNI")};
  record[26] = 0x0900;  // a code the list does not hold keeps the selection
  record[57] = 0x0002;
  record[58] = 0x0003;
  store.SetCurSel(kCombo, 1);
  RefreshFields(store, fields, record, 0, 60);
  EXPECT_EQ(store.CurSel(kCombo), 1);
  EXPECT_TRUE(store.IsChecked(kCheck));
  EXPECT_EQ(store.Text(kA), u"UNI");
  record[26] = 0x0300;
  RefreshFields(store, fields, record, 26, 1);
  EXPECT_EQ(store.CurSel(kCombo), 2);
  store.SetCheck(kCheck, false);
  store.SetCurSel(kCombo, 0);
  CollectFields(store, fields, record);
  EXPECT_EQ(record[58], 0);
  EXPECT_EQ(record[26], 0x0100);
}

TEST(FieldBinding, FieldsBeyondTheRecordAreSkipped) {
  ui::ControlStore store(Fields());
  std::vector<uint16_t> record(20, 0);
  const FieldBinding fields[] = {LowBytes(kA, 18, 8), Unsigned(kB, 19)};
  store.SetText(kA, u"keep");
  RefreshFields(store, fields, record, 0, 60);
  EXPECT_EQ(store.Text(kA), u"keep");
  EXPECT_EQ(store.Text(kB), u"0");
  CollectFields(store, fields, record);  // must not write past the end
  EXPECT_EQ(record.size(), 20u);
}

}  // namespace
}  // namespace corvane::devices
