#pragma once
// Owns one open registry key of the importer and exporter; closes it on destruction.
#include <string>

#include "platform/registry/Registry.h"

namespace mx {

class RegKeyHandle {
 public:
  RegKeyHandle() = default;
  ~RegKeyHandle() { reset(); }
  RegKeyHandle(const RegKeyHandle&) = delete;
  RegKeyHandle& operator=(const RegKeyHandle&) = delete;
  RegKeyHandle(RegKeyHandle&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
  RegKeyHandle& operator=(RegKeyHandle&& other) noexcept {
    if (this != &other) {
      reset();
      key_ = other.key_;
      other.key_ = nullptr;
    }
    return *this;
  }

  HKEY get() const { return key_; }
  PHKEY receive() {
    reset();
    return &key_;
  }
  void reset() {
    if (key_) win::RegCloseKey(key_);
    key_ = nullptr;
  }

 private:
  HKEY key_ = nullptr;
};

// "access denied (5)", "not found (2)", "error 1234" for messages.
std::string RegErrorText(LONG rc);

}  // namespace mx
