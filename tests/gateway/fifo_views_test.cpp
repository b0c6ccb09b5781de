// The FIFO views as their owner drives them: the open flag it polls by, close and reopen,
// autoscroll, the shared SNIFF/sniff.txt log, and the wireless M-Bus view's parse and copy.
#include "gateway/fifo_views.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "gateway/fifo_templates.h"
#include "gateway/wmbus_telegram.h"
#include "ui/headless/test_host.h"

namespace corvane {
namespace {

using namespace ui;

const DialogTemplate& OwnerTemplate() {
  static const DialogTemplate t{.title = u"Owner"};
  return t;
}

// Each test in a folder of its own: the log is SNIFF/sniff.txt under the working directory.
class FifoViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("corvane_fifo_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    FifoView::StartNewLogRun();
    host.Open(owner);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }
  static std::string LogBytes() {
    std::ifstream in("SNIFF/sniff.txt", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static std::string Logged(std::initializer_list<std::u16string_view> lines) {
    std::string out = "\xFF\xFE";
    for (auto line : lines) out += EncodeUtf16Le(std::u16string(line) + u"\r\n");
    return out;
  }

  TestHost host;
  Dialog owner{OwnerTemplate(), host};

 private:
  std::filesystem::path dir_, previous_;
};

TEST_F(FifoViewTest, CloseStopsTheOwnerAndReopenListsWithoutLog) {
  Cfifo view(host);
  int closed = 0;
  view.SetClosedHandler([&] { closed += view.is_open() ? 100 : 1; });
  view.ShowFor(owner);
  EXPECT_TRUE(view.is_open());
  const std::array<uint16_t, 5> values{0x0102, 0xA0B0, 0x0003, 0xFFFF, 0x5555};
  const std::u16string line = UniFifoLine(0x00A00123, 17, values);
  EXPECT_EQ(line, u"a=0x00A00123,reg=18,v:0102 A0B0 0003 FFFF ");  // four values at most
  view.AddLine(line);
  // With autoscroll off the caret stays; set, it follows each new line.
  view.AddLine(u"second");
  EXPECT_EQ(view.Caret(kFifoList), -1);
  ASSERT_TRUE(host.Toggle(view, kFifoAutoscroll));
  view.AddLine(u"third");
  EXPECT_EQ(view.Caret(kFifoList), 2);
  // "Clear" leaves the log as it is.
  ASSERT_TRUE(host.Click(view, kFifoClear));
  EXPECT_EQ(view.Count(kFifoList), 0);

  ASSERT_TRUE(host.PressKey(view, vk::kReturn, kFifoList));  // Enter closes like the close box
  EXPECT_EQ(closed, 1);  // told once, with the flag already cleared
  EXPECT_FALSE(host.IsShown(view));
  EXPECT_FALSE(view.log_open());

  view.ShowFor(owner);
  EXPECT_TRUE(view.is_open());
  EXPECT_EQ(view.Count(kFifoList), 0);
  view.AddLine(u"after reopening");
  EXPECT_EQ(view.Count(kFifoList), 1);
  EXPECT_EQ(LogBytes(), Logged({line, u"second", u"third"}));
  EXPECT_EQ(view.unknown_id_uses(), 0);
}

TEST_F(FifoViewTest, LoggedViewsShareTheFileWithinARun) {
  std::filesystem::create_directory("SNIFF");
  std::ofstream("SNIFF/sniff.txt") << "an earlier run, longer than anything logged below";

  auto uni = std::make_unique<Cfifo>(host);
  auto wmbus = std::make_unique<CWmbusFifo>(host);
  Cfifo2 unlogged(host);
  uni->ShowFor(owner);
  uni->AddLine(u"uni 1");
  wmbus->ShowFor(owner);
  unlogged.ShowFor(owner);
  unlogged.AddLine(UniFifo2Line(3, 0x0123, 12));
  EXPECT_EQ(unlogged.Item(kFifoList, 0), u"index=3,reg=291 0x0123 tdif=12");
  wmbus->AddLine(u"wmbus 1");
  uni->AddLine(u"uni 2");
  host.CloseBox(*uni);  // the other view keeps logging through the same file
  wmbus->AddLine(u"wmbus 2");
  EXPECT_EQ(LogBytes(), Logged({u"uni 1", u"wmbus 1", u"uni 2", u"wmbus 2"}));

  // A view of another owner later in the run appends, even once no view logs any more.
  wmbus.reset();
  uni.reset();
  Cfifo later(host);
  later.ShowFor(owner);
  later.AddLine(u"later");
  EXPECT_EQ(LogBytes(), Logged({u"uni 1", u"wmbus 1", u"uni 2", u"wmbus 2", u"later"}));
  host.CloseBox(later);

  FifoView::StartNewLogRun();
  Cfifo next(host);
  next.ShowFor(owner);
  next.AddLine(u"next run");
  EXPECT_EQ(LogBytes(), Logged({u"next run"}));
}

TEST_F(FifoViewTest, WmbusViewParsesTheSelectedTelegramAndCopiesIt) {
  CWmbusFifo view(host);
  view.ShowFor(owner);
  // A heat cost allocator (TCH) with the short transport header.
  const std::array<uint8_t, 14> plain{0x0D, 0x44, 0x68, 0x50, 0x11, 0x22, 0x33,
                                      0x44, 0x94, 0x08, 0x7A, 0x5C, 0x00, 0x00};
  view.AddLine(WmbusFifoLine({2026, 12, 9, 8, 4, 5, 0}, -102, plain));

  ASSERT_TRUE(host.Click(view, kWmbusParse));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"No selected item");

  ASSERT_TRUE(host.DoubleClick(view, kFifoList, 0));  // selects and parses
  ASSERT_EQ(view.Count(kWmbusFields), 5);
  host.ClearBoxes();
  ASSERT_TRUE(host.Click(view, kWmbusCopy));
  EXPECT_EQ(host.clipboard(),
            u"Manufacturer  : TCH\r\nSerialNumber  : 44332211\r\nVersion       : 94\r\n"
            u"Device        : 08\r\nRAW DATA      : 7A 5C 00 00\r\n");
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, u"Successfully copied selected laps to clipboard");

  // Closing empties both lists.
  host.CloseBox(view);
  view.ShowFor(owner);
  EXPECT_EQ(view.Count(kFifoList), 0);
  EXPECT_EQ(view.Count(kWmbusFields), 0);
}

}  // namespace
}  // namespace corvane
