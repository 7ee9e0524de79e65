#pragma once
// The names of a path ready for sub-key lookups (FoldedName), made once per resolution: an HKEY_CLASSES_ROOT
// path is looked up in two trees, and a path walked again below a link key reuses them. A short path needs no
// allocation.
#include <memory>
#include <span>
#include <string_view>

#include "platform/registry/FoldedName.h"

namespace mx::reg {

class FoldedPath {
 public:
  static constexpr size_t kInlineNames = 12;
  static constexpr size_t kInlineText = 256;

  explicit FoldedPath(std::span<const std::wstring_view> names);
  FoldedPath(const FoldedPath&) = delete;
  FoldedPath& operator=(const FoldedPath&) = delete;

  std::span<const FoldedName> names() const { return {names_, size_}; }

 private:
  FoldedName* names_ = nullptr;
  size_t size_ = 0;
  std::unique_ptr<FoldedName[]> heapNames_;
  std::unique_ptr<wchar_t[]> heapText_;
  // Left unset past what the constructor wrote.
  union {
    FoldedName inlineNames_[kInlineNames];
  };
  union {
    wchar_t inlineText_[kInlineText];
  };
};

}  // namespace mx::reg
