// Counts and logs every protocol mistake the simulator sees in what the tool sends. Tests assert
// that a conversation leaves the count at zero; the log tells what went wrong and when.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/rf_address.h"
#include "sim/event_queue.h"

namespace corvane::sim {

class ProtocolChecker {
 public:
  // Lines kept in the log; the count goes on beyond it.
  static constexpr size_t kMaxLogLines = 256;

  void Report(SimTime when, RfAddress where, const std::string& text);

  int count() const { return count_; }
  const std::vector<std::string>& log() const { return log_; }
  // The log as one text, one line per violation.
  std::string LogText() const;
  void Clear();

 private:
  int count_ = 0;
  std::vector<std::string> log_;
};

}  // namespace corvane::sim
