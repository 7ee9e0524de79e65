#pragma once
// The open handles by value. A value is never given out twice, so a closed handle stays invalid. The table is
// one array probed linearly from the value's own place (values are handed out in sequence, so the live ones
// rarely meet): adding, finding and removing a handle allocate nothing.
#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <vector>

#include "platform/registry/Registry.h"

namespace mx::reg {

struct Handle;

class HandleTable {
 public:
  HandleTable();

  HKEY Add(std::shared_ptr<Handle> handle);
  std::shared_ptr<Handle> Find(HKEY key) const;
  // The handle taken out, null when key is not open; the caller lets it go after the table's lock.
  std::shared_ptr<Handle> Remove(HKEY key);
  // Every handle taken out.
  std::vector<std::shared_ptr<Handle>> Clear();

 private:
  struct Slot {
    std::uintptr_t id = 0;  // 0: free
    std::shared_ptr<Handle> handle;
  };
  size_t Home(std::uintptr_t id) const { return (id >> 2) & (slots_.size() - 1); }
  // The slot holding id, or slots_.size().
  size_t Locate(std::uintptr_t id) const;
  void Grow();

  mutable std::shared_mutex mutex_;
  std::vector<Slot> slots_;  // a power of two long, at most half full
  size_t count_ = 0;
  std::uintptr_t next_ = 0x1000;
};

}  // namespace mx::reg
