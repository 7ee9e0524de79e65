#pragma once
// Interlocked operations on plain LONG variables (std::atomic_ref, sequentially consistent, as the Windows
// calls are full barriers). Every access to such a variable from more than one thread must go through these.
#include <atomic>

#include "platform/base/WinTypes.h"

namespace win {
inline LONG InterlockedIncrement(LONG volatile* p) {
  return std::atomic_ref<LONG>(*const_cast<LONG*>(p)).fetch_add(1) + 1;
}
inline LONG InterlockedDecrement(LONG volatile* p) {
  return std::atomic_ref<LONG>(*const_cast<LONG*>(p)).fetch_sub(1) - 1;
}
inline LONG InterlockedExchange(LONG volatile* p, LONG value) {
  return std::atomic_ref<LONG>(*const_cast<LONG*>(p)).exchange(value);
}
inline LONG InterlockedExchangeAdd(LONG volatile* p, LONG value) {
  return std::atomic_ref<LONG>(*const_cast<LONG*>(p)).fetch_add(value);
}
// Stores exchange when *p equals comparand; returns the value *p had.
inline LONG InterlockedCompareExchange(LONG volatile* p, LONG exchange, LONG comparand) {
  std::atomic_ref<LONG>(*const_cast<LONG*>(p)).compare_exchange_strong(comparand, exchange);
  return comparand;
}
// A plain read with the same ordering (what code writes as InterlockedCompareExchange(p, 0, 0)).
inline LONG InterlockedRead(LONG volatile* p) { return std::atomic_ref<LONG>(*const_cast<LONG*>(p)).load(); }
}  // namespace win
