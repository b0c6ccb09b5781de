// The firmware-update dialog on a TestHost with the real message layer over a transport that
// records every report, and helpers that play the target's side message by message.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "firmware/container.h"
#include "firmware/fw_update.h"
#include "link/message_layer.h"
#include "link/messages.h"
#include "model/le.h"
#include "ui/headless/test_host.h"
#include "firmware/fw_update_template.h"
#include "ui/text.h"

namespace corvane::testing {

using Bytes = std::vector<uint8_t>;

inline std::string HexOf(const uint8_t* p, size_t n) {
  std::string out;
  char b[4];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, i ? " %02X" : "%02X", p[i]);
    out += b;
  }
  return out;
}
inline std::string HexOf(const Bytes& b) { return HexOf(b.data(), b.size()); }

class RecordingTransport : public Transport {
 public:
  bool Discover(std::u16string&) override { return true; }
  bool Open(ReportSink*) override { return true; }
  bool Close() override { return true; }
  bool IsOpen() const override { return true; }
  void Enqueue(const uint8_t* bytes, size_t length) override {
    sent.emplace_back(bytes, bytes + length);
  }
  std::vector<Bytes> sent;
};

// Register data as a node sends it: [0x82][3 + 2n][first][n][words].
inline Bytes RegBlock(uint16_t first, const std::vector<uint16_t>& words, uint8_t type = 0x82) {
  Bytes m = {type, static_cast<uint8_t>(3 + 2 * words.size()), static_cast<uint8_t>(first),
             static_cast<uint8_t>(first >> 8), static_cast<uint8_t>(words.size())};
  for (uint16_t w : words) {
    m.push_back(static_cast<uint8_t>(w));
    m.push_back(static_cast<uint8_t>(w >> 8));
  }
  return m;
}
inline Bytes BlockAck(uint16_t block, uint8_t status) {
  return {MSG_FW_BLOCK_ACK, 3, static_cast<uint8_t>(block), static_cast<uint8_t>(block >> 8),
          status};
}

class FwRig {
 public:
  static constexpr RfAddress kNode = 0x00700502;
  static constexpr RfAddress kRouter = 0x00800101;

  explicit FwRig(RfAddress target = kNode, RfAddress route = 0)
      : target(target), route(route), dlg(host, layer, target, route) {
    dir = std::filesystem::temp_directory_path() /
          ("corvane_fw_" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  ~FwRig() {
    host.Forget(dlg);
    std::filesystem::remove_all(dir);
  }

  // A message of the target (or of whoever `from` names) reaches the dispatcher.
  void Reply(const Bytes& message, RfAddress from = 0) {
    layer.ProcessBuffer(from == 0 ? target : from, message.data(),
                        static_cast<int>(message.size()));
  }
  // Everything the information request asks, as a target in its application answers it.
  void AnswerInfo(uint16_t device_id, uint16_t hardware, uint16_t boot, uint16_t app) {
    Reply(RegBlock(1, {app}));
    std::vector<uint16_t> w(13, 0);
    w[0] = device_id;
    w[1] = hardware;
    w[2] = boot;
    w[3] = 0x654E;  // "Ne"
    w[4] = 0x0077;  // "w"
    Reply(RegBlock(5, w));
  }
  // The bootloader check's answer: register 7 non-zero.
  void AnswerBootloader(uint16_t boot = 105) {
    std::vector<uint16_t> w(20, 0);
    w[0] = hardware;
    w[1] = boot;
    Reply(RegBlock(5, {device_id, hardware}));
    Reply(RegBlock(6, w));
  }

  // Writes a file into the test's folder and returns its path.
  std::u16string WriteFile(const std::string& name, const Bytes& bytes) {
    const std::filesystem::path p = dir / name;
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return ui::Utf8ToUtf16(p.string());
  }
  std::u16string Container(uint32_t version, const Bytes& image, uint16_t device = 0) {
    const ContainerHeader h{device == 0 ? device_id : device, 2, 6, version};
    return WriteFile("fw.bin", MakeContainer(h, image));
  }
  // Picks `path` in the file dialog and presses "Firmware Update".
  void Start(const std::u16string& path) {
    host.QueueFileResult(path);
    ASSERT_TRUE(host.Click(dlg, ui::kFwUpdateStart));
  }

  // Reports sent since the last call.
  std::vector<Bytes> Take() {
    std::vector<Bytes> out;
    out.swap(transport.sent);
    return out;
  }
  std::vector<std::string> TakeHex() {
    std::vector<std::string> out;
    for (const Bytes& b : Take()) out.push_back(HexOf(b));
    return out;
  }

  // The message carried by the acknowledged transfers among `reports`, put back together from
  // its data fragments (the last transfer wins), and the transfer's id.
  static Bytes LongMessage(const std::vector<Bytes>& reports, uint8_t* id = nullptr) {
    Bytes out;
    int total = 0;
    for (const Bytes& r : reports) {
      if (r[0] == MSG_XFER_START) {
        total = GetU16(r.data() + 3);
        out.assign(static_cast<size_t>(total), 0);
        if (id != nullptr) *id = r[2];
      } else if (r[0] == MSG_XFER_DATA && total > 0) {
        const int index = r[2];
        const int n = r[1] - 1;
        for (int i = 0; i < n && 61 * index + i < total; ++i) {
          out[static_cast<size_t>(61 * index + i)] = r[static_cast<size_t>(3 + i)];
        }
      }
    }
    return out;
  }
  // Confirms the transfer `id` to the message layer, as the dongle does.
  void ConfirmTransfer(uint8_t id, int fragments) {
    const uint16_t mask = static_cast<uint16_t>((1u << fragments) - 1);
    const Bytes status = {MSG_XFER_STATUS, 3, id, static_cast<uint8_t>(mask),
                          static_cast<uint8_t>(mask >> 8)};
    layer.ProcessBuffer(ADDR_DONGLE, status.data(), static_cast<int>(status.size()));
  }
  // Takes the reports of one block transfer, confirms it and returns the block message.
  Bytes TakeBlock() {
    const std::vector<Bytes> reports = Take();
    uint8_t id = 0;
    Bytes message = LongMessage(reports, &id);
    if (!message.empty()) ConfirmTransfer(id, static_cast<int>((message.size() + 60) / 61));
    return message;
  }

  std::vector<std::u16string> BoxTexts() const {
    std::vector<std::u16string> out;
    for (const auto& b : host.boxes()) out.push_back(b.text);
    return out;
  }

  uint16_t device_id = 0x0042;
  uint16_t hardware = 4;
  RfAddress target;
  RfAddress route;
  ui::TestHost host;
  RecordingTransport transport;
  MessageLayer layer{transport};
  CFwUpdate dlg;
  std::filesystem::path dir;
};

}  // namespace corvane::testing
