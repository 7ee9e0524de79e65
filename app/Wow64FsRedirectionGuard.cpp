#include "app/Wow64FsRedirectionGuard.h"

#include "app/SystemUtils.h"
#include "platform/system/Wow64Redirection.h"

CWow64FsRedirectionGuard::CWow64FsRedirectionGuard() {
  if (IsWow64()) m_bDisabled = win::Wow64DisableWow64FsRedirection(m_ppOldValue);
}

CWow64FsRedirectionGuard::~CWow64FsRedirectionGuard() {
  if (IsWow64() && m_bDisabled) win::Wow64RevertWow64FsRedirection(m_pOldValue);
}
