#pragma once
// The base of the HTML screens: a child dialog whose page behaves like part of a desktop dialog. The page
// (the browser, or a test's fake page) is made when the screen is created and loads the screen's resource
// page; clicks in it reach the screen's event map by element id. The browser's own manners (no context menu,
// no dragging or dropping, no selection outside editable fields, no navigation away from our resources) are
// kept by the page itself.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/KeyFilter.h"
#include "platform/web/PageScript.h"
#include "platform/win/Wnd.h"

class CChildHtmlDialog : public win::CWnd {
 public:
  // One entry of a DHTML event map: a click on the element with this id (compared without case).
  struct DHtmlEventEntry {
    std::wstring elementId;
    std::function<HRESULT(CChildHtmlDialog& dialog, const std::wstring& elementId)> handler;
  };

  CChildHtmlDialog(UINT templateId, std::string htmlResource, win::CWnd* parent = nullptr);
  ~CChildHtmlDialog() override;

  // Creates the screen as a hidden child of parent at rect and starts loading its page.
  BOOL Create(HWND parent, const RECT& rect);

  // The event map in force: the screen's own when it declares one, else the base's (ButtonOK, ButtonCancel).
  virtual const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const;
  // The page completed loading; screens bind their CWebPage and fill the page here.
  virtual void OnDocumentComplete() {}

  BOOL PreTranslateMessage(MSG* msg) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Enter or Esc still held does nothing, so the key that closed one window does not close the next.
  virtual void OnOK();
  virtual void OnCancel();

  // The shared handlers the HTML dialogs bind in their maps.
  HRESULT OnButtonOK(const std::wstring& elementId);
  HRESULT OnButtonCancel(const std::wstring& elementId);
  HRESULT OnHtmlDragStart(const std::wstring& elementId);

  const std::shared_ptr<web::IPageScript>& GetPage() const { return m_page; }
  UINT GetTemplateId() const { return m_nTemplateId; }
  // The keyboard the guards read (tests).
  void SetKeyboardState(const KeyboardState* keys) { m_pKeys = keys; }

  // Delivers a click on an element id to the event map (what the page's click reports do).
  void OnElementClick(const std::wstring& elementId);

 protected:
  // Ends a modal run with result, else hides the screen.
  virtual void EndDialog(int result);
  const KeyboardState& Keys() const { return m_pKeys ? *m_pKeys : MachineKeyboardState(); }

 private:
  UINT m_nTemplateId;
  std::string m_strHtmlResource;
  std::shared_ptr<web::IPageScript> m_page;
  const KeyboardState* m_pKeys = nullptr;
};
