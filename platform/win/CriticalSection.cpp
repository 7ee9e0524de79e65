#include "platform/win/CriticalSection.h"

namespace win {

// The mutex is made with the structure; these keep the Windows call shape.
void InitializeCriticalSection(CRITICAL_SECTION*) {}
void DeleteCriticalSection(CRITICAL_SECTION*) {}
void EnterCriticalSection(CRITICAL_SECTION* cs) { cs->mutex.lock(); }
void LeaveCriticalSection(CRITICAL_SECTION* cs) { cs->mutex.unlock(); }
BOOL TryEnterCriticalSection(CRITICAL_SECTION* cs) { return cs->mutex.try_lock() ? TRUE : FALSE; }

BOOL CCriticalSection::Lock(DWORD timeout) {
  if (timeout == INFINITE) {
    EnterCriticalSection(&m_sect);
    return TRUE;
  }
  return TryEnterCriticalSection(&m_sect);
}

BOOL CCriticalSection::Unlock() {
  LeaveCriticalSection(&m_sect);
  return TRUE;
}

CSingleLock::CSingleLock(CSyncObject* object, BOOL initialLock) : object_(object) {
  if (initialLock) Lock();
}

CSingleLock::~CSingleLock() { Unlock(); }

BOOL CSingleLock::Lock(DWORD timeout) {
  if (!object_ || locked_) return locked_;
  locked_ = object_->Lock(timeout);
  return locked_;
}

BOOL CSingleLock::Unlock() {
  if (!object_ || !locked_) return TRUE;
  locked_ = !object_->Unlock();
  return !locked_;
}

}  // namespace win
