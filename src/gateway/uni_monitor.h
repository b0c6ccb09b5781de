// "Unidirectional Monitor": the two values a gateway has captured from each of its 200
// unidirectional devices, with the signal level and time of the last reception, read again on
// request or periodically, every update logged to SNIFF/sniff_unidir.txt.
//
// The gateway dialog runs the monitor modally and, while it is open, hands it every register
// block of its gateway (OnBlock) before applying the block itself, so the monitor sees the
// answers to its own reads. The monitor works in the layout of the image it is given: a
// gateway before 4.00 has its records at other register numbers (GatewayMap).
//
// Reading: "Read All" reads the captured values of the entries in use in short runs and then
// the status records of the first four entries. When the entries in use make a long run, or
// more runs than the read queue can take, it reads everything in a chain of 250-register
// blocks instead: the captured values, then all status records, each block requested when the
// one before it has arrived.
#pragma once

#include <cstdint>
#include <span>

#include "access/request_queues.h"
#include "model/gateway_image.h"
#include "model/rf_address.h"
#include "ui/dialog.h"
#include "ui/text.h"

namespace corvane {

class CGWUniMonitor : public ui::Dialog {
 public:
  static constexpr int kChainTimer = 17;
  // A chain request is given up only after the queue's own tries (the first and its retries,
  // each with the queue's read time-out), with half a second for the last answer on its way.
  static constexpr int kChainTimeoutMs =
      (RequestQueues::kReadRetries + 1) * RequestQueues::kReadTimeoutMs + 500;
  static constexpr int kPeriodTimer = 20;
  static constexpr int kDefaultPeriod = 5;  // seconds
  static constexpr int kMinPeriod = 2;
  // The longest run read on its own; a longer one is read by the chain.
  static constexpr int kMaxRunRegisters = 12;
  static constexpr int kChainBlock = 250;
  // Status records logged with the values.
  static constexpr int kLoggedStatus = 4;

  CGWUniMonitor(ui::Host& host, RequestQueues& queues, RfAddress gateway, RfAddress route,
                const GatewayImage& image);
  ~CGWUniMonitor() override;

  // A register block of the gateway: registers first .. first + count - 1.
  void OnBlock(int first, int count, const uint16_t* words);

  const GatewayImage& image() const { return image_; }
  bool log_open() const { return log_.is_open(); }
  // Register number at whose end the chain expects its next block; 0 = no chain running.
  int chain_end() const { return chain_end_; }

 protected:
  void OnInit() override;
  void OnCommand(int id) override;
  void OnCheck(int id) override;
  void OnDoubleClick(int id, int row, int column) override;
  void OnTimer(int id) override;
  void OnOk() override {}  // Enter in the period field must not close the monitor
  void OnCancel() override;

 private:
  void ReadAll();
  void StartChain();
  void ChainRequest(int first, int count);
  void RefillRows();
  void RefreshStatus();
  void RefreshValues();
  void LogValues();
  int CapturedEnd() const { return map().reg_captured + 2 * GatewayImage::kUniDevices; }
  int StatusEnd() const {
    return map().reg_uni_status + GwUniStatus::kWords * GatewayImage::kUniDevices;
  }
  const GatewayMap& map() const { return image_.map(); }

  RequestQueues& queues_;
  RfAddress gateway_;
  RfAddress route_;
  GatewayImage image_;
  ui::Utf16File log_;
  bool opened_ = false;
  int chain_end_ = 0;
  int chain_remaining_ = 0;
};

}  // namespace corvane
