#include "ui/ChildHtmlDialog.h"

#include "platform/base/Text.h"
#include "platform/gdi/Gdi.h"
#include "platform/web/PageFactory.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "ui/InputApi.h"
#include "ui/KeyGuardedClose.h"

namespace {

constexpr int kVkSpace = 0x20, kVkF4 = 0x73, kVkF5 = 0x74, kVkControl = 0x11, kVkLeftAlt = 0xA4,
              kVkRightAlt = 0xA5, kVkNumpad5 = 0x65;

bool Down(int vk) { return (win::GetAsyncKeyState(vk) & 0x8000) != 0; }

bool AnyDown(std::initializer_list<int> vks) {
  for (int vk : vks)
    if (Down(vk)) return true;
  return false;
}

}  // namespace

CChildHtmlDialog::CChildHtmlDialog(UINT templateId, std::string htmlResource, win::CWnd* parent)
    : CDialog(templateId, parent), m_strHtmlResource(std::move(htmlResource)) {}

CChildHtmlDialog::~CChildHtmlDialog() {
  if (m_page) m_page->SetClickHandler(nullptr);
}

BOOL CChildHtmlDialog::Create(HWND parent, const RECT& rect) {
  if (!CreateEx(0, win::kDialogClass, L"", WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(m_nIDTemplate))))
    return FALSE;
  SendMessage(WM_INITDIALOG, 0, 0);
  return TRUE;
}

BOOL CChildHtmlDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  m_page = web::CreatePage(m_hWnd, m_strHtmlResource, [this] { OnDocumentComplete(); });
  m_page->SetClickHandler([this](const std::wstring& id) { OnElementClick(id); });
  return TRUE;
}

const std::vector<CChildHtmlDialog::DHtmlEventEntry>& CChildHtmlDialog::GetDHtmlEventMap() const {
  // A click that lands while Esc is held is not a request to close.
  static const std::vector<DHtmlEventEntry> kBaseMap = {
      {L"ButtonOK",
       [](CChildHtmlDialog& d, const std::wstring&) {
         if (win::GetAsyncKeyState(VK_ESCAPE) == 0) d.OnOK();
         return S_OK;
       }},
      {L"ButtonCancel",
       [](CChildHtmlDialog& d, const std::wstring&) {
         if (win::GetAsyncKeyState(VK_ESCAPE) == 0) d.OnCancel();
         return S_OK;
       }},
  };
  return kBaseMap;
}

void CChildHtmlDialog::OnElementClick(const std::wstring& elementId) {
  // Copied: a handler may switch screens and so replace the map it came from.
  const auto map = GetDHtmlEventMap();
  for (const auto& entry : map)
    if (mx::EqualsNoCase(entry.elementId, elementId) && entry.handler) entry.handler(*this, elementId);
}

BOOL CChildHtmlDialog::PreTranslateMessage(MSG* msg) {
  if ((msg->message == WM_SYSKEYDOWN || msg->message == WM_SYSKEYUP) && msg->wParam == kVkF4) {
    msg->wParam = 0;  // Alt+F4 does nothing
  } else if (msg->message == WM_KEYDOWN) {
    if (msg->wParam == VK_ESCAPE || msg->wParam == kVkF4 || msg->wParam == kVkSpace) msg->wParam = 0;
    if (Down(kVkF5) || Down(kVkF4)) return TRUE;
    if (Down(kVkControl)) {
      if (AnyDown({'O', 'P', 'N', 'A', '5', kVkNumpad5, 'F'})) return TRUE;
    } else if (Down(kVkLeftAlt) || Down(kVkRightAlt)) {
      if (AnyDown({'O', 'P', 'G', 'H', kVkF4})) return TRUE;
    }
  }
  return CWnd::PreTranslateMessage(msg);
}

LRESULT CChildHtmlDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DROPFILES:  // dropped files are ignored
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return 0;
    default:
      return CDialog::WindowProc(msg, wParam, lParam);
  }
}

HBRUSH CChildHtmlDialog::OnCtlColor(HDC, HWND, UINT) {
  static HBRUSH brush = win::CreateSolidBrush(RGB(255, 255, 255));
  return brush;
}

void CChildHtmlDialog::OnOK() { KeyGuardedOnOK(*this); }

void CChildHtmlDialog::OnCancel() { KeyGuardedOnCancel(*this); }

HRESULT CChildHtmlDialog::OnButtonOK(const std::wstring&) {
  OnOK();
  return S_OK;
}

HRESULT CChildHtmlDialog::OnButtonCancel(const std::wstring&) {
  OnCancel();
  return S_OK;
}

HRESULT CChildHtmlDialog::OnHtmlDragStart(const std::wstring&) { return S_FALSE; }
