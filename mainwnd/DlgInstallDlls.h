#pragma once
// The install-DLLs screen: the user types a DLL name, sees what the DLL service offers under it, opens the
// versions of one, installs the recommended set or one alternative, and copies checksums.
#include <string>
#include <vector>

#include "app/DllResultData.h"
#include "dllfix/DllSearch.h"
#include "ui/ChildHtmlDialog.h"
#include "ui/WebPage.h"

class CDlgInstallDlls : public CChildHtmlDialog {
 public:
  static constexpr UINT IDD = 222;
  static constexpr const char* kPage = "445.htm";

  CDlgInstallDlls();

  const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const override;
  void OnDocumentComplete() override;

  // The plain search of the name in the page's field.
  HRESULT SearchDll();
  HRESULT OnResultClick();
  HRESULT OnInstallAlternate();
  HRESULT OnInstallRecommended();
  HRESULT OnNewSearch();
  HRESULT OnCopyChecksum();
  HRESULT OnSuggest();
  void DetailSearch(std::wstring fileName, std::wstring description);
  void ShowExactResultHeader(const std::wstring& fileName, const std::wstring& description);

  std::vector<DLL_RESULT_DATA> m_arrResults;  // row index = id given to the page
  DllDetailTables m_detail;                   // tables 1 other, 2 32-bit, 3 64-bit
  CWebPage m_page;

 private:
  // The page's selected row id and table number; FALSE unless both are in range for the tables.
  BOOL SelectedDetailRecord(const DLL_RESULT_DATA_EX*& record);
  std::wstring PageString(const wchar_t* function);
  void Tell(const std::wstring& key);
  void ShowNoResults(const std::wstring& name);
};
