#pragma once
// Global memory blocks and the clipboard. The clipboard is this process's own: one window (or thread) has it
// open at a time, as on Windows, and the data it holds can be read back. Handing it to a desktop's clipboard is
// the display layer's business.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "platform/win/WinDefs.h"

using HGLOBAL = HANDLE;
inline constexpr UINT GMEM_FIXED = 0x0;
inline constexpr UINT GMEM_MOVEABLE = 0x2;
inline constexpr UINT GMEM_ZEROINIT = 0x40;
inline constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
inline constexpr UINT CF_TEXT = 1;
inline constexpr UINT CF_UNICODETEXT = 13;

namespace win {

// nullptr (and ERROR_NOT_ENOUGH_MEMORY) when the block cannot be had.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
void* GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
HGLOBAL GlobalFree(HGLOBAL block);  // nullptr on success, the handle when it is not a block
std::size_t GlobalSize(HGLOBAL block);

// Fails (ERROR_ACCESS_DENIED) while another thread has the clipboard open.
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();  // only while open
// Takes ownership of the block (only while open); nullptr on failure, when the caller keeps the block.
HANDLE SetClipboardData(UINT format, HANDLE data);
HANDLE GetClipboardData(UINT format);  // only while open
BOOL IsClipboardFormatAvailable(UINT format);

}  // namespace win

namespace gdi {

// The Unicode text on the clipboard, read without opening it (tests, the display layer).
std::optional<std::wstring> ClipboardText();
// Called (on the closing thread, after the clipboard is closed) whenever a CloseClipboard follows a change of
// its data: the display layer hands the text to the desktop's clipboard from here. One listener; null removes it.
void OnClipboardChanged(std::function<void()> listener);
// Tests: the next allocations larger than `bytes` fail (0: none fail).
void SetGlobalAllocLimit(std::size_t bytes);

}  // namespace gdi
