// CDaliEdit: the editor of one DALI command word. It offers the forward frame as an address
// (broadcast, group, short address) and a command chosen from lists, and gives back the frame
// and its length in bits after OK; the bridge, its control devices and the street-light node
// all edit their command words with it.
#pragma once

#include <cstdint>

#include "ui/dialog.h"
#include "ui/host.h"

namespace corvane::lighting {

class CDaliEdit : public ui::Dialog {
 public:
  CDaliEdit(ui::Host& host, uint32_t value);

  // The result after OK: the forward frame (without marker) and its length in bits.
  uint32_t value() const { return value_; }
  int length() const { return length_; }
  // False after OK when the command was one the lists cannot show and the user picked
  // nothing: the caller keeps its fields as they are.
  bool changed() const { return changed_; }

 protected:
  void OnInit() override;
  void OnOk() override;
  void OnSelChange(int id) override;

 private:
  uint32_t value_;
  int length_ = 16;
  bool picked_ = false;
  bool changed_ = true;
};

}  // namespace corvane::lighting
