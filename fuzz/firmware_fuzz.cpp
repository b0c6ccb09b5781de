// Two targets in one: the container check on arbitrary bytes, and the firmware-update dialog
// driven by arbitrary sequences of target answers (block acknowledgements with any number and
// status, register data of any shape), time-outs and button presses. The first byte chooses.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "firmware/container.h"
#include "firmware/fw_update.h"
#include "link/message_layer.h"
#include "link/messages.h"
#include "model/le.h"
#include "touching_transport.h"
#include "ui/headless/test_host.h"
#include "firmware/fw_update_template.h"
#include "ui/text.h"

namespace {

using namespace corvane;

constexpr RfAddress kTarget = 0x00700502;
constexpr RfAddress kRouter = 0x00800101;

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool done() const { return p_ >= end_; }
  uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }
  uint16_t Word() {
    const uint8_t lo = Byte();
    return static_cast<uint16_t>(lo | (Byte() << 8));
  }
  std::vector<uint8_t> Take(size_t n) {
    std::vector<uint8_t> out;
    while (n-- > 0 && p_ < end_) out.push_back(*p_++);
    return out;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

std::string WriteContainer(const std::vector<uint8_t>& bytes) {
  static const std::string path = "/tmp/corvane_fw_fuzz_" + std::to_string(::getpid()) + ".bin";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  return path;
}

void CheckOnly(Reader& in) {
  const uint16_t device = in.Word();
  const uint16_t hardware = in.Word();
  const std::vector<uint8_t> rest = in.Take(SIZE_MAX);
  ContainerHeader header;
  const ContainerError e = CheckContainer(rest, device, hardware, &header);
  if (e == ContainerError::kNone) {
    // What a passed container promises must hold.
    if (rest.size() <= kContainerHeaderBytes) __builtin_trap();
    const uint64_t padded = PaddedImageLength(rest.size() - kContainerHeaderBytes);
    if (padded % kFirmwareBlockBytes != 0 || ProgressPercent(padded, 0) != 100) __builtin_trap();
  }
}

void DriveDialog(Reader& in, uint8_t mode) {
  ui::TestHost host;
  fuzzing::TouchingTransport transport;
  MessageLayer layer(transport);
  const RfAddress route = (mode & 2) != 0 ? kRouter : 0;
  const RfAddress target = (mode & 4) != 0 ? ADDR_DONGLE : kTarget;
  CFwUpdate dlg(host, layer, target, route);
  host.Open(dlg);

  // A good container for the device the answers usually describe, or bytes of the input.
  std::vector<uint8_t> container;
  if ((mode & 8) != 0) {
    container = in.Take(in.Byte() * 8u);
  } else {
    std::vector<uint8_t> image(in.Byte() * 16u + 1u, 0x5A);
    container = MakeContainer({0x0042, 2, 6, static_cast<uint32_t>(in.Word())}, image);
  }
  const std::u16string path = ui::Utf8ToUtf16(WriteContainer(container));

  int steps = 0;
  while (!in.done() && steps++ < 400) {
    const uint8_t op = in.Byte();
    const RfAddress from = (op & 0x80) != 0 ? route : target;
    switch (op & 0x0F) {
      case 0: {  // acknowledgement of a block near the one in flight
        const uint16_t block =
            static_cast<uint16_t>(dlg.block_counter() + static_cast<int8_t>(in.Byte() % 5) - 2);
        const uint8_t m[5] = {MSG_FW_BLOCK_ACK, 3, static_cast<uint8_t>(block),
                              static_cast<uint8_t>(block >> 8), in.Byte()};
        layer.ProcessBuffer(from, m, sizeof m);
        break;
      }
      case 1: {  // the information a target gives, bootloader number chosen by the input
        const uint16_t words[3] = {0x0042, static_cast<uint16_t>(in.Byte() % 8),
                                   static_cast<uint16_t>(in.Byte() % 3 == 0 ? 0 : 105)};
        uint8_t m[5 + 6] = {MSG_REG_BLOCK_82, 9, 5, 0, 3};
        for (int i = 0; i < 3; ++i) PutU16(m + 5 + 2 * i, words[i]);
        layer.ProcessBuffer(from, m, sizeof m);
        break;
      }
      case 2: {  // register data of any shape
        std::vector<uint8_t> m = {IsRegisterBlockType(in.Byte()) ? MSG_REG_BLOCK_86
                                                                 : MSG_REG_BLOCK};
        std::vector<uint8_t> body = in.Take(in.Byte() % 80);
        m.push_back(static_cast<uint8_t>(body.size()));
        m.insert(m.end(), body.begin(), body.end());
        layer.ProcessBuffer(from, m.data(), static_cast<int>(m.size()));
        break;
      }
      case 3: {  // any message, offered straight to the hook
        const uint8_t type = in.Byte();
        std::vector<uint8_t> body = in.Take(in.Byte() % 40);
        dlg.OfferMessage(from, type, static_cast<int>(body.size()),
                         body.empty() ? nullptr : body.data());
        break;
      }
      case 4:
        host.Advance(in.Byte() * 20);
        break;
      case 5:
        host.QueueFileResult(path);
        host.Click(dlg, ui::kFwUpdateStart);
        break;
      case 6:
        host.Click(dlg, ui::kFwUpdateRefresh);
        break;
      case 7:
        host.Click(dlg, ui::kFwUpdateJumpBoot);
        break;
      case 8:
        host.Click(dlg, ui::kFwUpdateJumpApp);
        break;
      case 9:
        host.QueueAnswer((op & 0x10) != 0 ? ui::kIdNo : ui::kIdYes);
        break;
      case 10:
        layer.LongTransferTick();
        break;
      default: {  // a short word answer
        const uint8_t m[6] = {MSG_REG_WORD_84, 4, in.Byte(), in.Byte(), in.Byte(), in.Byte()};
        layer.ProcessBuffer(from, m, sizeof m);
        break;
      }
    }
    // Invariants of the transfer.
    if (dlg.remaining_bytes() > dlg.total_bytes()) __builtin_trap();
    if (dlg.total_bytes() % kFirmwareBlockBytes != 0) __builtin_trap();
    const int pos = dlg.Pos(ui::kFwUpdateProgress);
    if (pos < 0 || pos > 100) __builtin_trap();
  }
  host.Click(dlg, ui::kIdOk);
  if (CFwUpdate::AnyOpen()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  const uint8_t mode = in.Byte();
  if ((mode & 1) == 0) {
    CheckOnly(in);
  } else {
    DriveDialog(in, mode);
  }
  return 0;
}
