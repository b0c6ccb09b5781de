// The few hidapi calls the dongle transport makes, behind an interface so tests can stand a fake
// device in for the USB hardware. SystemHidApi (system_hid_api.h) is the real one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvane::hid {

// One entry of an enumeration. hidapi lists a device node once per top-level collection, so the
// same path may appear several times.
struct HidDeviceInfo {
  std::string path;  // the hidraw node, e.g. "/dev/hidraw3"
  uint16_t vendor_id = 0;
  uint16_t product_id = 0;
  std::u16string serial_number;
  uint16_t usage_page = 0;
  uint16_t usage = 0;
  int interface_number = -1;
};

// Why an open failed: the errno of the failed open (0 when unknown) and hidapi's text.
struct OpenError {
  int code = 0;
  std::u16string text;
};

// One open device handle; destroying it closes the handle. hidapi keeps one error string per
// handle and rewrites it on every call, so a handle must never be used from two threads at once.
class HidDevice {
 public:
  virtual ~HidDevice() = default;
  // Bytes written, or -1.
  virtual int Write(const uint8_t* data, size_t length) = 0;
  // Bytes read, 0 when nothing arrived within `ms` milliseconds, or -1 (device gone or failed).
  virtual int ReadTimeout(uint8_t* data, size_t length, int ms) = 0;
  // The text of the handle's last error.
  virtual std::u16string Error() = 0;
};

class HidApi {
 public:
  virtual ~HidApi() = default;
  virtual std::vector<HidDeviceInfo> Enumerate(uint16_t vendor_id, uint16_t product_id) = 0;
  // Null on failure, with the reason in `error`.
  virtual std::unique_ptr<HidDevice> Open(const std::string& path, OpenError& error) = 0;
};

}  // namespace corvane::hid
