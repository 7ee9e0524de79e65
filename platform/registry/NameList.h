#pragma once
// The names of a key path, as views into text held elsewhere. A path of a dozen names or fewer (nearly every
// path a program opens) is kept inline, so splitting one costs no allocation.
#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>

namespace mx::reg {

class NameList {
 public:
  static constexpr size_t kInline = 12;

  // The inline places are left unset: only the first size() of them are ever read.
  NameList() {}
  NameList(std::initializer_list<std::wstring_view> names) { append(names.begin(), names.end()); }
  NameList(const NameList& other) { append(other.begin(), other.end()); }
  NameList& operator=(const NameList& other) {
    if (this != &other) assign(other.begin(), other.end());
    return *this;
  }
  NameList(NameList&& other) noexcept { take(other); }
  NameList& operator=(NameList&& other) noexcept {
    if (this != &other) {
      heap_.reset();
      data_ = inline_;
      capacity_ = kInline;
      take(other);
    }
    return *this;
  }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const std::wstring_view* data() const { return data_; }
  const std::wstring_view* begin() const { return data_; }
  const std::wstring_view* end() const { return data_ + size_; }
  const std::wstring_view& operator[](size_t i) const { return data_[i]; }
  const std::wstring_view& back() const { return data_[size_ - 1]; }
  operator std::span<const std::wstring_view>() const { return {data_, size_}; }

  void reserve(size_t n) {
    if (n <= capacity_) return;
    auto bigger = std::make_unique<std::wstring_view[]>(n);
    std::copy(data_, data_ + size_, bigger.get());
    heap_ = std::move(bigger);
    data_ = heap_.get();
    capacity_ = n;
  }
  void push_back(std::wstring_view name) {
    if (size_ == capacity_) reserve(capacity_ * 2);
    data_[size_++] = name;
  }
  void emplace_back(std::wstring_view name) { push_back(name); }
  void clear() { size_ = 0; }
  // Shrinks only: a path never grows by empty names.
  void resize(size_t n) { size_ = std::min(n, size_); }
  template <class It>
  void append(It first, It last) {
    reserve(size_ + static_cast<size_t>(std::distance(first, last)));
    for (; first != last; ++first) data_[size_++] = *first;
  }
  template <class It>
  void assign(It first, It last) {
    clear();
    append(first, last);
  }

 private:
  void take(NameList& other) {
    if (other.heap_) {
      heap_ = std::move(other.heap_);
      data_ = heap_.get();
      capacity_ = other.capacity_;
      size_ = other.size_;
    } else {
      size_ = 0;
      append(other.begin(), other.end());
    }
    other.data_ = other.inline_;
    other.capacity_ = kInline;
    other.size_ = 0;
  }

  union {
    std::wstring_view inline_[kInline];
  };
  std::wstring_view* data_ = inline_;
  size_t size_ = 0;
  size_t capacity_ = kInline;
  std::unique_ptr<std::wstring_view[]> heap_;
};

}  // namespace mx::reg
