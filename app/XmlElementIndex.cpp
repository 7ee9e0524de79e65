#include "app/XmlElementIndex.h"

#include <algorithm>

void XmlElementIndex::Reset(std::uint32_t capacity) {
  pages_.clear();
  capacity_ = std::max<std::uint32_t>(capacity, 1);
  free_ = 0;
  Add();
}

std::uint32_t XmlElementIndex::Add() {
  if (free_ >= capacity_) capacity_ += std::max<std::uint32_t>(capacity_ / 2, 1);
  EnsureRoomFor(free_);
  pages_[free_ >> kPageBits].emplace_back();
  return free_++;
}

void XmlElementIndex::EnsureRoomFor(std::uint32_t position) {
  size_t page = position >> kPageBits;
  while (pages_.size() <= page) pages_.emplace_back();
  size_t wanted = std::min<size_t>(capacity_ - (page << kPageBits), kPageSize);
  if (pages_[page].capacity() < wanted) pages_[page].reserve(wanted);
}
