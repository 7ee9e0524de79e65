#pragma once
// The base of the HTML screens: a child dialog whose page behaves like part of a desktop dialog. The page
// (the browser, or a test's fake page) is made in OnInitDialog and loads the screen's resource page; clicks in
// it reach the screen's event map by element id. The browser's own manners (no context menu, no dragging or
// dropping, no selection outside editable fields, no navigation away from our resources) are kept by the
// page itself.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/web/PageScript.h"
#include "ui/AfxDialog.h"

class CChildHtmlDialog : public CDialog {
 public:
  // One entry of a DHTML event map: a click on the element with this id (compared without case).
  struct DHtmlEventEntry {
    std::wstring elementId;
    std::function<HRESULT(CChildHtmlDialog& dialog, const std::wstring& elementId)> handler;
  };

  CChildHtmlDialog(UINT templateId, std::string htmlResource, win::CWnd* parent = nullptr);
  ~CChildHtmlDialog() override;

  using CDialog::Create;
  // A screen without a template of its own: a hidden child of parent at rect, initialised as a dialog.
  BOOL Create(HWND parent, const RECT& rect);

  BOOL OnInitDialog() override;
  // The event map in force: the screen's own when it declares one, else the base's (ButtonOK, ButtonCancel).
  virtual const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const;
  // The page completed loading; screens bind their CWebPage and fill the page here.
  virtual void OnDocumentComplete() {}

  BOOL PreTranslateMessage(MSG* msg) override;
  // Enter or Esc still held does nothing, so the key that closed one window does not close the next.
  void OnOK() override;
  void OnCancel() override;

  // The shared handlers the HTML dialogs bind in their maps.
  HRESULT OnButtonOK(const std::wstring& elementId);
  HRESULT OnButtonCancel(const std::wstring& elementId);
  HRESULT OnHtmlDragStart(const std::wstring& elementId);

  const std::shared_ptr<web::IPageScript>& GetPage() const { return m_page; }

  // Delivers a click on an element id to the event map (what the page's click reports do).
  void OnElementClick(const std::wstring& elementId);

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlColorMessage) override;

 private:
  std::string m_strHtmlResource;
  std::shared_ptr<web::IPageScript> m_page;
};
