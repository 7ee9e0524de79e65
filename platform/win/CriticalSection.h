#pragma once
// Critical sections as Windows has them (recursive for the owning thread, TryEnter), and the class-library
// style RAII pair CCriticalSection / CSingleLock.
#include <mutex>

#include "platform/win/WinDefs.h"

struct CRITICAL_SECTION {
  std::recursive_mutex mutex;
};

namespace win {
void InitializeCriticalSection(CRITICAL_SECTION* cs);
void DeleteCriticalSection(CRITICAL_SECTION* cs);
void EnterCriticalSection(CRITICAL_SECTION* cs);
void LeaveCriticalSection(CRITICAL_SECTION* cs);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* cs);

// Something CSingleLock can hold.
class CSyncObject {
 public:
  virtual ~CSyncObject() = default;
  virtual BOOL Lock(DWORD timeout = INFINITE) = 0;
  virtual BOOL Unlock() = 0;
};

class CCriticalSection final : public CSyncObject {
 public:
  BOOL Lock(DWORD timeout = INFINITE) override;  // a finite time-out only tries (TryEnter), as Windows does
  BOOL Unlock() override;
  operator CRITICAL_SECTION*() { return &m_sect; }
  CRITICAL_SECTION m_sect;
};

// Holds the object while it lives (when locked); unlocks in its destructor.
class CSingleLock {
 public:
  explicit CSingleLock(CSyncObject* object, BOOL initialLock = FALSE);
  ~CSingleLock();
  CSingleLock(const CSingleLock&) = delete;
  CSingleLock& operator=(const CSingleLock&) = delete;
  BOOL Lock(DWORD timeout = INFINITE);
  BOOL Unlock();
  BOOL IsLocked() const { return locked_; }

 private:
  CSyncObject* object_;
  BOOL locked_ = FALSE;
};
}  // namespace win
