#include "app/ExclusionLists.h"

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/ZUNApp.h"
#include "platform/base/Archive.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"

namespace {

std::wstring ListPath(const wchar_t* fileName) {
  wchar_t folder[MAX_PATH] = {};
  if (!GetAppDataFolder(folder)) return {};
  std::wstring path = folder;
  AppendPath(path, fileName);
  return path;
}

}  // namespace

std::string EncodeKeyList(const std::vector<std::wstring>& list) {
  mx::ArchiveWriter writer;
  writer.WriteI32(static_cast<std::int32_t>(list.size()));
  writer.WriteStringArray(list);
  return writer.take();
}

bool DecodeKeyList(const std::string& bytes, std::vector<std::wstring>& out) {
  out.clear();
  mx::ArchiveReader reader(bytes);
  std::int32_t ignored = 0;
  std::uint32_t count = 0;
  if (!reader.ReadI32(ignored) || !reader.ReadCount(count)) return false;
  // The count is never trusted for an allocation: each string is read from the bytes that are there.
  for (std::uint32_t i = 0; i < count; ++i) {
    std::wstring s;
    if (!reader.ReadString(s)) return false;
    if (!s.empty()) out.push_back(std::move(s));
  }
  // Bytes after the last string mean the file is not what we wrote: the list in it may be cut or wrong.
  return reader.atEnd();
}

bool LoadKeyListFile(const std::wstring& path, std::vector<std::wstring>& list) {
  std::string bytes;
  if (path.empty() || mx::ReadWinFile(path, bytes) != ERROR_SUCCESS) return false;
  std::vector<std::wstring> loaded;
  const bool whole = DecodeKeyList(bytes, loaded);
  list = std::move(loaded);
  if (!whole) {
    const bool keptAside = mx::WriteWinFile(path + L".damaged", bytes) == ERROR_SUCCESS;
    WriteLogLine(L"The list file " + path + L" is damaged; " + std::to_wstring(list.size()) +
                 L" entries were read from it" + (keptAside ? L", and it is kept as " + path + L".damaged" : L""));
  }
  return whole;
}

bool SaveKeyListFile(const std::wstring& path, const std::vector<std::wstring>& list) {
  return !path.empty() && mx::WriteWinFile(path, EncodeKeyList(list)) == ERROR_SUCCESS;
}

void SaveExclusionList() {
  if (CZUNApp* app = AfxGetZunApp()) SaveKeyListFile(ListPath(kExcludeListFile), app->m_arrExcludeList);
}

void SaveTemporaryList() {
  if (CZUNApp* app = AfxGetZunApp()) SaveKeyListFile(ListPath(kTempListFile), app->m_arrTempList);
}

void LoadExclusionList() {
  if (CZUNApp* app = AfxGetZunApp()) LoadKeyListFile(ListPath(kExcludeListFile), app->m_arrExcludeList);
}

void LoadTemporaryList(CZUNApp* app) {
  if (app == nullptr) return;
  app->m_arrTempList.clear();
  LoadKeyListFile(ListPath(kTempListFile), app->m_arrTempList);
}

void AddToExclusionList(CZUNApp* app, const std::wstring& key) {
  if (app == nullptr || key.empty()) return;
  for (const auto& entry : app->m_arrExcludeList)
    if (mx::EqualsNoCase(entry, key)) return;
  app->m_arrExcludeList.push_back(key);
}
