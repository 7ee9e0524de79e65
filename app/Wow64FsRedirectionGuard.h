#pragma once
// Switches WOW64 file-system redirection off for a scope, so the scope sees the real system folder.
class CWow64FsRedirectionGuard {
 public:
  CWow64FsRedirectionGuard();
  ~CWow64FsRedirectionGuard();
  CWow64FsRedirectionGuard(const CWow64FsRedirectionGuard&) = delete;
  CWow64FsRedirectionGuard& operator=(const CWow64FsRedirectionGuard&) = delete;

 private:
  void* m_pOldValue = nullptr;
  void** m_ppOldValue = &m_pOldValue;
  int m_bDisabled = 0;
};
