#include "platform/gdi/DrawLog.h"

namespace gdi {

void DrawLog::Add(DrawCall call) {
  std::lock_guard lock(mutex_);
  calls_.push_back(std::move(call));
}

std::vector<DrawCall> DrawLog::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<DrawCall> DrawLog::Calls(const std::string& op) const {
  std::lock_guard lock(mutex_);
  std::vector<DrawCall> out;
  for (const auto& c : calls_)
    if (c.op == op) out.push_back(c);
  return out;
}

size_t DrawLog::Count(const std::string& op) const {
  std::lock_guard lock(mutex_);
  size_t n = 0;
  for (const auto& c : calls_) n += c.op == op ? 1 : 0;
  return n;
}

void DrawLog::Clear() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

}  // namespace gdi
