#include "mainwnd/ZUNDlg.h"

BOOL CZUNDlg::Create(const std::wstring& caption) {
  return CreateEx(0, L"#32770", caption.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 770, 593,
                  nullptr, nullptr);
}

LRESULT CZUNDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_START_SCHEDULED_SCAN || msg == WM_ASK_DLL_FIXED) {
    if (m_onInstanceRequest) m_onInstanceRequest(msg);
    return 0;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}
