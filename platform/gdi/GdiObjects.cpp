#include "platform/gdi/GdiObjects.h"

#include <mutex>
#include <unordered_map>

namespace gdi {
namespace {

struct Table {
  std::mutex mutex;
  std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>> objects;
  uintptr_t next = 0x1000;
};

Table& GetTable() {
  static Table* table = new Table;  // lives until exit: handles may be freed from static destructors
  return *table;
}

}  // namespace

HGDIOBJ AddObject(std::shared_ptr<GdiObject> object) {
  if (!object) return nullptr;
  Table& t = GetTable();
  std::lock_guard lock(t.mutex);
  uintptr_t id = (t.next += 4);
  t.objects.emplace(id, std::move(object));
  return reinterpret_cast<HGDIOBJ>(id);
}

std::shared_ptr<GdiObject> FindObject(HGDIOBJ handle) {
  if (!handle) return nullptr;
  Table& t = GetTable();
  std::lock_guard lock(t.mutex);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == t.objects.end() ? nullptr : it->second;
}

bool RemoveObject(HGDIOBJ handle) {
  Table& t = GetTable();
  std::lock_guard lock(t.mutex);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.objects.end() || it->second->stock) return false;
  t.objects.erase(it);
  return true;
}

size_t LiveObjectCount() {
  Table& t = GetTable();
  std::lock_guard lock(t.mutex);
  size_t n = 0;
  for (auto& [id, obj] : t.objects) n += obj->stock ? 0 : 1;
  return n;
}

}  // namespace gdi
