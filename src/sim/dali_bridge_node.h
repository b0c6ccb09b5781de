// The simulated lighting-bus bridge (Luxbrig-B 0x004, Luxbrig-A 0x006): a mains-powered node
// with a DALI bus of four ballasts. It executes the DALI command words the tool writes into
// registers 54..55 and answers queries in the response registers 52..53, reads the actual
// value with its get-actual-value command into register 51, and turns the button reports of its
// linked control devices (heard on the air, or imitated by the tool's test press) into the
// commands of their records.
//
// Button reports: a short press of a button whose ON command has the push/pull flag toggles
// between the ON and OFF commands; otherwise the input's switch state (A byte) picks ON or OFF.
// A long press runs the long-press command. The tool's test press stands for a push: ON, or
// the toggle with push/pull.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "sim/node.h"

namespace corvane::sim {

class DaliBridgeNode : public SimNode {
 public:
  static constexpr int kWordModbusId = 27;
  static constexpr int kWordInfo = 48;
  static constexpr int kWordSystem = 50;
  static constexpr int kWordActualValue = 51;
  static constexpr int kWordResponse = 52;
  static constexpr int kWordCommand = 54;
  static constexpr int kWordTrigger = 56;
  static constexpr int kWordGetActual = 58;
  static constexpr int kWordRssiFirst = 60;
  static constexpr int kWordDevicesFirst = 68;
  static constexpr int kDeviceWords = 26;
  static constexpr int kWordRisingEdge = 484;
  static constexpr int kWordFallingEdge = 485;
  static constexpr int kControlDevices = 16;
  static constexpr int kBallasts = 4;
  static constexpr int kBankSize = 27;  // memory bank 0, locations 0..26

  struct Ballast {
    uint8_t level = 0;          // actual arc power level, 0 = off
    uint8_t last_active = 254;  // the level "go to last active level" recalls
    uint8_t min_level = 1;
    uint8_t max_level = 254;
    uint16_t groups = 0;  // bit g: member of group g
    std::array<uint8_t, kBankSize> bank0{};
  };

  DaliBridgeNode(RfAddress address, const NodeSettings& settings);
  const char* family() const override { return "lighting bridge"; }

  // Ballast i has short address i.
  const Ballast& ballast(int i) const { return ballasts_[static_cast<size_t>(i)]; }
  int commands_executed() const { return commands_executed_; }
  // Puts one 16-bit forward frame on the bus; the backward frame when a ballast answers.
  std::optional<uint8_t> Execute(uint16_t frame);
  // A DALI command word (frame below its marker bit): executes a 16-bit frame, ignores others.
  std::optional<uint8_t> ExecuteWord(uint32_t word);

  bool overhears() const override { return true; }
  bool OverhearsFrom(RfAddress source) const override { return EntryOf(source) >= 0; }
  void Overhear(const AirFrame& frame) override;

 protected:
  void InitRegisters() override;
  void UpdateLive() override;
  bool HandleOther(const AirFrame& frame, uint8_t type, int length, const uint8_t* payload,
                   MessageBuilder& answer) override;
  void OnWritten(uint16_t first, int count) override;

 private:
  enum class Press { kPush, kShortOn, kShortOff, kLong };
  int EntryOf(RfAddress address) const;
  uint32_t Word32(int w) const;
  void SetWord32(int w, uint32_t value);
  // Button reports of control device k in a register block of registers 50..51.
  void TakeReport(int k, const uint8_t* messages, int length, bool test_press);
  void Pressed(int k, int button, Press press);
  bool Addressed(const Ballast& b, int index, uint8_t address) const;
  std::optional<uint8_t> Command(Ballast& b, uint8_t command);

  std::array<Ballast, kBallasts> ballasts_{};
  std::array<std::array<bool, 4>, kControlDevices> toggled_on_{};
  uint8_t dtr0_ = 0;
  uint8_t dtr1_ = 0;
  int commands_executed_ = 0;
};

}  // namespace corvane::sim
