#pragma once
// Internal to platform/registry: puts the published hive list into the freshly loaded tree.
#include "platform/registry/RegistryStore.h"

namespace mx::reg {

// The caller holds the exclusive tree lock. Marks nothing changed: the key is never saved.
void ApplyHiveListLocked(RegistryStore& s);

}  // namespace mx::reg
