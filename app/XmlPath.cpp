#include "app/XmlPath.h"

namespace {

bool IsNameChar(wchar_t c) {
  switch (c) {
    case L' ': case L'\t': case L'\r': case L'\n':
    case L'/': case L'=': case L'[': case L']': case L'@': case L'"': case L'\'':
      return false;
    default:
      return true;
  }
}

class PathReader {
 public:
  explicit PathReader(std::wstring_view path) : p_(path) {}

  bool Valid() {
    for (;;) {
      if (At(L'@')) {  // a final attribute step
        ++i_;
        return Name() && i_ == p_.size();
      }
      if (!Step()) return false;
      if (i_ == p_.size()) return true;
      if (!At(L'/')) return false;
      if (++i_ == p_.size()) return false;
    }
  }

 private:
  bool At(wchar_t c) const { return i_ < p_.size() && p_[i_] == c; }

  bool Name() {
    size_t begin = i_;
    while (i_ < p_.size() && IsNameChar(p_[i_])) ++i_;
    return i_ > begin;
  }

  bool Step() {
    if (!Name()) return false;
    if (!At(L'[')) return true;
    ++i_;
    if (At(L'@')) {
      ++i_;
      if (!Name()) return false;
      if (At(L'=')) {
        ++i_;
        if (At(L'"') || At(L'\'')) {
          size_t close = p_.find(p_[i_], i_ + 1);
          if (close == std::wstring_view::npos) return false;
          i_ = close + 1;
        } else {
          size_t begin = i_;
          while (i_ < p_.size() && p_[i_] != L']' && p_[i_] != L'[') ++i_;
          if (i_ == begin) return false;
        }
      }
    } else if (!Name()) {  // a number is a name of digits here
      return false;
    }
    if (!At(L']')) return false;
    ++i_;
    return true;
  }

  std::wstring_view p_;
  size_t i_ = 0;
};

}  // namespace

std::optional<std::wstring_view> XmlPathElementName(std::wstring_view path) {
  if (path.empty()) return std::wstring_view{};
  if (!PathReader(path).Valid()) return std::nullopt;
  size_t end = path.find_first_of(L" /=[]");
  return path.substr(0, end);
}
