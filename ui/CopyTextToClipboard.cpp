#include "ui/CopyTextToClipboard.h"

#include "app/LocalizedStrings.h"
#include "platform/gdi/Clipboard.h"
#include "platform/win/MessageBox.h"

BOOL CopyTextToClipboard(const std::wstring& text, HWND owner) {
  // a clipboard we could not open would make the confirmation a lie
  if (!win::OpenClipboard(owner)) return FALSE;
  win::EmptyClipboard();
  HGLOBAL block = win::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 2 * text.size() + 2);
  if (!block) {
    win::CloseClipboard();
    return FALSE;
  }
  auto* bytes = static_cast<unsigned char*>(win::GlobalLock(block));
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<unsigned char>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<unsigned char>((text[i] >> 8) & 0xFF);
  }
  win::GlobalUnlock(block);
  if (!win::SetClipboardData(CF_UNICODETEXT, block)) {
    win::GlobalFree(block);
    win::CloseClipboard();
    return FALSE;
  }
  win::CloseClipboard();
  const std::wstring message = GetLocalizedString(L"IDS_CHECKSUM_COPIED");
  const std::wstring title = GetAppTitle();
  win::MessageBox(owner, message.c_str(), title.c_str(), MB_OK);
  return TRUE;
}
