#include "mainwnd/ZUNDlg.h"

namespace {

std::function<void(CZUNDlg&)>& InitHook() {
  static std::function<void(CZUNDlg&)> hook;
  return hook;
}

}  // namespace

void CZUNDlg::SetInitHook(std::function<void(CZUNDlg&)> hook) { InitHook() = std::move(hook); }

BOOL CZUNDlg::Create(const std::wstring& caption) {
  if (!CreateEx(0, L"#32770", caption.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 770, 593,
                nullptr, nullptr))
    return FALSE;
  if (InitHook()) InitHook()(*this);
  return TRUE;
}

LRESULT CZUNDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_START_SCHEDULED_SCAN || msg == WM_ASK_DLL_FIXED) {
    if (m_onInstanceRequest) m_onInstanceRequest(msg);
    return 0;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}
