#pragma once
// The objects behind one kind of handle. A handle is an id that is never handed out twice, so a stale or
// made-up handle finds nothing instead of another object. Thread-safe; objects stay alive while a caller
// holds the shared pointer Find returned, even when the handle is removed meanwhile.
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace gdi {

template <class T>
class HandleTable {
 public:
  explicit HandleTable(std::uintptr_t first) : next_(first) {}

  template <class H>
  H Add(std::shared_ptr<T> object) {
    std::lock_guard lock(mutex_);
    std::uintptr_t id = (next_ += 4);
    objects_.emplace(id, std::move(object));
    return reinterpret_cast<H>(id);
  }
  template <class H>
  std::shared_ptr<T> Find(H handle) const {
    std::lock_guard lock(mutex_);
    auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == objects_.end() ? nullptr : it->second;
  }
  // The removed object (null when there was none); keep returns false to leave an object in place.
  template <class H, class Keep>
  std::shared_ptr<T> Remove(H handle, Keep keep) {
    std::lock_guard lock(mutex_);
    auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == objects_.end() || !keep(*it->second)) return nullptr;
    auto object = std::move(it->second);
    objects_.erase(it);
    return object;
  }
  template <class H>
  std::shared_ptr<T> Remove(H handle) {
    return Remove(handle, [](const T&) { return true; });
  }
  template <class Pred>
  std::size_t CountIf(Pred pred) const {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const auto& [id, object] : objects_) n += pred(*object) ? 1 : 0;
    return n;
  }

 private:
  mutable std::mutex mutex_;
  std::unordered_map<std::uintptr_t, std::shared_ptr<T>> objects_;
  std::uintptr_t next_;
};

}  // namespace gdi
