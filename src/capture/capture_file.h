// Capture files of heard radio traffic, in the pcap format so that Wireshark and tshark read them.
//
// The file has link type USER0 (LINKTYPE 147; libpcap's DLT_USER0). Each heard frame is one
// packet whose timestamp is the PC's time of reception (microsecond resolution) and whose data is
// a 12-byte Corvane header followed by the frame bytes exactly as the dongle delivered them:
//
//   offset  size  field
//   0       1     header version, kCaptureHeaderVersion (1); a reader stops at an unknown one
//   1       4     source RF address, little-endian
//   5       4     destination RF address, little-endian (0 = broadcast)
//   9       2     frame id, little-endian (the dongle numbers the frames it reports in 16 bits)
//   11      1     RSSI in dBm, signed
//   12      n     the frame bytes
//
// corvane.lua beside this file is the Wireshark dissector for that header. Every packet is flushed
// to the file as it is written, so a monitor that is killed leaves a file readable up to its last
// frame.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "model/rf_address.h"

struct pcap;
struct pcap_dumper;

namespace corvane::capture {

inline constexpr uint8_t kCaptureHeaderVersion = 1;
inline constexpr int kCaptureHeaderBytes = 12;
// LINKTYPE_USER0 as written in the file header.
inline constexpr int kCaptureLinkType = 147;
// Longer frames are stored cut to this length, their full length kept in the record header.
inline constexpr int kCaptureSnapLength = 65535;

struct CapturedFrame {
  int64_t unix_us;  // PC time of reception, microseconds since 1970
  RfAddress source;
  RfAddress destination;  // 0 = broadcast
  // The dongle's id of the heard frame. Sixteen bits wide as the dongle reports it: a byte would
  // repeat every 256 frames and disagree with the id the RF monitor prints.
  uint16_t frame_id;
  int8_t rssi;                     // dBm
  std::span<const uint8_t> bytes;  // the frame as the dongle delivered it
};

class CaptureFile {
 public:
  CaptureFile() = default;
  ~CaptureFile();
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  // Creates or truncates `path` and writes the file header; on failure `error` says why. "-" is a
  // file of that name, not standard output (which carries the monitor's lines). A file already
  // open is closed first.
  bool Open(const std::string& path, std::string& error);
  // Appends one packet and flushes it to the file; false when no file is open or writing failed
  // (the file is then closed: later frames would only follow a hole).
  bool Write(const CapturedFrame& frame);
  void Close();
  bool IsOpen() const { return dumper_ != nullptr; }

 private:
  pcap* dead_ = nullptr;
  pcap_dumper* dumper_ = nullptr;
};

}  // namespace corvane::capture
