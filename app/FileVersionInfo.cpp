#include "app/FileVersionInfo.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "platform/shell/VersionInfo.h"

BOOL CFileVersionInfo::Load(const std::wstring& path) {
  Free();
  DWORD handle = 0;
  const DWORD size = win::GetFileVersionInfoSize(path.c_str(), &handle);
  if (size == 0) return FALSE;
  m_block.assign(size, 0);
  void* value = nullptr;
  UINT length = 0;
  if (!win::GetFileVersionInfo(path.c_str(), handle, size, m_block.data()) ||
      !win::VerQueryValue(m_block.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < 4) {
    Free();
    return FALSE;
  }
  WORD pair[2];
  std::memcpy(pair, value, sizeof pair);
  m_translation = (static_cast<DWORD>(pair[0]) << 16) | pair[1];
  return TRUE;
}

void CFileVersionInfo::Free() {
  m_block.clear();
  m_translation = 0;
}

std::wstring CFileVersionInfo::QueryFileVersion() const {
  if (m_block.empty()) return {};
  wchar_t query[64];
  std::swprintf(query, 64, L"\\StringFileInfo\\%08lx\\FileVersion", static_cast<unsigned long>(m_translation));
  void* value = nullptr;
  UINT length = 0;
  if (!win::VerQueryValue(m_block.data(), query, &value, &length) || value == nullptr) return {};
  // VerQueryValue hands strings out as wchar_t text, length counted with the null.
  const auto* text = static_cast<const wchar_t*>(value);
  std::wstring out;
  for (UINT i = 0; i < length && text[i] != 0; ++i) out.push_back(text[i]);
  return out;
}

std::wstring CFileVersionInfo::GetFixedFileVersion() const {
  if (m_block.empty()) return {};
  void* value = nullptr;
  UINT length = 0;
  if (!win::VerQueryValue(m_block.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return {};
  VS_FIXEDFILEINFO info;
  std::memcpy(&info, value, sizeof info);
  return std::to_wstring(info.dwFileVersionMS >> 16) + L"," + std::to_wstring(info.dwFileVersionMS & 0xFFFF) +
         L"," + std::to_wstring(info.dwFileVersionLS >> 16) + L"," + std::to_wstring(info.dwFileVersionLS & 0xFFFF);
}
