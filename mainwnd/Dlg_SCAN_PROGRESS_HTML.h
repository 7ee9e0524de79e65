#pragma once
// The scan-progress screen: turns the scan groups chosen on the scan-area page into the categories of a
// scan, starts the scan worker, shows the item being examined and each group's running problem count, lets
// the user stop, and takes the worker's end: a completed scan is saved and handed to the main window, a
// stopped one is thrown away and the results of the last completed scan come back.
#include <string>
#include <vector>

#include "mainwnd/ScreenHost.h"
#include "ui/ChildHtmlDialog.h"
#include "ui/WebPage.h"

class CScanManager;

class CDlg_SCAN_PROGRESS_HTML : public CChildHtmlDialog {
 public:
  static constexpr UINT IDD = 400;
  static constexpr const char* kPage = "427.htm";
  static constexpr UINT_PTR kTimerPrepareScan = 101;  // armed by the main window's start-scan command
  static constexpr UINT_PTR kTimerStartWorker = 102;
  static constexpr UINT_PTR kTimerItemText = 103;     // shows the item text held back by the throttle
  // The page shows a new item at most this often: the worker reports far faster than anyone can read.
  static constexpr UINT kItemTextIntervalMs = 100;

  CDlg_SCAN_PROGRESS_HTML();

  void SetHost(IScreenHost* host) { m_pHost = host; }

  const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const override;
  void OnDocumentComplete() override;

  void OnTimer(UINT_PTR id);
  LRESULT OnScanItemText(WPARAM wParam, LPARAM lParam);
  LRESULT OnScanCompleted(WPARAM wParam, LPARAM lParam);
  LRESULT OnScanStopped(WPARAM wParam, LPARAM lParam);
  HRESULT OnStopScan();

  static std::vector<std::wstring> PageTextKeys();
  // The item as the page shows it: up to 120 characters whole, longer ones as 110 characters, a line break
  // and the next 107 (with "..." when even that is not all). Line breaks of the item itself become blanks.
  static std::wstring PageItemText(std::wstring item);
  // The problems found so far by the categories of one scan section (1-4); 0 for any other section.
  static int SectionProblemCount(const CScanManager& manager, int section);

  CWebPage m_page;
  DWORD m_dwCategoryMask = 0;
  int m_nCategoryCount = 0;
  BYTE m_bGroup1 = 1, m_bGroup2 = 1, m_bGroup3 = 1, m_bGroup4 = 1;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void PrepareScan();
  void StartWorker();
  void ShowItemText();
  void CancelHeldItemText();

  IScreenHost* m_pHost = nullptr;
  bool m_bScanActive = false;     // from the categories' creation to the worker's end message
  bool m_bAskingStop = false;
  bool m_bItemTimerArmed = false;
  ULONGLONG m_lastItemShownAt = 0;
  int m_nShownSection = 0;  // the progress picture the page shows
  const std::wstring* m_pItemText = nullptr;  // the text the worker's last item message named
};
