#include "ui/ChildHtmlDialog.h"

#include "platform/base/Text.h"
#include "platform/gdi/Gdi.h"
#include "platform/web/PageFactory.h"
#include "platform/win/Window.h"

namespace {

constexpr UINT kVkReturn = 0x0D, kVkEscape = 0x1B, kVkSpace = 0x20, kVkF4 = 0x73, kVkF5 = 0x74, kVkControl = 0x11,
               kVkLeftAlt = 0xA4, kVkRightAlt = 0xA5, kVkNumpad5 = 0x65;
constexpr WORD kBnClicked = 0;

bool AnyAsyncDown(const KeyboardState& keys, std::initializer_list<int> vks) {
  for (int vk : vks)
    if (keys.isAsyncDown(vk)) return true;
  return false;
}

HBRUSH WhiteBrush() {
  static HBRUSH brush = win::CreateSolidBrush(RGB(255, 255, 255));
  return brush;
}

const wchar_t* kScreenClass = L"MxChildHtmlDialog";

void RegisterScreenClass() {
  static bool done = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = win::DefWindowProc;
    wc.lpszClassName = kScreenClass;
    win::RegisterClass(&wc);
    return true;
  }();
  (void)done;
}

}  // namespace

CChildHtmlDialog::CChildHtmlDialog(UINT templateId, std::string htmlResource, win::CWnd*)
    : m_nTemplateId(templateId), m_strHtmlResource(std::move(htmlResource)) {}

CChildHtmlDialog::~CChildHtmlDialog() {
  if (m_page) m_page->SetClickHandler(nullptr);
}

BOOL CChildHtmlDialog::Create(HWND parent, const RECT& rect) {
  RegisterScreenClass();
  if (!CreateEx(0, kScreenClass, L"", WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(m_nTemplateId))))
    return FALSE;
  m_page = web::CreatePage(m_hWnd, m_strHtmlResource, [this] { OnDocumentComplete(); });
  m_page->SetClickHandler([this](const std::wstring& id) { OnElementClick(id); });
  return TRUE;
}

const std::vector<CChildHtmlDialog::DHtmlEventEntry>& CChildHtmlDialog::GetDHtmlEventMap() const {
  // The keys are checked here as well as in OnOK/OnCancel: a click that lands while Esc is held is not a
  // request to close.
  static const std::vector<DHtmlEventEntry> kBaseMap = {
      {L"ButtonOK",
       [](CChildHtmlDialog& d, const std::wstring&) {
         if (!d.Keys().isAsyncDown(kVkEscape)) d.OnOK();
         return S_OK;
       }},
      {L"ButtonCancel",
       [](CChildHtmlDialog& d, const std::wstring&) {
         if (!d.Keys().isAsyncDown(kVkEscape)) d.OnCancel();
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
  const KeyboardState& keys = Keys();
  if ((msg->message == WM_SYSKEYDOWN || msg->message == WM_SYSKEYUP) && msg->wParam == kVkF4) {
    msg->wParam = 0;  // Alt+F4 does nothing
  } else if (msg->message == WM_KEYDOWN) {
    if (msg->wParam == kVkEscape || msg->wParam == kVkF4 || msg->wParam == kVkSpace) msg->wParam = 0;
    if (keys.isAsyncDown(kVkF5) || keys.isAsyncDown(kVkF4)) return TRUE;
    if (keys.isDown(kVkControl)) {
      if (AnyAsyncDown(keys, {'O', 'P', 'N', 'A', '5', kVkNumpad5, 'F'})) return TRUE;
    } else if (keys.isDown(kVkLeftAlt) || keys.isDown(kVkRightAlt)) {
      if (AnyAsyncDown(keys, {'O', 'P', 'G', 'H', kVkF4})) return TRUE;
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
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(WhiteBrush());
    case WM_COMMAND:
      if (HIWORD(wParam) == kBnClicked && LOWORD(wParam) == IDOK) {
        OnOK();
        return 0;
      }
      if (HIWORD(wParam) == kBnClicked && LOWORD(wParam) == IDCANCEL) {
        OnCancel();
        return 0;
      }
      break;
    default:
      break;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}

void CChildHtmlDialog::OnOK() {
  if (!Keys().isAsyncDown(kVkReturn)) EndDialog(IDOK);
}

void CChildHtmlDialog::OnCancel() {
  if (!Keys().isAsyncDown(kVkEscape)) EndDialog(IDCANCEL);
}

HRESULT CChildHtmlDialog::OnButtonOK(const std::wstring&) {
  OnOK();
  return S_OK;
}

HRESULT CChildHtmlDialog::OnButtonCancel(const std::wstring&) {
  OnCancel();
  return S_OK;
}

HRESULT CChildHtmlDialog::OnHtmlDragStart(const std::wstring&) { return S_FALSE; }

void CChildHtmlDialog::EndDialog(int result) {
  if (ContinueModal())
    EndModalLoop(result);
  else if (m_hWnd)
    ShowWindow(SW_HIDE);
}
