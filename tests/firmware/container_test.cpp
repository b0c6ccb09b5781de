// The container check and the arithmetic around it.
#include "firmware/container.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/le.h"

namespace corvane {
namespace {

ContainerHeader Header(uint16_t device, uint8_t low, uint8_t high, uint32_t version) {
  return {device, low, high, version};
}

TEST(ContainerCheck, HeaderNeedsAll512BytesAndItsCheckValue) {
  const std::vector<uint8_t> image(100, 0x11);
  std::vector<uint8_t> file = MakeContainer(Header(0x1234, 2, 5, 403), image);
  EXPECT_EQ(CheckHeader(file), ContainerError::kNone);
  EXPECT_EQ(CheckHeader(std::span(file).first(511)), ContainerError::kShortHeader);
  EXPECT_EQ(CheckHeader({}), ContainerError::kShortHeader);

  // The check value covers bytes 0..509, the image is not part of it.
  file[600] ^= 0xFF;
  EXPECT_EQ(CheckHeader(file), ContainerError::kNone);
  for (size_t at : {size_t{0}, size_t{12}, size_t{509}, size_t{510}, size_t{511}}) {
    std::vector<uint8_t> bad = file;
    bad[at] ^= 0x01;
    EXPECT_EQ(CheckHeader(bad), ContainerError::kBadCrc) << "byte " << at;
  }
}

TEST(ContainerCheck, FieldsAreLittleEndianAtTheirOffsets) {
  const std::vector<uint8_t> file = MakeContainer(Header(0xA55A, 7, 9, 0x01020304), {});
  EXPECT_EQ(file[4], 0x5A);
  EXPECT_EQ(file[5], 0xA5);
  EXPECT_EQ(GetU32(file.data() + 8), 0x01020304u);
  const ContainerHeader h = ParseHeader(std::span(file).first<kContainerHeaderBytes>());
  EXPECT_EQ(h.device_id, 0xA55A);
  EXPECT_EQ(h.hardware_low, 7);
  EXPECT_EQ(h.hardware_high, 9);
  EXPECT_EQ(h.version, 0x01020304u);
}

TEST(ContainerCheck, TargetDeviceAndHardwareRangeIncludingItsEnds) {
  const ContainerHeader h = Header(0x0042, 3, 6, 410);
  EXPECT_EQ(CheckTarget(h, 0x0042, 3), ContainerError::kNone);
  EXPECT_EQ(CheckTarget(h, 0x0042, 6), ContainerError::kNone);
  EXPECT_EQ(CheckTarget(h, 0x0042, 2), ContainerError::kWrongHardware);
  EXPECT_EQ(CheckTarget(h, 0x0042, 7), ContainerError::kWrongHardware);
  // Hardware numbers beyond a byte never match a one-byte range.
  EXPECT_EQ(CheckTarget(h, 0x0042, 0x0103), ContainerError::kWrongHardware);
  EXPECT_EQ(CheckTarget(h, 0x0043, 4), ContainerError::kWrongDevice);
  // An unknown device (ID 0) is not compared at all.
  EXPECT_EQ(CheckTarget(h, 0, 99), ContainerError::kNone);
}

TEST(ContainerCheck, DowngradeOnlyBetweenRealVersions) {
  EXPECT_TRUE(IsDowngrade(101, 100));
  EXPECT_TRUE(IsDowngrade(410, 403));
  EXPECT_FALSE(IsDowngrade(403, 403));
  EXPECT_FALSE(IsDowngrade(403, 410));
  EXPECT_FALSE(IsDowngrade(99, 50));
  EXPECT_FALSE(IsDowngrade(0, 100));
  EXPECT_FALSE(IsDowngrade(410, 99));
  EXPECT_FALSE(IsDowngrade(0xFFFF, 0x10000));
}

TEST(ContainerCheck, ImageLengthIsPaddedToBlocksAndBounded) {
  EXPECT_EQ(PaddedImageLength(0), 0u);
  EXPECT_EQ(PaddedImageLength(1), 512u);
  EXPECT_EQ(PaddedImageLength(512), 512u);
  EXPECT_EQ(PaddedImageLength(513), 1024u);
  EXPECT_EQ(CheckImageLength(0), ContainerError::kNoImage);
  EXPECT_EQ(CheckImageLength(1), ContainerError::kNone);
  EXPECT_EQ(CheckImageLength(kMaxImageBytes), ContainerError::kNone);
  EXPECT_EQ(CheckImageLength(kMaxImageBytes + 1), ContainerError::kImageTooLarge);
}

TEST(ContainerCheck, WholeFileCheckOrder) {
  const std::vector<uint8_t> empty = MakeContainer(Header(5, 1, 1, 100), {});
  EXPECT_EQ(CheckContainer(empty, 0, 0), ContainerError::kNoImage);
  // The target is judged before the image.
  EXPECT_EQ(CheckContainer(empty, 6, 1), ContainerError::kWrongDevice);
  const std::vector<uint8_t> one(1, 0);
  ContainerHeader seen;
  EXPECT_EQ(CheckContainer(MakeContainer(Header(5, 1, 2, 100), one), 5, 2, &seen),
            ContainerError::kNone);
  EXPECT_EQ(seen.hardware_high, 2);
}

TEST(ProgressPercent, IntegerStepsAndNoOverflowForHugeImages) {
  // 513 bytes travel as two blocks: 50 then 100.
  EXPECT_EQ(ProgressPercent(1024, 512), 50);
  EXPECT_EQ(ProgressPercent(1024, 0), 100);
  EXPECT_EQ(ProgressPercent(1024, 1024), 0);
  EXPECT_EQ(ProgressPercent(0, 0), 0);
  // 32 MiB: (total - remaining) x 100 would overflow 32 bits.
  const uint64_t big = kMaxImageBytes;
  EXPECT_EQ(ProgressPercent(big, big - 512), 0);
  EXPECT_EQ(ProgressPercent(big, big / 2), 50);
  EXPECT_EQ(ProgressPercent(big, 512), 99);
  const uint64_t huge = UINT64_MAX - 7;
  EXPECT_EQ(ProgressPercent(huge, huge / 4), 75);
  EXPECT_EQ(ProgressPercent(huge, 0), 100);
  // A remaining count above the total (never sent that way) reads as nothing done.
  EXPECT_EQ(ProgressPercent(512, 1024), 0);
}

TEST(FlashStatusName, NamesAndTheValuesBeyondTheTable) {
  EXPECT_EQ(FlashStatusName(0), u"FWU_OK");
  EXPECT_EQ(FlashStatusName(1), u"FWU_OUT_OF_RANGE");
  EXPECT_EQ(FlashStatusName(2), u"FWU_ERR_ERASE");
  EXPECT_EQ(FlashStatusName(3), u"FWU_ERR_PROGRAMM");
  EXPECT_EQ(FlashStatusName(4), u"FWU_ERR_VERIFY");
  EXPECT_EQ(FlashStatusName(5), u"FWU_UNKNOWN");
  EXPECT_EQ(FlashStatusName(255), u"FWU_UNKNOWN");
}

}  // namespace
}  // namespace corvane
