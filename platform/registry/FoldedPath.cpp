#include "platform/registry/FoldedPath.h"

namespace mx::reg {

FoldedPath::FoldedPath(std::span<const std::wstring_view> names) : size_(names.size()) {
  size_t units = 0;
  for (std::wstring_view n : names) units += n.size();
  names_ = inlineNames_;
  if (size_ > kInlineNames) {
    heapNames_ = std::make_unique_for_overwrite<FoldedName[]>(size_);
    names_ = heapNames_.get();
  }
  wchar_t* text = inlineText_;
  if (units > kInlineText) {
    heapText_ = std::make_unique_for_overwrite<wchar_t[]>(units);
    text = heapText_.get();
  }
  for (size_t i = 0; i < size_; ++i) {
    FoldInto(names[i], text);
    names_[i] = FoldedName{std::wstring_view(text, names[i].size())};
    text += names[i].size();
  }
}

}  // namespace mx::reg
