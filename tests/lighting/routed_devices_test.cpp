// The street light's routed-device editor: OK stores the address and the connection priority
// and keeps the node's other bits of the entry; Cancel changes nothing.
#include "gateway/routed_devices.h"

#include <gtest/gtest.h>

#include <array>

#include "gateway/gw_device_editors_template.h"
#include "model/type_table.h"
#include "ui/headless/test_host.h"
#include "ui/text.h"

namespace corvane {
namespace {

using namespace ui;

constexpr RfAddress kStreetLight = 0x00900301;  // the owner
constexpr RfAddress kInput = 0x01400603;

class RoutedDevicesTest : public ::testing::Test {
 protected:
  RoutedDevicesTest() {
    project.SetEntry(0, kStreetLight, std::vector<uint16_t>(920));
    project.SetEntry(1, kInput, std::vector<uint16_t>(59));
  }
  TestHost host;
  Project project;
};

TEST_F(RoutedDevicesTest, OkStoresAddressAndPriorityAndKeepsTheOtherBits) {
  RoutedDeviceEntry entry{0x00900302, 0xABCD0001};
  CRoutedDevices editor(host, entry, kStreetLight, project, {{kInput, 1, -60, 0}});
  host.Open(editor);
  EXPECT_EQ(editor.Title(), u"GW Configuration of subdevice " + DisplayName(0x00900302));
  EXPECT_EQ(editor.Text(kSubAddress), u"0x00900302");
  EXPECT_EQ(editor.CurSel(kSubPriority), 1);
  // The owner is not offered; the heard input node is, with its mark.
  EXPECT_EQ(editor.Count(kSubAddress), 2);
  EXPECT_NE(editor.Item(kSubAddress, 1).find(u"\u16C9"), std::u16string::npos);
  // Typed in decimal, the same address as in hexadecimal.
  host.Type(editor, kSubAddress, Format("%u", kInput));
  host.Select(editor, kSubPriority, 3);
  ASSERT_TRUE(host.Click(editor, kIdOk));
  EXPECT_EQ(entry.address, kInput);
  EXPECT_EQ(entry.flags, 0xABCD0003u);

  std::array<uint16_t, 4> words{};
  entry.ToWords(words);
  EXPECT_EQ(RoutedDeviceEntry::FromWords(words), entry);
}

TEST_F(RoutedDevicesTest, DisableFreesTheEntryAndCancelChangesNothing) {
  RoutedDeviceEntry entry{kInput, 2};
  {
    CRoutedDevices editor(host, entry, kStreetLight, project, {});
    host.Open(editor);
    host.Type(editor, kSubAddress, u"0x00900302");
    host.Select(editor, kSubPriority, 0);
    ASSERT_TRUE(host.Click(editor, kIdCancel));
    EXPECT_EQ(entry, (RoutedDeviceEntry{kInput, 2}));
  }
  CRoutedDevices editor(host, entry, kStreetLight, project, {});
  host.Open(editor);
  host.Select(editor, kSubAddress, 0);  // "0x00000000 disable"
  ASSERT_TRUE(host.Click(editor, kIdOk));
  EXPECT_EQ(entry.address, 0u);
  EXPECT_EQ(entry.priority(), 2);
}

}  // namespace
}  // namespace corvane
