// HidApi over the system's hidapi library (hidraw backend). Create one per program, on the UI
// thread: it initialises the library, which is not safe to do from two threads at once.
#pragma once

#include "link/hid/hid_api.h"

namespace corvane::hid {

class SystemHidApi : public HidApi {
 public:
  SystemHidApi();
  ~SystemHidApi() override;
  SystemHidApi(const SystemHidApi&) = delete;
  SystemHidApi& operator=(const SystemHidApi&) = delete;

  std::vector<HidDeviceInfo> Enumerate(uint16_t vendor_id, uint16_t product_id) override;
  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError& error) override;
};

}  // namespace corvane::hid
