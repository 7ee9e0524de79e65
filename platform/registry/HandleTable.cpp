#include "platform/registry/HandleTable.h"

#include <mutex>

namespace mx::reg {

namespace {
constexpr size_t kInitialSlots = 64;
}

HandleTable::HandleTable() : slots_(kInitialSlots) {}

size_t HandleTable::Locate(std::uintptr_t id) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = Home(id);; i = (i + 1) & mask) {
    if (slots_[i].id == id) return i;
    if (slots_[i].id == 0) return slots_.size();
  }
}

void HandleTable::Grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (Slot& s : old) {
    if (!s.id) continue;
    size_t i = Home(s.id);
    while (slots_[i].id) i = (i + 1) & mask;
    slots_[i] = std::move(s);
  }
}

HKEY HandleTable::Add(std::shared_ptr<Handle> handle) {
  std::lock_guard lock(mutex_);
  if ((count_ + 1) * 2 > slots_.size()) Grow();
  std::uintptr_t id = next_;
  // The predefined roots' values are never a handle's.
  if (id >= 0x80000000u && id < 0x80000010u) id = 0x80000010u;
  next_ = id + 4;
  const size_t mask = slots_.size() - 1;
  size_t i = Home(id);
  while (slots_[i].id) i = (i + 1) & mask;
  slots_[i].id = id;
  slots_[i].handle = std::move(handle);
  ++count_;
  return reinterpret_cast<HKEY>(id);
}

std::shared_ptr<Handle> HandleTable::Find(HKEY key) const {
  const auto id = reinterpret_cast<std::uintptr_t>(key);
  if (!id) return nullptr;
  std::shared_lock lock(mutex_);
  const size_t i = Locate(id);
  return i == slots_.size() ? nullptr : slots_[i].handle;
}

std::shared_ptr<Handle> HandleTable::Remove(HKEY key) {
  const auto id = reinterpret_cast<std::uintptr_t>(key);
  if (!id) return nullptr;
  std::lock_guard lock(mutex_);
  size_t hole = Locate(id);
  if (hole == slots_.size()) return nullptr;
  std::shared_ptr<Handle> removed = std::move(slots_[hole].handle);
  slots_[hole].id = 0;
  --count_;
  // Moves back every later entry of the run that may no longer be reached past the hole.
  const size_t mask = slots_.size() - 1;
  for (size_t j = (hole + 1) & mask; slots_[j].id; j = (j + 1) & mask) {
    const size_t home = Home(slots_[j].id);
    const bool reachable = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
    if (reachable) continue;
    slots_[hole] = std::move(slots_[j]);
    slots_[j].id = 0;
    hole = j;
  }
  return removed;
}

std::vector<std::shared_ptr<Handle>> HandleTable::Clear() {
  std::vector<std::shared_ptr<Handle>> out;
  std::lock_guard lock(mutex_);
  for (Slot& s : slots_)
    if (s.id) {
      out.push_back(std::move(s.handle));
      s.id = 0;
    }
  count_ = 0;
  return out;
}

}  // namespace mx::reg
