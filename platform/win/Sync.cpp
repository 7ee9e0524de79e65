#include "platform/win/Sync.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/base/Clock.h"
#include "platform/base/Text.h"
#include "platform/win/Core.h"
#include "platform/win/Instance.h"
#include "platform/win/KernelObjects.h"
#include "platform/win/Message.h"
#include "platform/win/Thread.h"

namespace win {

namespace {

enum class Kind { Event, Mutex, Thread };

// A name seen by every process of the user: a shared flock on a lock file, held while the mutex lives here.
struct NamedLock {
  int fd = -1;
  ~NamedLock() {
    if (fd >= 0) ::close(fd);
  }
};

struct KObject {
  Kind kind = Kind::Event;
  bool manual = false;
  bool signaled = false;
  DWORD owner = 0;
  int count = 0;
  bool abandoned = false;
  DWORD exitCode = STILL_ACTIVE_THREAD;
  std::wstring name;
  std::shared_ptr<NamedLock> named;
};

struct Table {
  std::mutex m;
  std::condition_variable cv;
  std::unordered_map<std::uintptr_t, std::shared_ptr<KObject>> handles;
  std::uintptr_t next = 0x1004;
  std::map<std::wstring, std::weak_ptr<KObject>> namedMutexes;
};

Table& T() {
  static core::Immortal<Table> table;
  return table.value;
}

HANDLE AddLocked(Table& t, std::shared_ptr<KObject> object) {
  std::uintptr_t value = t.next;
  t.next += 4;
  t.handles.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

// The table's own entry for h: a look within one hold of the table's lock takes no share of the object.
const std::shared_ptr<KObject>* FindLocked(Table& t, HANDLE h) {
  auto it = t.handles.find(reinterpret_cast<std::uintptr_t>(h));
  if (it == t.handles.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &it->second;
}

std::shared_ptr<KObject> GetLocked(Table& t, HANDLE h) {
  const auto* entry = FindLocked(t, h);
  return entry ? *entry : nullptr;
}

// The object behind h when it is of that kind; a handle of another kind is as bad as none.
std::shared_ptr<KObject> GetLocked(Table& t, HANDLE h, Kind kind) {
  auto o = GetLocked(t, h);
  if (o && o->kind == kind) return o;
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

bool Ready(const KObject& o, DWORD tid) {
  switch (o.kind) {
    case Kind::Event:
    case Kind::Thread:
      return o.signaled;
    case Kind::Mutex:
      return o.owner == 0 || o.owner == tid;
  }
  return false;
}

// A thread that ever owned a mutex abandons what it still owns when it ends, whoever made the thread.
struct OwnerExit {
  DWORD tid = 0;
  ~OwnerExit() {
    if (tid) core::KernelThreadEnded(tid);
  }
};
thread_local OwnerExit t_ownerExit;

// Takes what the wait consumed; true when the mutex was abandoned by its last owner.
bool Acquire(KObject& o, DWORD tid) {
  if (o.kind == Kind::Event && !o.manual) o.signaled = false;
  if (o.kind == Kind::Mutex) {
    t_ownerExit.tid = tid;
    o.owner = tid;
    ++o.count;
    bool abandoned = o.abandoned;
    o.abandoned = false;
    return abandoned;
  }
  return false;
}

std::string LockKey(const std::wstring& name) {
  std::string utf8 = mx::WideToUtf8(name);
  std::string key;
  for (char c : utf8) key += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') ? c : '_';
  if (key.size() > 80) key.resize(80);
  std::uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : utf8) hash = (hash ^ c) * 1099511628211ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return key + "-" + hex;
}

// Opens the cross-process side of a name. existed: another process holds it. nullptr when there is no runtime
// folder (the name is then known in this process only).
std::shared_ptr<NamedLock> OpenNamed(const std::wstring& name, bool* existed) {
  *existed = false;
  auto dir = RuntimeDir();
  if (dir.empty()) return nullptr;
  const std::string base = (dir / ("mutex-" + LockKey(name))).string();
  int guard = ::open((base + ".guard").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (guard < 0) return nullptr;
  auto lock = std::make_shared<NamedLock>();
  lock->fd = ::open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  // Under the guard nobody holds the lock file exclusively except for the instant of this test, so the
  // exclusive try tells "no other holder" and the shared lock that follows keeps the name alive.
  if (lock->fd >= 0 && ::flock(guard, LOCK_EX) == 0) {
    if (::flock(lock->fd, LOCK_EX | LOCK_NB) != 0) *existed = true;
    ::flock(lock->fd, LOCK_SH);
  }
  ::close(guard);
  if (lock->fd < 0) return nullptr;
  return lock;
}

DWORD WaitImpl(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms) {
  if (count == 0 || !handles || count > 64) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  auto& t = T();
  const DWORD tid = GetCurrentThreadId();
  std::unique_lock lock(t.m);
  if (count == 1 && ms == 0) {
    // A worker polls its stop event between nearly every two steps: one look at the object, no list.
    const auto* entry = FindLocked(t, handles[0]);
    if (!entry) return WAIT_FAILED;
    KObject& o = **entry;
    if (!Ready(o, tid)) return WAIT_TIMEOUT;
    return Acquire(o, tid) ? WAIT_ABANDONED : WAIT_OBJECT_0;
  }
  // The list of objects keeps its room from one wait to the next on this thread; only a wait that can last
  // asks the clock.
  thread_local std::vector<std::shared_ptr<KObject>> objects;
  struct Release {
    ~Release() { objects.clear(); }  // the objects (a named mutex's file lock) do not outlive the wait
  } release;
  for (DWORD i = 0; i < count; ++i) {
    auto o = GetLocked(t, handles[i]);
    if (!o) return WAIT_FAILED;
    objects.push_back(std::move(o));
  }
  const std::uint64_t deadline = ms == INFINITE || ms == 0 ? 0 : core::NowMs() + ms;
  for (;;) {
    if (waitAll) {
      bool all = true;
      for (auto& o : objects) all = all && Ready(*o, tid);
      if (all) {
        bool abandoned = false;
        for (auto& o : objects) abandoned = Acquire(*o, tid) || abandoned;
        return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
      }
    } else {
      for (DWORD i = 0; i < count; ++i) {
        if (Ready(*objects[i], tid)) return (Acquire(*objects[i], tid) ? WAIT_ABANDONED : WAIT_OBJECT_0) + i;
      }
    }
    if (ms == 0 || (deadline != 0 && core::NowMs() >= deadline)) return WAIT_TIMEOUT;
    core::WaitUntil(t.cv, lock, deadline);
  }
}

}  // namespace

HANDLE CreateEvent(void*, BOOL manualReset, BOOL initialState, LPCWSTR) {
  auto o = std::make_shared<KObject>();
  o->kind = Kind::Event;
  o->manual = manualReset;
  o->signaled = initialState;
  auto& t = T();
  std::lock_guard lock(t.m);
  SetLastError(0);
  return AddLocked(t, std::move(o));
}

BOOL SetEvent(HANDLE event) {
  auto& t = T();
  std::lock_guard lock(t.m);
  auto o = GetLocked(t, event, Kind::Event);
  if (!o) return FALSE;
  o->signaled = true;
  t.cv.notify_all();
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  auto& t = T();
  std::lock_guard lock(t.m);
  auto o = GetLocked(t, event, Kind::Event);
  if (!o) return FALSE;
  o->signaled = false;
  return TRUE;
}

HANDLE CreateMutex(void*, BOOL initialOwner, LPCWSTR name) {
  auto& t = T();
  const DWORD tid = GetCurrentThreadId();
  std::wstring key = name ? name : L"";
  if (!key.empty()) {
    {
      std::lock_guard lock(t.m);
      if (auto existing = t.namedMutexes[key].lock()) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return AddLocked(t, existing);
      }
    }
    bool existed = false;
    auto named = OpenNamed(key, &existed);  // file locks are taken outside the table's lock
    std::lock_guard lock(t.m);
    if (auto existing = t.namedMutexes[key].lock()) {  // another thread of ours made it meanwhile
      SetLastError(ERROR_ALREADY_EXISTS);
      return AddLocked(t, existing);
    }
    auto o = std::make_shared<KObject>();
    o->kind = Kind::Mutex;
    o->name = key;
    o->named = std::move(named);
    if (initialOwner && !existed) {
      o->owner = tid;
      o->count = 1;
      t_ownerExit.tid = tid;
    }
    t.namedMutexes[key] = o;
    HANDLE h = AddLocked(t, std::move(o));
    SetLastError(existed ? ERROR_ALREADY_EXISTS : 0);
    return h;
  }
  auto o = std::make_shared<KObject>();
  o->kind = Kind::Mutex;
  if (initialOwner) {
    o->owner = tid;
    o->count = 1;
    t_ownerExit.tid = tid;
  }
  std::lock_guard lock(t.m);
  SetLastError(0);
  return AddLocked(t, std::move(o));
}

BOOL ReleaseMutex(HANDLE mutex) {
  auto& t = T();
  std::lock_guard lock(t.m);
  auto o = GetLocked(t, mutex, Kind::Mutex);
  if (!o) return FALSE;
  if (o->owner != GetCurrentThreadId()) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  if (--o->count == 0) {
    o->owner = 0;
    t.cv.notify_all();
  }
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD ms) { return WaitImpl(1, &handle, FALSE, ms); }

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms) {
  return WaitImpl(count, handles, waitAll, ms);
}

BOOL CloseHandle(HANDLE handle) {
  std::shared_ptr<KObject> last;  // the object (and its file lock) goes after the table's lock is released
  auto& t = T();
  std::lock_guard lock(t.m);
  auto it = t.handles.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == t.handles.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  last = std::move(it->second);
  t.handles.erase(it);
  return TRUE;
}

HANDLE DuplicateHandle(HANDLE handle) {
  auto& t = T();
  std::lock_guard lock(t.m);
  auto o = GetLocked(t, handle);
  return o ? AddLocked(t, o) : nullptr;
}

void Sleep(DWORD ms) {
  if (ms == 0) {
    std::this_thread::yield();
    return;
  }
  mx::GetClock().Sleep(ms);
}

ULONGLONG GetTickCount64() { return mx::GetClock().TickMs(); }
DWORD GetTickCount() { return static_cast<DWORD>(mx::GetClock().TickMs()); }

BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode) {
  auto& t = T();
  std::lock_guard lock(t.m);
  auto o = GetLocked(t, thread, Kind::Thread);
  if (!o || !exitCode) return FALSE;
  *exitCode = o->exitCode;
  return TRUE;
}

namespace core {

HANDLE CreateThreadObject(std::shared_ptr<void>* object) {
  auto o = std::make_shared<KObject>();
  o->kind = Kind::Thread;
  *object = o;
  auto& t = T();
  std::lock_guard lock(t.m);
  return AddLocked(t, std::move(o));
}

void EndThreadObject(const std::shared_ptr<void>& object, DWORD code) {
  auto& t = T();
  std::lock_guard lock(t.m);
  auto* o = static_cast<KObject*>(object.get());
  o->exitCode = code;
  o->signaled = true;
  t.cv.notify_all();
}

void KernelThreadEnded(DWORD tid) {
  auto& t = T();
  std::lock_guard lock(t.m);
  bool any = false;
  for (auto& [h, o] : t.handles) {
    if (o->kind == Kind::Mutex && o->owner == tid) {
      o->owner = 0;
      o->count = 0;
      o->abandoned = true;
      any = true;
    }
  }
  if (any) t.cv.notify_all();
}

}  // namespace core

}  // namespace win
