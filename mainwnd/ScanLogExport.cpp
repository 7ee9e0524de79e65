#include "mainwnd/ScanLogExport.h"

#include <cwchar>

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/CategoryTexts.h"
#include "app/LocalizedStrings.h"
#include "app/ProgramVersion.h"
#include "app/ZUNApp.h"
#include "platform/base/SafeFormat.h"
#include "platform/fs/FileApi.h"
#include "platform/shell/FolderPicker.h"
#include "platform/win/MessageBox.h"
#include "scan/Problem.h"
#include "scan/ProblemTexts.h"
#include "scan/ScanManager.h"

namespace {

constexpr UINT kFolderPickerFlags = BIF_DONTGOBELOWDOMAIN | BIF_RETURNFSANCESTORS | BIF_NEWDIALOGSTYLE;  // 0x4A

std::wstring FailureLine(const wchar_t* method, HRESULT hr) {
  wchar_t text[160];
  std::swprintf(text, 160, L"Error, Method: %ls, error is %08.8lx", method,
                static_cast<unsigned long>(static_cast<std::uint32_t>(hr)));
  return text;
}

// Runs the writer's calls in order and remembers the first that failed; later calls are not made.
class Steps {
 public:
  explicit Steps(std::wstring* failure) : m_failure(failure) {}
  Steps& operator()(const wchar_t* method, HRESULT hr) {
    if (FAILED(m_hr)) return *this;
    m_hr = hr;
    // an inner step that failed has said which call it was
    if (FAILED(hr) && m_failure && m_failure->empty()) *m_failure = FailureLine(method, hr);
    return *this;
  }
  template <typename Call>
  Steps& Then(const wchar_t* method, Call call) {
    if (FAILED(m_hr)) return *this;
    return (*this)(method, call());
  }
  HRESULT Result() const { return m_hr; }

 private:
  std::wstring* m_failure;
  HRESULT m_hr = S_OK;
};

HRESULT WriteTextElement(XmlWriter& w, const wchar_t* name, const std::wstring& text, std::wstring* failure) {
  return Steps(failure)
      .Then(L"WriteStartElement", [&] { return w.WriteStartElement(name); })
      .Then(L"WriteString", [&] { return w.WriteString(text); })
      .Then(L"WriteFullEndElement", [&] { return w.WriteFullEndElement(); })
      .Result();
}

std::wstring TextAt(const std::vector<std::wstring>& texts, int index) {
  return index >= 0 && index < static_cast<int>(texts.size()) ? texts[static_cast<size_t>(index)] : std::wstring();
}

std::wstring CountText(size_t count) {
  return std::to_wstring(count) + L" " + GetLocalizedString(count == 1 ? L"IDS_ERROR" : L"IDS_ERRORS");
}

void Tell(HWND owner, const std::wstring& text) {
  win::MessageBox(owner, text.c_str(), GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), MB_OK);
}

}  // namespace

HRESULT WriteScanLogSection(XmlWriter& writer, const std::wstring& name, const std::wstring& description,
                            const std::wstring& countText, std::wstring* failure) {
  return Steps(failure)
      .Then(L"WriteStartElement", [&] { return writer.WriteStartElement(L"Scanning"); })
      .Then(L"WriteAttributeString", [&] { return writer.WriteAttributeString(L"Section", name); })
      .Then(L"WriteStartElement", [&] { return WriteTextElement(writer, L"Description", description, failure); })
      .Then(L"WriteStartElement", [&] { return WriteTextElement(writer, L"ErrorsInThisSection", countText, failure); })
      .Then(L"WriteWhitespace", [&] { return writer.WriteWhitespace(L"\n"); })
      .Result();
}

HRESULT WriteScanLogEntry(const CProblem& problem, XmlWriter& writer, std::wstring* failure) {
  return Steps(failure)
      .Then(L"WriteStartElement", [&] { return writer.WriteStartElement(L"EntryDetails"); })
      .Then(L"WriteStartElement", [&] { return WriteTextElement(writer, L"Entry", problem.GetDetail(0), failure); })
      .Then(L"WriteWhitespace", [&] { return writer.WriteWhitespace(L"\n"); })
      .Then(L"WriteStartElement",
            [&] { return WriteTextElement(writer, L"Details", GetProblemDetailText(&problem), failure); })
      .Then(L"WriteFullEndElement", [&] { return writer.WriteFullEndElement(); })
      .Then(L"WriteWhitespace", [&] { return writer.WriteWhitespace(L"\n"); })
      .Result();
}

HRESULT WriteScanLog(const CScanManager* manager, XmlWriter& writer, std::wstring* failure) {
  std::wstring version;
  GetExeFileVersion(version);
  Steps steps(failure);
  steps.Then(L"WriteStartDocument", [&] { return writer.WriteStartDocument(); })
      .Then(L"WriteStartElement", [&] { return writer.WriteStartElement(L"KVTscanlog"); })
      .Then(L"WriteStartElement", [&] { return WriteTextElement(writer, L"KVTVERSION", version, failure); })
      .Then(L"WriteStartElement", [&] { return WriteTextElement(writer, L"ScanningDate", StrLastScan, failure); })
      .Then(L"WriteStartElement",
            [&] { return WriteTextElement(writer, L"TotalErrorsFound", StrLastScanResults, failure); })
      .Then(L"WriteWhitespace", [&] { return writer.WriteWhitespace(L"\n"); });
  for (int index = 0; manager && index < 14 && SUCCEEDED(steps.Result()); ++index) {
    const CCategory* category = manager->GetCategory(1u << index);
    if (!category || category->m_arrProblems.empty()) continue;
    steps.Then(L"WriteStartElement", [&] {
      return WriteScanLogSection(writer, TextAt(g_arrCategoryNames, index), TextAt(g_arrCategoryShortDescriptions, index),
                                 CountText(category->m_arrProblems.size()), failure);
    });
    for (const auto& problem : category->m_arrProblems)
      steps.Then(L"WriteStartElement", [&] { return WriteScanLogEntry(*problem, writer, failure); });
    steps.Then(L"WriteFullEndElement", [&] { return writer.WriteFullEndElement(); })
        .Then(L"WriteWhitespace", [&] { return writer.WriteWhitespace(L"\n"); });
  }
  return steps.Then(L"WriteFullEndElement", [&] { return writer.WriteFullEndElement(); })
      .Then(L"WriteEndDocument", [&] { return writer.WriteEndDocument(); })
      .Then(L"Flush", [&] { return writer.Flush(); })
      .Result();
}

ScanLogExportOutcome ExportScanLogXml(HWND owner) {
  ScanLogExportOutcome outcome;
  std::wstring path = GetAppDataFolderPath();
  if (path.empty()) {
    outcome.failure = L"Error creating file writer: there is no data folder";
  } else {
    AppendPath(path, kScanLogFileName);
    // The file is replaced whole when the document is complete: a failure leaves the earlier log as it was.
    XmlWriter writer([&path](std::string_view bytes) {
      const LONG rc = mx::WriteWinFile(path, bytes);
      return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
    });
    CZUNApp* app = AfxGetZunApp();
    if (SUCCEEDED(WriteScanLog(app ? app->m_pScanManager : nullptr, writer, &outcome.failure))) {
      outcome.kind = ScanLogExportOutcome::Written;
      outcome.path = path;
    }
  }
  if (outcome.kind == ScanLogExportOutcome::NotWritten) {
    WriteLogLine(L"The scan log was not written: " + outcome.failure);
    Tell(owner, GetLocalizedString(L"IDS_EXPORT_LOG_FAILED"));
    return outcome;
  }

  win::BROWSEINFOW info;
  info.hwndOwner = owner;
  info.lpszTitle = kScanLogFolderTitle;
  info.ulFlags = kFolderPickerFlags;
  const win::ItemIdList item = win::SHBrowseForFolder(&info);
  wchar_t folder[1024] = {};
  if (item && win::SHGetPathFromIDList(item.get(), folder, std::size(folder))) {
    std::wstring copy = folder;
    AppendPath(copy, kScanLogFileName);
    std::string bytes;
    // The copy is written the way the first file was, whole or not at all, over an earlier copy.
    if (mx::ReadWinFile(path, bytes) == ERROR_SUCCESS && mx::WriteWinFile(copy, bytes) == ERROR_SUCCESS) {
      outcome.kind = ScanLogExportOutcome::CopiedToFolder;
      outcome.path = copy;
    } else {
      outcome.kind = ScanLogExportOutcome::NotCopied;
      WriteLogLine(L"The scan log could not be copied to " + copy);
    }
  }
  Tell(owner, mx::SafeFormat(GetLocalizedString(outcome.kind == ScanLogExportOutcome::NotCopied
                                                    ? L"IDS_EXPORT_LOG_NOT_COPIED"
                                                    : L"IDS_EXPORT_LOG_SAVED"),
                             {outcome.path}));
  return outcome;
}
