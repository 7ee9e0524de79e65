#pragma once
// Internal to platform/win: what the core may do to a handler object behind its public interface.
#include "platform/win/Wnd.h"

namespace win {

struct WndAccess {
  static void Detach(CWnd* w) { w->m_hWnd = nullptr; }
};

// Hands the handler object to the next window CreateWindowEx makes on this thread.
void SetCreatingHandler(CWnd* handler);

}  // namespace win
