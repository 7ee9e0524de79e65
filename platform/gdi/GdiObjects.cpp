#include "platform/gdi/GdiObjects.h"

#include "platform/gdi/HandleTable.h"

namespace gdi {
namespace {

HandleTable<GdiObject>& Table() {
  static auto* table = new HandleTable<GdiObject>(0x1000);  // lives until exit: handles may be freed from static destructors
  return *table;
}

}  // namespace

HGDIOBJ AddObject(std::shared_ptr<GdiObject> object) {
  return object ? Table().Add<HGDIOBJ>(std::move(object)) : nullptr;
}

std::shared_ptr<GdiObject> FindObject(HGDIOBJ handle) { return handle ? Table().Find(handle) : nullptr; }

bool RemoveObject(HGDIOBJ handle) {
  return Table().Remove(handle, [](const GdiObject& o) { return !o.stock; }) != nullptr;
}

size_t LiveObjectCount() {
  return Table().CountIf([](const GdiObject& o) { return !o.stock; });
}

}  // namespace gdi
