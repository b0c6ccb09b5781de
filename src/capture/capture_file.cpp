#include "capture/capture_file.h"

#include <pcap/pcap.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "model/le.h"

namespace corvane::capture {

CaptureFile::~CaptureFile() { Close(); }

bool CaptureFile::Open(const std::string& path, std::string& error) {
  Close();
  // Opened here rather than by pcap_dump_open, which takes "-" for standard output.
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot create capture file " + path + ": " + std::strerror(errno);
    return false;
  }
  dead_ = pcap_open_dead_with_tstamp_precision(DLT_USER0, kCaptureSnapLength,
                                               PCAP_TSTAMP_PRECISION_MICRO);
  if (dead_ == nullptr) {
    std::fclose(file);
    error = "cannot create capture file " + path + ": libpcap has no handle for it";
    return false;
  }
  dumper_ = pcap_dump_fopen(dead_, file);
  if (dumper_ == nullptr) {
    error = "cannot write capture file " + path + ": " + pcap_geterr(dead_);
    std::fclose(file);
    pcap_close(dead_);
    dead_ = nullptr;
    return false;
  }
  if (pcap_dump_flush(dumper_) != 0 || std::ferror(pcap_dump_file(dumper_)) != 0) {
    error = "cannot write capture file " + path + ": " + std::strerror(errno);
    Close();
    return false;
  }
  return true;
}

bool CaptureFile::Write(const CapturedFrame& frame) {
  if (dumper_ == nullptr) return false;
  const size_t length = kCaptureHeaderBytes + frame.bytes.size();
  std::vector<uint8_t> packet(length);
  packet[0] = kCaptureHeaderVersion;
  PutU32(packet.data() + 1, frame.source);
  PutU32(packet.data() + 5, frame.destination);
  PutU16(packet.data() + 9, frame.frame_id);
  packet[11] = static_cast<uint8_t>(frame.rssi);
  if (!frame.bytes.empty()) {
    std::memcpy(packet.data() + kCaptureHeaderBytes, frame.bytes.data(), frame.bytes.size());
  }

  pcap_pkthdr header{};
  // Floor division: a time before 1970 still gives microseconds in 0..999999.
  int64_t seconds = frame.unix_us / 1000000;
  int64_t micros = frame.unix_us % 1000000;
  if (micros < 0) {
    micros += 1000000;
    seconds -= 1;
  }
  header.ts.tv_sec = static_cast<decltype(header.ts.tv_sec)>(seconds);
  header.ts.tv_usec = static_cast<decltype(header.ts.tv_usec)>(micros);
  header.len = static_cast<bpf_u_int32>(length);
  header.caplen =
      static_cast<bpf_u_int32>(length < kCaptureSnapLength ? length : kCaptureSnapLength);
  pcap_dump(reinterpret_cast<u_char*>(dumper_), &header, packet.data());
  if (pcap_dump_flush(dumper_) != 0 || std::ferror(pcap_dump_file(dumper_)) != 0) {
    Close();
    return false;
  }
  return true;
}

void CaptureFile::Close() {
  if (dumper_ != nullptr) {
    pcap_dump_close(dumper_);
    dumper_ = nullptr;
  }
  if (dead_ != nullptr) {
    pcap_close(dead_);
    dead_ = nullptr;
  }
}

}  // namespace corvane::capture
