#pragma once
// Puts a text on the clipboard as Unicode text and confirms it with the localized "IDS_CHECKSUM_COPIED".
#include <string>

#include "platform/win/WinDefs.h"

// TRUE when the text is on the clipboard. When the clipboard cannot be opened (another window holds it) or
// the block cannot be had, nothing is copied, no confirmation is shown and the result is FALSE.
BOOL CopyTextToClipboard(const std::wstring& text, HWND owner);
