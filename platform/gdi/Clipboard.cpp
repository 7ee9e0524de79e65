#include "platform/gdi/Clipboard.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Block {
  std::vector<unsigned char> bytes;
  int locks = 0;
};

struct State {
  std::mutex mutex;
  std::map<uintptr_t, std::unique_ptr<Block>> blocks;
  uintptr_t next = 0x400000;
  std::size_t limit = 0;
  bool open = false;
  std::thread::id openedBy;
  HWND owner = nullptr;
  std::map<UINT, HGLOBAL> data;
  bool changed = false;
  std::function<void()> listener;
};

State& S() {
  static auto* s = new State;
  return *s;
}

Block* FindBlock(State& s, HGLOBAL h) {
  auto it = s.blocks.find(reinterpret_cast<uintptr_t>(h));
  return it == s.blocks.end() ? nullptr : it->second.get();
}

void FreeLocked(State& s, HGLOBAL h) { s.blocks.erase(reinterpret_cast<uintptr_t>(h)); }

bool OpenedHere(const State& s) { return s.open && s.openedBy == std::this_thread::get_id(); }

}  // namespace

namespace win {

HGLOBAL GlobalAlloc(UINT, std::size_t bytes) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  if ((s.limit && bytes > s.limit) || bytes > (std::size_t(1) << 31)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto block = std::make_unique<Block>();
  try {
    block->bytes.assign(bytes, 0);  // always zeroed: no stale bytes ever reach the clipboard
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  uintptr_t id = (s.next += 8);
  s.blocks.emplace(id, std::move(block));
  return reinterpret_cast<HGLOBAL>(id);
}

void* GlobalLock(HGLOBAL h) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  Block* b = FindBlock(s, h);
  if (!b) return nullptr;
  ++b->locks;
  return b->bytes.empty() ? static_cast<void*>(b) : b->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL h) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  Block* b = FindBlock(s, h);
  if (!b || b->locks == 0) return FALSE;
  return --b->locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL h) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  if (!FindBlock(s, h)) return h;
  for (auto& [format, data] : s.data)
    if (data == h) return h;  // the clipboard owns it
  FreeLocked(s, h);
  return nullptr;
}

std::size_t GlobalSize(HGLOBAL h) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  Block* b = FindBlock(s, h);
  return b ? b->bytes.size() : 0;
}

BOOL OpenClipboard(HWND owner) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  if (s.open && s.openedBy != std::this_thread::get_id()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  s.open = true;
  s.openedBy = std::this_thread::get_id();
  s.owner = owner;
  return TRUE;
}

BOOL CloseClipboard() {
  State& s = S();
  std::function<void()> notify;
  {
    std::lock_guard lock(s.mutex);
    if (!OpenedHere(s)) return FALSE;
    s.open = false;
    if (std::exchange(s.changed, false)) notify = s.listener;
  }
  if (notify) notify();
  return TRUE;
}

BOOL EmptyClipboard() {
  State& s = S();
  std::lock_guard lock(s.mutex);
  if (!OpenedHere(s)) return FALSE;
  for (auto& [format, data] : s.data) FreeLocked(s, data);
  s.data.clear();
  s.changed = true;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  if (!OpenedHere(s) || !FindBlock(s, data)) return nullptr;
  auto it = s.data.find(format);
  if (it != s.data.end() && it->second != data) FreeLocked(s, it->second);
  s.data[format] = data;
  s.changed = true;
  return data;
}

HANDLE GetClipboardData(UINT format) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  if (!OpenedHere(s)) return nullptr;
  auto it = s.data.find(format);
  return it == s.data.end() ? nullptr : it->second;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  return s.data.count(format) ? TRUE : FALSE;
}

}  // namespace win

namespace gdi {

std::optional<std::wstring> ClipboardText() {
  State& s = S();
  std::lock_guard lock(s.mutex);
  auto it = s.data.find(CF_UNICODETEXT);
  if (it == s.data.end()) return std::nullopt;
  Block* b = FindBlock(s, it->second);
  if (!b) return std::nullopt;
  // UTF-16 units, up to the first zero unit or the end of the block
  std::wstring text;
  for (std::size_t i = 0; i + 1 < b->bytes.size(); i += 2) {
    wchar_t unit = static_cast<wchar_t>(b->bytes[i] | (b->bytes[i + 1] << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

void OnClipboardChanged(std::function<void()> listener) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.listener = std::move(listener);
}

void SetGlobalAllocLimit(std::size_t bytes) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.limit = bytes;
}

}  // namespace gdi
