#include "ui/WebPage.h"

void CWebPage::SetDocument(Document document) {
  if (!document) {
    SetError(L"NULL pointer");
    return;
  }
  if (document == m_pDocument) return;
  m_pDocument = std::move(document);
}

BOOL CWebPage::CallJScript(const std::wstring& function, const std::vector<std::wstring>& args,
                           web::ScriptValue* result) {
  if (!m_pDocument) {
    SetError(L"NULL pointer");
    SetError(L"Cannot GetScript");
    return FALSE;
  }
  // A page still loading has no script to call yet.
  if (!m_pDocument->IsLoaded()) {
    SetError(L"Cannot GetScript");
    return FALSE;
  }
  web::ScriptValue value;
  HRESULT hr = m_pDocument->Call(function, args, &value);
  if (FAILED(hr)) {
    SetError(GetSystemErrorMessage(hr));
    return FALSE;
  }
  if (result) *result = std::move(value);
  return TRUE;
}

BOOL CWebPage::CallJScriptNoArgs(const std::wstring& function, web::ScriptValue* result) {
  return CallJScript(function, {}, result);
}

BOOL CWebPage::CallJScriptOneArg(const std::wstring& function, const std::wstring& arg, web::ScriptValue* result) {
  return CallJScript(function, {arg}, result);
}

BOOL CWebPage::CallJScriptTwoArgs(const std::wstring& function, const std::wstring& first,
                                  const std::wstring& second, web::ScriptValue* result) {
  return CallJScript(function, {first, second}, result);
}

void CWebPage::SetError(const std::wstring& text) { m_strError = L"JSCall Error:\n" + text; }

std::wstring CWebPage::GetSystemErrorMessage(HRESULT hr) {
  struct Text {
    HRESULT hr;
    const wchar_t* text;
  };
  static const Text kTexts[] = {
      {web::DISP_E_UNKNOWNNAME, L"Unknown name.\r\n"},
      {web::DISP_E_EXCEPTION, L"Exception occurred.\r\n"},
      {web::E_PENDING, L"The data necessary to complete this operation is not yet available.\r\n"},
      {web::RPC_E_WRONG_THREAD, L"The application called an interface that was marshalled for a different thread.\r\n"},
      {E_FAIL, L"Unspecified error\r\n"},
      {E_INVALIDARG, L"The parameter is incorrect.\r\n"},
      {E_NOTIMPL, L"Not implemented\r\n"},
      {E_OUTOFMEMORY, L"Not enough storage is available to complete this operation.\r\n"},
  };
  for (const auto& t : kTexts)
    if (t.hr == hr) return t.text;
  return L"FormatMessage Native Error";
}
