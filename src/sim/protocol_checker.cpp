#include "sim/protocol_checker.h"

#include <cstdio>

namespace corvane::sim {

void ProtocolChecker::Report(SimTime when, RfAddress where, const std::string& text) {
  ++count_;
  if (log_.size() >= kMaxLogLines) return;
  char head[48];
  std::snprintf(head, sizeof head, "%lld ms 0x%08X: ", static_cast<long long>(when), where);
  log_.push_back(head + text);
}

std::string ProtocolChecker::LogText() const {
  std::string text;
  for (const std::string& line : log_) {
    text += line;
    text += '\n';
  }
  if (static_cast<size_t>(count_) > log_.size()) {
    text += "... " + std::to_string(count_ - static_cast<int>(log_.size())) + " more\n";
  }
  return text;
}

void ProtocolChecker::Clear() {
  count_ = 0;
  log_.clear();
}

}  // namespace corvane::sim
