#include "link/hid/system_hid_api.h"

#include <hidapi.h>
#include <unistd.h>

#include <cerrno>

namespace corvane::hid {
namespace {

// hidapi's wide strings are UTF-32 on Linux.
std::u16string FromWide(const wchar_t* text) {
  std::u16string out;
  if (text == nullptr) return out;
  for (; *text != L'\0'; ++text) {
    const auto c = static_cast<uint32_t>(*text);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(c > 0xFFFF ? u'?' : static_cast<char16_t>(c));
    }
  }
  return out;
}

class SystemHidDevice : public HidDevice {
 public:
  explicit SystemHidDevice(hid_device* device) : device_(device) {}
  ~SystemHidDevice() override { hid_close(device_); }
  SystemHidDevice(const SystemHidDevice&) = delete;
  SystemHidDevice& operator=(const SystemHidDevice&) = delete;

  int Write(const uint8_t* data, size_t length) override {
    return hid_write(device_, data, length);
  }
  int ReadTimeout(uint8_t* data, size_t length, int ms) override {
    return hid_read_timeout(device_, data, length, ms);
  }
  std::u16string Error() override { return FromWide(hid_error(device_)); }

 private:
  hid_device* device_;
};

}  // namespace

SystemHidApi::SystemHidApi() { hid_init(); }

SystemHidApi::~SystemHidApi() { hid_exit(); }

std::vector<HidDeviceInfo> SystemHidApi::Enumerate(uint16_t vendor_id, uint16_t product_id) {
  std::vector<HidDeviceInfo> found;
  hid_device_info* list = hid_enumerate(vendor_id, product_id);
  for (const hid_device_info* entry = list; entry != nullptr; entry = entry->next) {
    HidDeviceInfo info;
    info.path = entry->path != nullptr ? entry->path : "";
    info.vendor_id = entry->vendor_id;
    info.product_id = entry->product_id;
    info.serial_number = FromWide(entry->serial_number);
    info.usage_page = entry->usage_page;
    info.usage = entry->usage;
    info.interface_number = entry->interface_number;
    found.push_back(std::move(info));
  }
  hid_free_enumeration(list);
  return found;
}

std::unique_ptr<HidDevice> SystemHidApi::Open(const std::string& path, OpenError& error) {
  errno = 0;
  hid_device* device = hid_open_path(path.c_str());
  if (device != nullptr) return std::make_unique<SystemHidDevice>(device);
  error.code = errno;
  error.text = FromWide(hid_error(nullptr));
  // hidapi formats its message after the failed open, which may have overwritten errno; the
  // node's access rights tell the permission case apart for certain.
  if (error.code != EACCES && error.code != EPERM && ::access(path.c_str(), R_OK | W_OK) != 0 &&
      errno == EACCES) {
    error.code = EACCES;
  }
  return nullptr;
}

}  // namespace corvane::hid
