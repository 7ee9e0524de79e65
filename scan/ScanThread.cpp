#include "scan/ScanThread.h"

#include <string>

#include "app/ZUNApp.h"
#include "platform/fs/WinPath.h"
#include "platform/gdi/Controls.h"
#include "platform/system/Wow64Redirection.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "scan/CategorySelection.h"
#include "scan/EngineMessages.h"
#include "scan/ScanManager.h"
#include "scan/ScanPathKinds.h"

std::atomic<int> g_nScanSection{1};

namespace {

constexpr int kStopped = 2;

// The text of the item message posted between categories: the message carries its address, so it must
// outlive every message posted.
const std::wstring& EmptyItemText() {
  static const std::wstring text;
  return text;
}

void SetScanRunning(bool running) {
  if (CZUNApp* app = AfxGetZunApp()) app->m_bScanRunning = running;
}

}  // namespace

void SetProgressRange(HWND progressBar, int maximum) {
  win::SendMessage(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, static_cast<WORD>(maximum)));
}

UINT ScanThreadProc(LPVOID param) {
  auto* manager = static_cast<CScanManager*>(param);
  // Off for the whole life of this thread: the categories must see the real system folders.
  void* redirection = nullptr;
  win::Wow64DisableWow64FsRedirection(&redirection);

  SetScanRunning(true);
  g_nScanSection = 1;
  const ScanPathKindScope pathKinds;
  const mx::FolderMemoScope folders;

  DWORD selected = 0;
  int selectedCount = 0;
  GetSelectedScanCategories(selected, selectedCount);

  const HWND progress = manager->m_hProgressWnd;
  int result = 0;
  for (const ScanOrderRow& row : kScanOrder) {
    if (result == kStopped) break;
    g_nScanSection = row.section;
    if (!(selected & row.flag)) continue;
    if (CCategory* category = manager->GetCategory(row.flag)) {
      if (category->IsStopRequested()) {
        result = kStopped;
      } else {
        win::SendMessage(progress, WM_CATEGORY_NEXT, 0, 0);
        win::SendMessage(progress, WM_CATEGORY_STARTED, row.flag, 1);
        result = category->Scan();
        if (result != kStopped) win::SendMessage(progress, WM_CATEGORY_FINISHED, row.flag, 1);
      }
    } else {
      result = 0;
    }
    win::PostMessage(progress, WM_SCAN_ITEM_TEXT, reinterpret_cast<WPARAM>(&EmptyItemText()), 0);
  }

  SetScanRunning(false);
  if (const HWND screen = manager->m_hProgressWnd; screen && win::IsWindow(screen))
    win::PostMessage(screen, result == kStopped ? WM_SCAN_STOPPED : WM_SCAN_COMPLETED, 1, 0);
  manager->m_dwWorker = 0;
  return 0;
}

bool BeginScanWorker(CScanManager& manager) { return manager.StartWorker(ScanThreadProc); }
